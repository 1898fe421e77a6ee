// A keyed permutation of 48-bit values, so that six key bytes encipher to
// exactly six bytes and the token keeps its fixed length.
#pragma once

#include <array>
#include <cstdint>

#include "cryptel/AesBlockCipher.h"

namespace cryptel {

using Block48 = std::array<std::uint8_t, 6>;

// Balanced Feistel network over two 24-bit halves (bytes 0-2 and 3-5). The
// round function is AES-256 of (domain, round number, half) cut to 24 bits.
// Ten rounds leave a wide margin over the four that already make a strong
// pseudo-random permutation from a pseudo-random round function.
inline constexpr int kFeistelRounds = 10;

Block48 FeistelEncipher(AesBlockCipher& aes, const Block48& plain);
Block48 FeistelDecipher(AesBlockCipher& aes, const Block48& enciphered);

}  // namespace cryptel
