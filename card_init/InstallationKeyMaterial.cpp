#include "card_init/KeyLibrary.h"
#include "card_init/KeyMaterial.h"
#include "cryptel/InstallationKeys.h"

KeyMaterial InstallationKeyMaterial() {
    const KeyLibrary& library = KeyLibrary::Installed();
    KeyMaterial keys;
    keys.tokenList = InstallationKeyTokens();
    keys.keyName = InstallationKeyName();
    // A refused library deciphers nothing: the run ends before the card is touched.
    keys.decrypt = [&library](const std::string& token, const std::string& keyName) {
        return library.Decrypt(token, keyName);
    };
    keys.problem = library.Problem();
    keys.problemForTrace = library.ProblemForTrace();
    return keys;
}
