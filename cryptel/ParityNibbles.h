// The two check digits of a token: a Reed-Solomon code over GF(16), so each
// hexadecimal digit is one code symbol.
#pragma once

#include <array>
#include <cstdint>

namespace cryptel {

using DataNibbles = std::array<std::uint8_t, 12>;  // values 0..15, first digit first
using ParityPair = std::array<std::uint8_t, 2>;    // values 0..15, digit 13 then 14

// The systematic RS(14,12) check symbols of `data`: with them appended, the
// word's polynomial (first digit = highest power) vanishes at alpha and
// alpha^2, alpha being a root of x^4 + x + 1. The code's minimum distance is
// 3, the most two check symbols can give, so any change to one or two of the
// fourteen digits, including swapped neighbours, yields a word that fails.
ParityPair ParityNibbles(const DataNibbles& data);

// Product in GF(16) modulo x^4 + x + 1.
std::uint8_t Gf16Multiply(std::uint8_t a, std::uint8_t b);

}  // namespace cryptel
