#include <gtest/gtest.h>

#include <cstring>

#include "TestKeys.h"
#include "cryptel/Cryptel.h"
#include "cryptel/KeyCipher.h"

using namespace cryptel_test;

namespace {

std::vector<std::pair<std::string, std::string>> SampleTokens(int count) {
    std::mt19937 rng(99);
    std::vector<std::pair<std::string, std::string>> tokens;
    const auto names = SampleKeyNames();
    for (int i = 0; i < count; ++i) {
        const std::string& name = names[i % names.size()];
        tokens.emplace_back(EncipherKey(RandomKey(rng), name), name);
    }
    return tokens;
}

}  // namespace

// Exhaustive over all 14 positions and the 15 other values of each digit,
// the check digits themselves included.
TEST(TokenDamage, EveryChangeOfOneDigitIsDetected) {
    for (const auto& [token, name] : SampleTokens(12)) {
        for (std::size_t position = 0; position < token.size(); ++position) {
            for (int value = 0; value < 16; ++value) {
                if (value == DigitValue(token[position])) continue;
                const std::string damaged = WithDigit(token, position, value);
                EXPECT_FALSE(DecipherToken(damaged, name).has_value()) << damaged;
                EXPECT_LT(std::strlen(DecryptString(damaged.c_str(), name.c_str())), 6u) << damaged;
            }
        }
    }
}

// Also covers two neighbouring digits typed in the wrong order.
TEST(TokenDamage, EveryChangeOfTwoDigitsIsDetected) {
    for (const auto& [token, name] : SampleTokens(2)) {
        for (std::size_t first = 0; first < token.size(); ++first) {
            for (std::size_t second = first + 1; second < token.size(); ++second) {
                for (int a = 0; a < 16; ++a) {
                    if (a == DigitValue(token[first])) continue;
                    for (int b = 0; b < 16; ++b) {
                        if (b == DigitValue(token[second])) continue;
                        const std::string damaged = WithDigit(WithDigit(token, first, a), second, b);
                        ASSERT_FALSE(DecipherToken(damaged, name).has_value()) << damaged;
                    }
                }
            }
        }
    }
}
