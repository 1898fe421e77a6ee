#include "cryptel/keytool/KeytoolOptions.h"

#include <optional>

namespace cryptel {

namespace {

struct Seen {
    std::optional<std::string> keyName, key, decode, keyCheck;
    bool checkInstallation = false;
};

}  // namespace

std::variant<KeytoolRequest, std::string> ParseKeytoolArguments(const std::vector<std::string>& args) {
    Seen seen;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") return KeytoolRequest{};
        if (arg == "--check-installation") {
            seen.checkInstallation = true;
            continue;
        }
        std::optional<std::string>* slot = arg == "--key-name"    ? &seen.keyName
                                           : arg == "--key"       ? &seen.key
                                           : arg == "--decode"    ? &seen.decode
                                           : arg == "--key-check" ? &seen.keyCheck
                                                                  : nullptr;
        if (slot == nullptr) return "unknown argument \"" + arg + "\"";
        if (slot->has_value()) return arg + " is given twice";
        if (i + 1 >= args.size()) return arg + " needs a value";
        *slot = args[++i];
    }

    const int modes = int{seen.key.has_value()} + int{seen.decode.has_value()} + int{seen.keyCheck.has_value()} +
                      int{seen.checkInstallation};
    if (modes != 1) return "give exactly one of --key, --decode, --key-check and --check-installation";

    KeytoolRequest request;
    if (seen.checkInstallation) {
        if (seen.keyName) return "--check-installation uses the built-in key name; drop --key-name";
        request.mode = KeytoolRequest::Mode::CheckInstallation;
        return request;
    }
    if (!seen.keyName || seen.keyName->empty()) return "a non-empty --key-name is needed";
    request.keyName = *seen.keyName;
    if (seen.key) {
        request.mode = KeytoolRequest::Mode::Encipher;
        request.key = *seen.key;
    } else if (seen.keyCheck) {
        request.mode = KeytoolRequest::Mode::KeyCheck;
        request.token = *seen.keyCheck;
    } else {
        request.mode = KeytoolRequest::Mode::Decode;
        request.token = *seen.decode;
    }
    return request;
}

}  // namespace cryptel
