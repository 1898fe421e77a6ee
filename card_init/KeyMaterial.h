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
    // Why no key can be had, when that is known before any card (a key library
    // that is not the program's own): for the command line (English) and the
    // trace (Chinese), file and remedy included. Empty otherwise.
    std::string problem;
    std::string problemForTrace;
};

// The tokens and key name built into this installation, deciphered by the program's
// own Cryptel library (KeyLibrary.h), which is loaded on the first call.
KeyMaterial InstallationKeyMaterial();

// The tokens of another build (a demo-key build used by mistake, another
// installation), deciphered under their own key name by this program's key
// library. The library is trusted only once it has proven itself with the built-in
// tokens; the built-in check value says nothing of other tokens, so a token that
// deciphers at all gives the keys the card is asked with.
KeyMaterial OtherKeyMaterial(const std::string& tokenList, const std::string& keyName);
