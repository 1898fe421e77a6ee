#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "TestKeys.h"
#include "cryptel/Cryptel.h"
#include "cryptel/KeyCipher.h"

using namespace cryptel_test;

namespace {

const std::string kName = "CFMT01";

std::string ValidToken() {
    std::mt19937 rng(17);
    return EncipherKey(RandomKey(rng), kName);
}

void ExpectRejected(const std::string& token) {
    EXPECT_FALSE(DecipherToken(token, kName).has_value()) << '"' << token << '"';
    EXPECT_LT(std::strlen(DecryptString(token.c_str(), kName.c_str())), 6u) << '"' << token << '"';
}

}  // namespace

TEST(MalformedToken, WrongLengthIsRejected) {
    const std::string token = ValidToken();
    ExpectRejected(token.substr(0, 13));
    ExpectRejected(token.substr(1));
    ExpectRejected(token + "0");
    ExpectRejected("0" + token);
    ExpectRejected(token + token);
    ExpectRejected("");
    ExpectRejected(" " + token);
    ExpectRejected(token + "\n");
    ExpectRejected(std::string(1 << 20, 'A'));
}

TEST(MalformedToken, NonHexCharacterAnywhereIsRejected) {
    const std::string token = ValidToken();
    for (std::size_t position = 0; position < token.size(); ++position) {
        for (const char bad : {'G', 'g', ' ', '-', 'x', ',', '\x7F', '\xB0'}) {
            std::string damaged = token;
            damaged[position] = bad;
            ExpectRejected(damaged);
        }
    }
}

TEST(MalformedToken, TokenCutShortByAnEmbeddedZeroIsRejected) {
    std::string token = ValidToken();
    token[7] = '\0';
    EXPECT_STREQ(DecryptString(token.c_str(), kName.c_str()), "");
    EXPECT_FALSE(DecipherToken(token, kName).has_value());
}

TEST(MalformedToken, NullPointersGiveEmptyText) {
    const std::string token = ValidToken();
    EXPECT_STREQ(DecryptString(nullptr, kName.c_str()), "");
    EXPECT_STREQ(DecryptString(token.c_str(), nullptr), "");
    EXPECT_STREQ(DecryptString(nullptr, nullptr), "");
}

TEST(MalformedToken, EmptyKeyNameIsRejected) {
    const std::string token = ValidToken();
    EXPECT_FALSE(DecipherToken(token, "").has_value());
    EXPECT_STREQ(DecryptString(token.c_str(), ""), "");
}

// Callers reuse the returned pointer's memory; a failure must not leave the
// previous call's key in it.
TEST(MalformedToken, FailureAfterSuccessLeavesNoKeyBehind) {
    std::mt19937 rng(23);
    const Key key = RandomKey(rng);
    const std::string token = EncipherKey(key, kName);
    const char* text = DecryptString(token.c_str(), kName.c_str());
    ASSERT_EQ(std::string(text), KeyText(key));
    const char* failed = DecryptString(token.substr(1).c_str(), kName.c_str());
    ASSERT_STREQ(failed, "");
    EXPECT_EQ(std::string(text, 6).find_first_not_of('\0'), std::string::npos);
}

TEST(MalformedToken, KeyWithZeroByteCannotBeEnciphered) {
    for (std::size_t position = 0; position < 6; ++position) {
        Key key{0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
        key[position] = 0x00;
        EXPECT_THROW(EncipherKey(key, kName), std::invalid_argument) << position;
    }
}

TEST(MalformedToken, EmptyKeyNameCannotEncipher) {
    EXPECT_THROW(EncipherKey(Key{1, 2, 3, 4, 5, 6}, ""), std::invalid_argument);
}
