// The reader's command codes: the first byte of every request. Constants only:
// nothing here runs, raises or belongs to a thread.
#pragma once

#include <cstdint>

namespace command {

inline constexpr std::uint8_t kProbe = 0x01;
inline constexpr std::uint8_t kRequestCard = 0x30;
inline constexpr std::uint8_t kReadSerial = 0x31;
// Followed by the block and the sector key.
inline constexpr std::uint8_t kAuthenticate = 0x32;
// Followed by the trailer's block and its 16 bytes: key A, access bytes, key B.
inline constexpr std::uint8_t kWriteTrailer = 0x34;
inline constexpr std::uint8_t kSignal = 0x38;

}  // namespace command
