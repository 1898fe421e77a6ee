#include <gtest/gtest.h>

#include <random>
#include <set>

#include "cryptel/ParityNibbles.h"

using cryptel::DataNibbles;
using cryptel::Gf16Multiply;
using cryptel::ParityNibbles;

namespace {

DataNibbles RandomData(std::mt19937& rng) {
    std::uniform_int_distribution<int> nibble(0, 15);
    DataNibbles data{};
    for (auto& d : data) d = static_cast<std::uint8_t>(nibble(rng));
    return data;
}

}  // namespace

TEST(Gf16, TwoGeneratesAllFifteenNonZeroElements) {
    std::set<int> seen;
    std::uint8_t power = 1;
    for (int i = 0; i < 15; ++i) {
        seen.insert(power);
        power = Gf16Multiply(power, 2);
    }
    EXPECT_EQ(seen.size(), 15u);
    EXPECT_EQ(seen.count(0), 0u);
    EXPECT_EQ(power, 1);
}

TEST(Gf16, MultiplicationCommutesAndDistributesOverXor) {
    for (int a = 0; a < 16; ++a) {
        for (int b = 0; b < 16; ++b) {
            EXPECT_EQ(Gf16Multiply(a, b), Gf16Multiply(b, a));
            for (int c = 0; c < 16; ++c) {
                EXPECT_EQ(Gf16Multiply(a, b ^ c), Gf16Multiply(a, b) ^ Gf16Multiply(a, c));
            }
        }
    }
}

// The distance of the code, checked on the check symbols alone: one changed
// data digit must change both of them, two changed data digits at least one.
TEST(ParityNibbles, OneChangedDataDigitChangesBothCheckDigits) {
    std::mt19937 rng(53);
    for (int word = 0; word < 20; ++word) {
        const DataNibbles data = RandomData(rng);
        const auto parity = ParityNibbles(data);
        for (std::size_t i = 0; i < data.size(); ++i) {
            for (int delta = 1; delta < 16; ++delta) {
                DataNibbles changed = data;
                changed[i] ^= static_cast<std::uint8_t>(delta);
                const auto other = ParityNibbles(changed);
                EXPECT_NE(other[0], parity[0]);
                EXPECT_NE(other[1], parity[1]);
            }
        }
    }
}

TEST(ParityNibbles, TwoChangedDataDigitsChangeACheckDigit) {
    std::mt19937 rng(59);
    for (int word = 0; word < 3; ++word) {
        const DataNibbles data = RandomData(rng);
        const auto parity = ParityNibbles(data);
        for (std::size_t i = 0; i < data.size(); ++i) {
            for (std::size_t j = i + 1; j < data.size(); ++j) {
                for (int di = 1; di < 16; ++di) {
                    for (int dj = 1; dj < 16; ++dj) {
                        DataNibbles changed = data;
                        changed[i] ^= static_cast<std::uint8_t>(di);
                        changed[j] ^= static_cast<std::uint8_t>(dj);
                        ASSERT_NE(ParityNibbles(changed), parity) << i << ' ' << j;
                    }
                }
            }
        }
    }
}

TEST(ParityNibbles, ResultsAreNibbles) {
    std::mt19937 rng(61);
    for (int word = 0; word < 200; ++word) {
        const auto parity = ParityNibbles(RandomData(rng));
        EXPECT_LT(parity[0], 16);
        EXPECT_LT(parity[1], 16);
    }
}
