// Byte layout of the frames on the reader's serial line.
//
// Host to reader: FF, nine A5, 00, L, FF-L, a four-byte header, the command,
// checksum (high, low) over header and command, FF. The reader answers with the
// same layout but only eight A5 after the leading FF.
#pragma once

#include <cstddef>
#include <cstdint>

#include "reader_link/ByteString.h"

namespace sim {

// Leading bytes of a request, up to and including the 00 before the length.
inline constexpr std::size_t kRequestSyncLength = 11;
// FF, sync, L, FF-L, header (4), checksum (2), terminator: request size minus command.
inline constexpr std::size_t kRequestOverhead = 20;
inline constexpr std::size_t kReplyOverhead = 19;
// L is one byte and counts six bytes besides the command or payload.
inline constexpr std::size_t kMaxBodyLength = 255 - 6;

// The request frame carrying `command` (1..kMaxBodyLength bytes; longer input is
// cut to kMaxBodyLength so the length byte cannot wrap).
ByteString FrameRequest(const ByteString& command);

// The reply frame carrying `payload` (0..kMaxBodyLength bytes, cut like above).
ByteString FrameReply(const ByteString& payload);

// Makes the checksum of a framed reply or request wrong, as line noise would.
void SpoilChecksum(ByteString& frame);

}  // namespace sim
