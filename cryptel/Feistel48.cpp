#include "cryptel/Feistel48.h"

#include "cryptel/SecureWipe.h"

namespace cryptel {

namespace {

using Half = std::uint32_t;  // 24 bits used

Half RoundFunction(AesBlockCipher& aes, int round, Half half) {
    SecretBytes<kAesBlockSize> block;
    block.bytes[0] = static_cast<std::uint8_t>(BlockDomain::FeistelRound);
    block.bytes[1] = static_cast<std::uint8_t>(round);
    block.bytes[2] = static_cast<std::uint8_t>(half >> 16);
    block.bytes[3] = static_cast<std::uint8_t>(half >> 8);
    block.bytes[4] = static_cast<std::uint8_t>(half);
    aes.EncryptBlocks(block.bytes.data(), 1);
    return (Half{block.bytes[0]} << 16) | (Half{block.bytes[1]} << 8) | block.bytes[2];
}

Half ReadHalf(const Block48& b, int at) { return (Half{b[at]} << 16) | (Half{b[at + 1]} << 8) | b[at + 2]; }

Block48 Join(Half left, Half right) {
    return {static_cast<std::uint8_t>(left >> 16), static_cast<std::uint8_t>(left >> 8),
            static_cast<std::uint8_t>(left),       static_cast<std::uint8_t>(right >> 16),
            static_cast<std::uint8_t>(right >> 8), static_cast<std::uint8_t>(right)};
}

}  // namespace

Block48 FeistelEncipher(AesBlockCipher& aes, const Block48& plain) {
    Half left = ReadHalf(plain, 0);
    Half right = ReadHalf(plain, 3);
    for (int round = 0; round < kFeistelRounds; ++round) {
        const Half next = left ^ RoundFunction(aes, round, right);
        left = right;
        right = next;
    }
    return Join(left, right);
}

Block48 FeistelDecipher(AesBlockCipher& aes, const Block48& enciphered) {
    Half left = ReadHalf(enciphered, 0);
    Half right = ReadHalf(enciphered, 3);
    for (int round = kFeistelRounds - 1; round >= 0; --round) {
        const Half previous = right ^ RoundFunction(aes, round, left);
        right = left;
        left = previous;
    }
    return Join(left, right);
}

}  // namespace cryptel
