#include <gtest/gtest.h>

#include <bit>
#include <cctype>
#include <cstring>

#include "TestKeys.h"
#include "cryptel/Cryptel.h"
#include "cryptel/HexText.h"
#include "cryptel/KeyCipher.h"

using namespace cryptel_test;

namespace {

std::vector<Key> SampleKeys() {
    std::mt19937 rng(20240611);
    std::vector<Key> keys = {Key{0x01, 0x01, 0x01, 0x01, 0x01, 0x01}, Key{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
                             Key{0x80, 0x7F, 0x01, 0xFE, 0x10, 0xEF}};
    for (int i = 0; i < 20; ++i) keys.push_back(RandomKey(rng));
    return keys;
}

// Number of differing bits between the enciphered parts (first 12 digits).
int CipherBitDistance(const std::string& a, const std::string& b) {
    const auto x = cryptel::HexToBytes(a.substr(0, 12));
    const auto y = cryptel::HexToBytes(b.substr(0, 12));
    int bits = 0;
    for (std::size_t i = 0; i < x->size(); ++i) bits += std::popcount(unsigned((*x)[i] ^ (*y)[i]));
    return bits;
}

}  // namespace

TEST(TokenRoundTrip, DecipherGivesBackEveryKeyUnderEveryName) {
    for (const auto& name : SampleKeyNames()) {
        for (const auto& key : SampleKeys()) {
            const auto back = DecipherToken(EncipherKey(key, name), name);
            ASSERT_TRUE(back.has_value()) << "name " << name;
            EXPECT_EQ(*back, key) << "name " << name;
        }
    }
}

TEST(TokenRoundTrip, DecryptStringGivesTheSixKeyBytes) {
    for (const auto& name : SampleKeyNames()) {
        for (const auto& key : SampleKeys()) {
            const std::string token = EncipherKey(key, name);
            const char* text = DecryptString(token.c_str(), name.c_str());
            ASSERT_EQ(std::strlen(text), 6u) << "token " << token << " name " << name;
            EXPECT_EQ(std::string(text), KeyText(key));
        }
    }
}

TEST(TokenRoundTrip, TokenIsFourteenUpperCaseHexDigits) {
    for (const auto& key : SampleKeys()) {
        const std::string token = EncipherKey(key, "CFMT01");
        ASSERT_EQ(token.size(), 14u);
        for (const char c : token) {
            EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'F')) << token;
        }
    }
}

TEST(TokenRoundTrip, LowerCaseTokenDeciphersAlike) {
    for (const auto& key : SampleKeys()) {
        std::string token = EncipherKey(key, "CFMT01");
        for (auto& c : token) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(DecipherToken(token, "CFMT01"), key) << token;
        EXPECT_EQ(std::string(DecryptString(token.c_str(), "CFMT01")), KeyText(key));
    }
}

// A token must say nothing about its key beyond what the name unlocks: the
// same key under names one letter apart, or keys one bit apart under one name,
// must give enciphered parts that differ in about half their 48 bits.
TEST(TokenRoundTrip, SameKeyUnderNeighbouringNamesGivesUnrelatedTokens) {
    std::mt19937 rng(7);
    const Key key = RandomKey(rng);
    const std::string base = EncipherKey(key, "CFMT01");
    long total = 0;
    int count = 0;
    for (char c = 'A'; c <= 'Z'; ++c) {
        const std::string other = EncipherKey(key, std::string("CFMT0") + c);
        total += CipherBitDistance(base, other);
        ++count;
    }
    const double mean = double(total) / count;
    EXPECT_GT(mean, 20.0);
    EXPECT_LT(mean, 28.0);
}

TEST(TokenRoundTrip, KeysOneBitApartGiveUnrelatedTokens) {
    std::mt19937 rng(11);
    long total = 0;
    int count = 0;
    for (int i = 0; i < 20; ++i) {
        const Key key = RandomKey(rng);
        const std::string token = EncipherKey(key, "CFMT01");
        for (int bit = 0; bit < 48; ++bit) {
            Key other = key;
            other[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
            if (other[bit / 8] == 0) continue;
            total += CipherBitDistance(token, EncipherKey(other, "CFMT01"));
            ++count;
        }
    }
    const double mean = double(total) / count;
    EXPECT_GT(mean, 22.0);
    EXPECT_LT(mean, 26.0);
}
