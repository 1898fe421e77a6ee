#include "cryptel/keytool/Keytool.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <variant>
#include <vector>

#include "cryptel/HexText.h"
#include "cryptel/InstallationKeys.h"
#include "cryptel/KeyCheck.h"
#include "cryptel/KeyCipher.h"
#include "cryptel/SecureWipe.h"
#include "cryptel/keytool/KeytoolOptions.h"

namespace cryptel {

namespace {

// Keys that a card may carry but that protect nothing: the factory transport key
// every new card has, and all zeros.
const char* WhyNotAnInstallationKey(const std::array<std::uint8_t, 6>& key) {
    const auto all = [&](std::uint8_t value) {
        return std::all_of(key.begin(), key.end(), [value](std::uint8_t b) { return b == value; });
    };
    if (all(0xFF)) return "FFFFFFFFFFFF is the factory transport key of every new card";
    if (all(0x00)) return "000000000000 protects nothing";
    return nullptr;
}

int Encipher(const KeytoolRequest& request, std::ostream& out, std::ostream& err) {
    const auto bytes = HexToBytes(request.key);
    if (!bytes || bytes->size() != 6) {
        err << "--key must be exactly 12 hexadecimal digits (6 bytes)\n";
        return kKeytoolUsage;
    }
    std::array<std::uint8_t, 6> key{};
    std::copy(bytes->begin(), bytes->end(), key.begin());
    if (const char* why = WhyNotAnInstallationKey(key)) {
        err << "refused: " << why << "; it cannot be an installation key\n";
        return kKeytoolUsage;
    }
    try {
        out << EncipherKey(key, request.keyName) << '\n';
    } catch (const std::invalid_argument& e) {
        err << "refused: " << e.what() << '\n';
        return kKeytoolUsage;
    }
    return kKeytoolOk;
}

int Decode(const KeytoolRequest& request, std::ostream& out, std::ostream& err) {
    if (request.token.size() != kTokenLength || !HexToBytes(request.token)) {
        err << "not a token: a token is exactly 14 hexadecimal digits\n";
        return kKeytoolTokenRejected;
    }
    const auto key = DecipherToken(request.token, request.keyName);
    if (!key) {
        err << "the token does not decipher under key name \"" << request.keyName
            << "\": a digit is wrong, or it was made under another name\n";
        return kKeytoolTokenRejected;
    }
    out << BytesToHex(key->data(), key->size()) << '\n';
    return kKeytoolOk;
}

int CheckInstallation(std::ostream& out, std::ostream& err) {
    const std::string_view tokens = InstallationKeyTokens();
    const std::string name = InstallationKeyName();
    const std::size_t comma = tokens.find(',');
    const std::array<std::string_view, 2> parts = {tokens.substr(0, comma), tokens.substr(comma + 1)};
    const std::array<int, 2> sectors = {5, 6};
    int result = kKeytoolOk;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto key = DecipherToken(std::string(parts[i]), name);
        const char* why = key ? WhyNotAnInstallationKey(*key) : nullptr;
        if (why) {
            err << "sector " << sectors[i] << " token deciphers to a key that cannot be an installation key: " << why
                << "\n";
            result = kKeytoolTokenRejected;
        } else if (key) {
            out << "sector " << sectors[i] << " token deciphers under key name \"" << name << "\"\n";
        } else {
            err << "sector " << sectors[i] << " token " << parts[i] << " does not decipher under key name \"" << name
                << "\"\n";
            result = kKeytoolTokenRejected;
        }
    }
    return result;
}

// The check value of the keys in a token list, as the build puts it beside the
// tokens. Every token must decipher into a usable key, or there is nothing to check.
int KeyCheck(const KeytoolRequest& request, std::ostream& out, std::ostream& err) {
    std::vector<std::array<std::uint8_t, 6>> keys;
    std::string_view rest = request.token;
    for (int sector = 1;; ++sector) {
        const std::size_t comma = rest.find(',');
        const std::string token(rest.substr(0, comma));
        const auto key = token.size() == kTokenLength ? DecipherToken(token, request.keyName) : std::nullopt;
        const char* why = key ? WhyNotAnInstallationKey(*key) : nullptr;
        if (!key || why) {
            err << "token " << sector << " (\"" << token << "\") "
                << (why ? std::string("deciphers to a key that cannot be an installation key: ") + why
                        : "does not decipher under key name \"" + request.keyName + "\"")
                << '\n';
            for (auto& k : keys) WipeBytes(k.data(), k.size());
            return kKeytoolTokenRejected;
        }
        keys.push_back(*key);
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    const std::string check = KeyCheckValue(request.keyName, keys);
    for (auto& k : keys) WipeBytes(k.data(), k.size());
    out << check << '\n';
    return kKeytoolOk;
}

}  // namespace

int RunKeytool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const auto parsed = ParseKeytoolArguments(args);
    if (const auto* message = std::get_if<std::string>(&parsed)) {
        err << "cardfmt-keytool: " << *message << "\nTry cardfmt-keytool --help\n";
        return kKeytoolUsage;
    }
    const auto& request = std::get<KeytoolRequest>(parsed);
    try {
        switch (request.mode) {
            case KeytoolRequest::Mode::Help: PrintKeytoolHelp(out); return kKeytoolOk;
            case KeytoolRequest::Mode::Encipher: return Encipher(request, out, err);
            case KeytoolRequest::Mode::Decode: return Decode(request, out, err);
            case KeytoolRequest::Mode::CheckInstallation: return CheckInstallation(out, err);
            case KeytoolRequest::Mode::KeyCheck: return KeyCheck(request, out, err);
        }
    } catch (const std::exception& e) {
        err << "cardfmt-keytool: " << e.what() << '\n';
    }
    return kKeytoolFailure;
}

}  // namespace cryptel
