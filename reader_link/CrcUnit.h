// The frame checksum of the reader protocol. Pure: callable from any thread, raises
// nothing.
#pragma once

#include <cstdint>

// Remainder of the polynomial division of the first `count` bytes of `data` by
// x^16 + x^12 + x^5 + 1 (0x1021), most significant bit first, with the register
// seeded by the first two bytes, no appended zero bits and no final XOR. For two
// bytes it is those bytes read as a big-endian word. Needs count >= 2; returns 0
// for shorter input.
std::uint16_t Crc16Frame(const std::uint8_t* data, std::int32_t count);
