#include "card_init/KeyMaterial.h"
#include "cryptel/Cryptel.h"
#include "cryptel/InstallationKeys.h"

KeyMaterial InstallationKeyMaterial() {
    KeyMaterial keys;
    keys.tokenList = InstallationKeyTokens();
    keys.keyName = InstallationKeyName();
    keys.decrypt = [](const std::string& token, const std::string& keyName) -> std::string {
        const char* text = DecryptString(token.c_str(), keyName.c_str());
        std::string copy = text ? text : "";
        // The library's buffer keeps the key until this thread's next call: wipe it
        // now that the copy is taken. The copy is the caller's to wipe.
        if (text) CryptelWipe(const_cast<char*>(text), copy.size());
        return copy;
    };
    return keys;
}
