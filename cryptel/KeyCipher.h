// Six-byte sector keys carried as 14-digit hexadecimal tokens that decipher
// only under the right key name.
//
// Token layout, digit by digit:
//   1-12  the key enciphered by a 48-bit keyed permutation (Feistel48.h) under
//         an AES-256 key derived from the key name (KeyDerivation.h);
//   13-14 two Reed-Solomon check symbols over digits 1-12 (ParityNibbles.h),
//         each passed through a permutation chosen by the key name
//         (CheckNibblePermutations.h).
//
// What the two check digits buy, and no more: every change of one or two
// digits is detected; a wrong key name is taken for the right one about once
// in 256 tokens (slightly less, since a result with a 00 byte is refused too).
// Eight bits of redundancy is all a 14-digit token for a 6-byte key carries.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace cryptel {
inline constexpr std::size_t kTokenLength = 14;
}

// The token of `key` under `keyName`, in upper-case hexadecimal.
// Throws std::invalid_argument for a key with a 00 byte (the key travels
// through a zero-terminated text) or an empty key name, and
// std::runtime_error when libgcrypt fails.
std::string EncipherKey(const std::array<std::uint8_t, 6>& key, const std::string& keyName);

// The key in `token`, or nothing when the token is not 14 hexadecimal digits
// (either case), its check digits do not hold under `keyName`, the result
// would hold a 00 byte, or the name is empty.
// Throws std::runtime_error when libgcrypt fails.
std::optional<std::array<std::uint8_t, 6>> DecipherToken(const std::string& token, const std::string& keyName);
