#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <string>

#include "cryptel/HexText.h"
#include "cryptel/InstallationKeys.h"
#include "cryptel/KeyCipher.h"

// Only tokens may be built into the programs. Messages name what was found,
// never the key itself: test logs are kept.

namespace {

std::string ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Lower(std::string text) {
    for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

void ExpectNoInstallationKeyIn(const char* path) {
    const std::string binary = ReadFile(path);
    ASSERT_GT(binary.size(), 1000u) << "cannot read " << path;
    const std::string tokens = InstallationKeyTokens();
    const auto comma = tokens.find(',');
    const std::string sectorTokens[] = {tokens.substr(0, comma), tokens.substr(comma + 1)};
    int sector = 5;
    for (const auto& token : sectorTokens) {
        const auto key = DecipherToken(token, InstallationKeyName());
        ASSERT_TRUE(key.has_value()) << "sector " << sector;
        const std::string raw(key->begin(), key->end());
        const std::string upper = cryptel::BytesToHex(key->data(), key->size());
        EXPECT_EQ(binary.find(raw), std::string::npos) << "raw bytes of the sector " << sector << " key in " << path;
        EXPECT_EQ(binary.find(upper), std::string::npos)
            << "upper-case hex of the sector " << sector << " key in " << path;
        EXPECT_EQ(binary.find(Lower(upper)), std::string::npos)
            << "lower-case hex of the sector " << sector << " key in " << path;
        ++sector;
    }
}

}  // namespace

TEST(KeyLeak, SharedLibraryHoldsNoInstallationKey) { ExpectNoInstallationKeyIn(CRYPTEL_LIBRARY_FILE); }

TEST(KeyLeak, KeytoolHoldsNoInstallationKey) { ExpectNoInstallationKeyIn(CRYPTEL_KEYTOOL_FILE); }

// Guards the two tests above against passing because they search the wrong
// thing: the keytool does carry the tokens, and the search must find them.
TEST(KeyLeak, SearchFindsTheTokensTheKeytoolCarries) {
    const std::string binary = ReadFile(CRYPTEL_KEYTOOL_FILE);
    EXPECT_NE(binary.find(InstallationKeyTokens()), std::string::npos);
}
