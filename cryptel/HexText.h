// Hexadecimal text as typed by installers: either letter case is accepted,
// upper case is written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cryptel {

// Value 0..15 of one hexadecimal digit, or nothing for any other character.
// Independent of the C locale, unlike std::isxdigit.
std::optional<std::uint8_t> HexDigitValue(char c);

char UpperHexDigit(std::uint8_t nibble);

std::string BytesToHex(const std::uint8_t* data, std::size_t count);

// Nothing unless `text` is an even number of hexadecimal digits and nothing else.
std::optional<std::vector<std::uint8_t>> HexToBytes(std::string_view text);

}  // namespace cryptel
