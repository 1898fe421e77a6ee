#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "TestKeys.h"
#include "cryptel/Feistel48.h"

using cryptel::Block48;

namespace {

struct KeyedAes {
    cryptel::CipherKey key;
    std::unique_ptr<cryptel::AesBlockCipher> aes;
    explicit KeyedAes(const std::string& name) {
        cryptel::DeriveCipherKey(name, key);
        aes = std::make_unique<cryptel::AesBlockCipher>(key);
    }
};

}  // namespace

TEST(Feistel48, DecipherUndoesEncipherForAnyBlock) {
    KeyedAes k("CFMT01");
    std::mt19937 rng(43);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int i = 0; i < 500; ++i) {
        Block48 block{};
        for (auto& b : block) b = static_cast<std::uint8_t>(byte(rng));
        EXPECT_EQ(cryptel::FeistelDecipher(*k.aes, cryptel::FeistelEncipher(*k.aes, block)), block);
        EXPECT_EQ(cryptel::FeistelEncipher(*k.aes, cryptel::FeistelDecipher(*k.aes, block)), block);
    }
}

// Two keys must never share a token: no two of 65536 blocks differing only in
// their last two bytes may collide.
TEST(Feistel48, DistinctBlocksStayDistinct) {
    KeyedAes k("CFMT01");
    std::set<Block48> seen;
    for (int i = 0; i < 65536; ++i) {
        const Block48 block{0x5A, 0xA5, 0x3C, 0xC3, static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)};
        EXPECT_TRUE(seen.insert(cryptel::FeistelEncipher(*k.aes, block)).second) << i;
    }
}

TEST(Feistel48, DifferentNamesGiveDifferentPermutations) {
    KeyedAes a("CFMT01");
    KeyedAes b("CFMT02");
    std::mt19937 rng(47);
    int equal = 0;
    for (int i = 0; i < 100; ++i) {
        const Block48 block = cryptel_test::RandomKey(rng);
        if (cryptel::FeistelEncipher(*a.aes, block) == cryptel::FeistelEncipher(*b.aes, block)) {
            ++equal;
        }
    }
    EXPECT_EQ(equal, 0);
}
