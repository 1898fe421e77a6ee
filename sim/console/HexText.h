// Hexadecimal text as typed on the simulator's control input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "reader_link/ByteString.h"

namespace sim {

// 1..8 hexadecimal digits, any case.
std::optional<std::uint32_t> ParseSerial(const std::string& text);
// Exactly `count` bytes as 2*count hexadecimal digits, no separators.
std::optional<ByteString> ParseHexBytes(const std::string& text, std::size_t count);
// Upper-case digits, no separators.
std::string HexText(const std::uint8_t* data, std::size_t count);
// Eight upper-case digits, most significant first.
std::string SerialText(std::uint32_t serial);

}  // namespace sim
