#include <gtest/gtest.h>

#include <cstring>

#include "TestKeys.h"
#include "cryptel/Cryptel.h"
#include "cryptel/KeyCipher.h"

using namespace cryptel_test;

namespace {

std::string WrongName(int i) { return "name-" + std::to_string(i); }

}  // namespace

TEST(WrongKeyName, NamesOneCharacterApartAreRejected) {
    std::mt19937 rng(3);
    const Key key = RandomKey(rng);
    const std::string token = EncipherKey(key, "CFMT01");
    int accepted = 0;
    for (const char* name : {"CFMT02", "cfmt01", "CFMT0", "CFMT01 ", "DFMT01", "CFMT1"}) {
        if (std::strlen(DecryptString(token.c_str(), name)) == 6) ++accepted;
    }
    // One false acceptance in six has odds of about 1 in 50; two, 1 in 3000.
    EXPECT_LE(accepted, 1);
}

// Eight check bits cannot catch every wrong name; they must catch all but
// about one in 256, and a name let through must still not yield the key.
TEST(WrongKeyName, AcceptedAboutOnceIn256Tries) {
    std::mt19937 rng(5);
    const Key key = RandomKey(rng);
    const std::string token = EncipherKey(key, "CFMT01");
    constexpr int kTries = 5000;
    int accepted = 0;
    for (int i = 0; i < kTries; ++i) {
        const auto result = DecipherToken(token, WrongName(i));
        if (!result) continue;
        ++accepted;
        EXPECT_NE(*result, key) << WrongName(i);
    }
    // Expected about 18; 45 is more than six standard deviations above.
    EXPECT_LE(accepted, 45);
}

// Whether a wrong name gets through must depend on the token, not on the
// pair of names alone: otherwise an unlucky name would open every token.
TEST(WrongKeyName, NameThatPassesOneTokenFailsMostOthers) {
    std::mt19937 rng(8);
    std::vector<std::string> tokens;
    for (int i = 0; i < 16; ++i) tokens.push_back(EncipherKey(RandomKey(rng), "CFMT01"));
    int namesPassingAny = 0;
    for (int i = 0; i < 2000; ++i) {
        int passed = 0;
        for (const auto& token : tokens) passed += DecipherToken(token, WrongName(i)) ? 1 : 0;
        if (passed > 0) ++namesPassingAny;
        EXPECT_LE(passed, 4) << WrongName(i);
    }
    // Makes sure the loop did meet names that pass some token.
    EXPECT_GT(namesPassingAny, 0);
}
