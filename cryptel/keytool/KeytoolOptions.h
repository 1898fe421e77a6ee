// The command line of cardfmt-keytool, checked for shape before any work.
#pragma once

#include <string>
#include <variant>
#include <vector>

namespace cryptel {

struct KeytoolRequest {
    enum class Mode { Help, Encipher, Decode, CheckInstallation, KeyCheck };
    Mode mode = Mode::Help;
    std::string keyName;
    std::string key;    // Encipher: the key as typed
    std::string token;  // Decode: the token as typed; KeyCheck: the token list
};

// The request, or a message saying what is wrong with the arguments
// (program name not included).
std::variant<KeytoolRequest, std::string> ParseKeytoolArguments(const std::vector<std::string>& args);

}  // namespace cryptel
