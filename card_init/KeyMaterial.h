// Where the card procedure gets the installation's sector keys: a list of enciphered
// tokens (one per sector, comma separated), the key name, and the decipher call.
#pragma once

#include <functional>
#include <string>

struct KeyMaterial {
    std::string tokenList;
    std::string keyName;
    // The deciphered text of a token; its first six characters are the key bytes.
    // A text shorter than six characters means the token did not decipher.
    std::function<std::string(const std::string& token, const std::string& keyName)> decrypt;
};

// The tokens and key name built into this installation, deciphered by the Cryptel library.
KeyMaterial InstallationKeyMaterial();
