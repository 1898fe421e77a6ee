#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Frames, commands and keys are strings of 8-bit bytes; 0x00 is an ordinary byte.
using ByteString = std::vector<std::uint8_t>;

// "FF,A5,00": two upper-case hexadecimal digits per byte, joined by commas. Pure:
// callable from any thread; raises nothing but std::bad_alloc.
std::string HexDump(const std::uint8_t* data, std::size_t count);
