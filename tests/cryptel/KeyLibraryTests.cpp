// Which key library the card procedure trusts: the program's own, deciphering the
// built-in tokens into the keys the build was made with, and nothing else.
#include "card_init/KeyLibrary.h"
#include "cryptel/InstallationKeyCheck.h"
#include "cryptel/InstallationKeys.h"
#include "platform/SharedLibrary.h"

#include <gtest/gtest.h>

#include <string>

namespace {

KeyLibrary::Expectation BuiltIn() { return {InstallationKeyTokens(), InstallationKeyName(), InstallationKeyCheck()}; }

std::unique_ptr<KeyLibrary> Judge(const std::string& path, const KeyLibrary::Expectation& expected) {
    std::string error;
    auto library = platform::SharedLibrary::OpenFile(path, error);
    return std::make_unique<KeyLibrary>(std::move(library), path, error, expected);
}

}  // namespace

TEST(KeyLibrary, OurOwnDeciphersTheBuiltInTokens) {
    const auto library = Judge(CRYPTEL_LIBRARY_FILE, BuiltIn());
    ASSERT_TRUE(library->Usable()) << library->Problem();
    const std::string tokens = InstallationKeyTokens();
    EXPECT_EQ(library->Decrypt(tokens.substr(0, 14), InstallationKeyName()).size(), 6u);
    EXPECT_TRUE(KeyLibrary::Installed().Usable()) << KeyLibrary::Installed().Problem();
}

// Each refusal names the file, says why, and leaves nothing to decipher with.
TEST(KeyLibrary, AnyOtherIsRefusedWithTheReason) {
    KeyLibrary::Expectation otherKeys = BuiltIn();
    otherKeys.check = otherKeys.check == "00000000" ? "00000001" : "00000000";
    KeyLibrary::Expectation otherName = BuiltIn();
    otherName.keyName += "x";
    const struct {
        const char* what;
        std::string path;
        KeyLibrary::Expectation expected;
        const char* reason;
    } rows[] = {
        {"the water-control software's own, both calls present", FOREIGN_LOOKALIKE_FILE, BuiltIn(),
         "it has no CryptelIdentity"},
        {"one lacking CryptelWipe", FOREIGN_PARTIAL_FILE, BuiltIn(), "it has no CryptelIdentity, CryptelWipe"},
        {"ours, deciphering into keys the build does not know", CRYPTEL_LIBRARY_FILE, otherKeys, "into other keys"},
        {"ours, but the tokens do not decipher", CRYPTEL_LIBRARY_FILE, otherName, "does not decipher"},
        {"a file that is not there", std::string(CRYPTEL_LIBRARY_FILE) + ".missing", BuiltIn(), "cannot be loaded"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const auto library = Judge(row.path, row.expected);
        EXPECT_FALSE(library->Usable());
        EXPECT_NE(library->Problem().find(row.reason), std::string::npos) << library->Problem();
        EXPECT_NE(library->Problem().find(row.path), std::string::npos) << library->Problem();
        EXPECT_NE(library->ProblemForTrace().find(row.path), std::string::npos) << library->ProblemForTrace();
        EXPECT_EQ(library->Decrypt(BuiltIn().tokenList.substr(0, 14), InstallationKeyName()), "");
    }
}
