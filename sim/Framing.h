// The simulated reader's frames, in the sizes it counts in. The layout itself is
// the link's (reader_link/FrameLayout.h); the simulator cuts what would not fit.
#pragma once

#include <cstddef>
#include <cstdint>

#include "reader_link/ByteString.h"
#include "reader_link/FrameLayout.h"

namespace sim {

// Request and reply size minus the command or payload.
inline constexpr std::size_t kRequestOverhead = frame::kRequest.Overhead();
inline constexpr std::size_t kReplyOverhead = frame::kReply.Overhead();
inline constexpr std::size_t kMaxBodyLength = frame::kMaxBodySize;

// The request frame carrying `command` (1..kMaxBodyLength bytes; longer input is
// cut to kMaxBodyLength so the length byte cannot wrap).
ByteString FrameRequest(const ByteString& command);

// The reply frame carrying `payload` (0..kMaxBodyLength bytes, cut like above).
ByteString FrameReply(const ByteString& payload);

// Makes the checksum of a framed reply or request wrong, as line noise would.
void SpoilChecksum(ByteString& frame);

}  // namespace sim
