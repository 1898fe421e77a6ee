#include <gtest/gtest.h>

#include <set>

#include "cryptel/CheckNibblePermutations.h"

namespace {

cryptel::CheckNibblePermutations For(const std::string& name) {
    cryptel::CipherKey key;
    cryptel::DeriveCipherKey(name, key);
    cryptel::AesBlockCipher aes(key);
    return cryptel::MakeCheckNibblePermutations(aes);
}

}  // namespace

// Anything but a permutation would let two different check symbols show as
// the same digit, and a changed digit could slip through.
TEST(CheckNibblePermutations, EachIsAPermutationOfSixteenValues) {
    for (int i = 0; i < 50; ++i) {
        const auto permutations = For("name-" + std::to_string(i));
        for (const auto& permutation : permutations) {
            const std::set<int> values(permutation.begin(), permutation.end());
            EXPECT_EQ(values.size(), 16u);
            EXPECT_EQ(*values.rbegin(), 15);
        }
    }
}

TEST(CheckNibblePermutations, DependOnTheNameAndThePosition) {
    std::set<std::array<std::uint8_t, 16>> distinct;
    int samePositions = 0;
    for (int i = 0; i < 50; ++i) {
        const auto permutations = For("name-" + std::to_string(i));
        distinct.insert(permutations[0]);
        distinct.insert(permutations[1]);
        if (permutations[0] == permutations[1]) ++samePositions;
    }
    // 100 random permutations of 16 values repeat with odds near 1e-10.
    EXPECT_EQ(distinct.size(), 100u);
    EXPECT_EQ(samePositions, 0);
}
