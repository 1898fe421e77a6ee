#include "card_init/KeyLibrary.h"
#include "card_init/KeyMaterial.h"
#include "cryptel/InstallationKeys.h"

namespace {

KeyMaterial LibraryKeys(const std::string& tokenList, const std::string& keyName) {
    const KeyLibrary& library = KeyLibrary::Installed();
    KeyMaterial keys;
    keys.tokenList = tokenList;
    keys.keyName = keyName;
    // A refused library deciphers nothing: the run ends before the card is touched.
    keys.decrypt = [&library](const std::string& token, const std::string& keyName) {
        return library.Decrypt(token, keyName);
    };
    keys.problem = library.Problem();
    keys.problemForTrace = library.ProblemForTrace();
    return keys;
}

}  // namespace

KeyMaterial InstallationKeyMaterial() { return LibraryKeys(InstallationKeyTokens(), InstallationKeyName()); }

KeyMaterial OtherKeyMaterial(const std::string& tokenList, const std::string& keyName) {
    return LibraryKeys(tokenList, keyName);
}
