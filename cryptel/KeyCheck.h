// The check value of a set of sector keys: eight hexadecimal digits that tell
// whether a key library deciphers the built-in tokens into the keys the program
// was built with, made at build time and compared at run time.
//
// It gives next to nothing away: 32 bits of a slow salted hash (PBKDF2 over
// HMAC-SHA-256) of all the keys together. The tokens built in beside it already
// say more to anyone holding the cipher. A library that deciphers into other keys
// passes by chance about once in four thousand million.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace cryptel {

// The check value of `keys` (in sector order) under `keyName`, upper-case.
// Throws std::runtime_error when libgcrypt fails.
std::string KeyCheckValue(const std::string& keyName, const std::vector<std::array<std::uint8_t, 6>>& keys);

}  // namespace cryptel
