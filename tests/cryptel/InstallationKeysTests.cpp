#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

#include "cryptel/Cryptel.h"
#include "cryptel/HexText.h"
#include "cryptel/InstallationKeys.h"
#include "cryptel/KeyCipher.h"
#include "cryptel/keytool/Keytool.h"

// Failures here must never print a deciphered key: test logs are kept.

namespace {

std::vector<std::string> Tokens() {
    const std::string all = InstallationKeyTokens();
    const auto comma = all.find(',');
    return {all.substr(0, comma), comma == std::string::npos ? "" : all.substr(comma + 1)};
}

}  // namespace

TEST(InstallationKeys, TwoTokensOfFourteenDigitsJoinedByOneComma) {
    const std::string all = InstallationKeyTokens();
    ASSERT_EQ(all.size(), 29u) << all;
    EXPECT_EQ(all.find(','), 14u) << all;
    EXPECT_EQ(all.find(',', 15), std::string::npos) << all;
    EXPECT_EQ(std::strlen(InstallationKeyName()), 6u);
}

TEST(InstallationKeys, BothTokensDecipherToSixBytesUnderTheBuiltInName) {
    for (const auto& token : Tokens()) {
        EXPECT_TRUE(DecipherToken(token, InstallationKeyName()).has_value()) << token;
        EXPECT_EQ(std::strlen(DecryptString(token.c_str(), InstallationKeyName())), 6u) << token;
    }
}

TEST(InstallationKeys, KeytoolCheckPassesWithoutShowingTheKeys) {
    std::ostringstream out, err;
    EXPECT_EQ(cryptel::RunKeytool({"--check-installation"}, out, err), 0) << err.str();
    for (const auto& token : Tokens()) {
        const auto key = DecipherToken(token, InstallationKeyName());
        ASSERT_TRUE(key.has_value());
        const std::string raw(key->begin(), key->end());
        EXPECT_EQ(out.str().find(raw), std::string::npos);
        EXPECT_EQ(out.str().find(cryptel::BytesToHex(key->data(), key->size())), std::string::npos);
    }
}
