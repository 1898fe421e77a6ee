#include "card_init/KeyMaterial.h"
#include "cryptel/Cryptel.h"
#include "cryptel/InstallationKeys.h"

KeyMaterial InstallationKeyMaterial() {
    KeyMaterial keys;
    keys.tokenList = InstallationKeyTokens();
    keys.keyName = InstallationKeyName();
    keys.decrypt = [](const std::string& token, const std::string& keyName) -> std::string {
        const char* text = DecryptString(token.c_str(), keyName.c_str());
        return text ? std::string(text) : std::string();
    };
    return keys;
}
