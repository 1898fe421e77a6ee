// How long bytes take on the reader's line: 9600 baud, 8N1, so ten bit times
// per byte.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace sim {

using Clock = std::chrono::steady_clock;

inline constexpr std::int64_t kBaud = 9600;
inline constexpr std::int64_t kBitsPerByte = 10;

// Exact to the nanosecond for any count, so per-byte deadlines computed from one
// start point never drift.
constexpr std::chrono::nanoseconds WireTime(std::size_t bytes) {
    return std::chrono::nanoseconds(static_cast<std::int64_t>(bytes) * kBitsPerByte * 1'000'000'000 / kBaud);
}

}  // namespace sim
