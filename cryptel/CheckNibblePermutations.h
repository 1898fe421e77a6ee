// Ties the check digits to the key name without weakening them: each check
// symbol goes through a permutation of 0..15 chosen by the key name.
#pragma once

#include <array>
#include <cstdint>

#include "cryptel/AesBlockCipher.h"

namespace cryptel {

// [position][symbol] -> digit value; position 0 is digit 13, 1 is digit 14.
using CheckNibblePermutations = std::array<std::array<std::uint8_t, 16>, 2>;

// A permutation keeps two different symbols different, so the code keeps
// its distance under every key name. Mixing the name in this way, rather than
// XOR-ing a fixed tag, means a wrong name that happens to accept one token
// still rejects most others: acceptance depends on the token's own check
// symbols, not only on the pair of names.
// Each permutation ranks sixteen AES outputs, one per symbol value.
CheckNibblePermutations MakeCheckNibblePermutations(AesBlockCipher& aes);

}  // namespace cryptel
