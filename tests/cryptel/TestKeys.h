// Keys, names and tokens for the key library's tests.
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace cryptel_test {

using Key = std::array<std::uint8_t, 6>;

// A key drawn from `rng` without a 00 byte, as every real key is.
inline Key RandomKey(std::mt19937& rng) {
    std::uniform_int_distribution<int> byte(1, 255);
    Key key{};
    for (auto& b : key) b = static_cast<std::uint8_t>(byte(rng));
    return key;
}

// Key names of several shapes: the usual six characters, one character,
// long, with spaces, with bytes above 0x7F.
inline std::vector<std::string> SampleKeyNames() {
    return {"CFMT01", "A", "site-key-for-the-north-building-2024", "two words", "\xC3\xA9t\xC3\xA9", "cfmt01"};
}

// The six characters DecryptString gives back for `key`.
inline std::string KeyText(const Key& key) { return std::string(key.begin(), key.end()); }

// `token` with the digit at `position` replaced by the digit of value `value`.
inline std::string WithDigit(std::string token, std::size_t position, int value) {
    token[position] = "0123456789ABCDEF"[value];
    return token;
}

inline int DigitValue(char c) { return c <= '9' ? c - '0' : (c <= 'F' ? c - 'A' + 10 : c - 'a' + 10); }

}  // namespace cryptel_test
