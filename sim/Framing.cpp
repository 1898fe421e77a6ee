#include "sim/Framing.h"

namespace sim {
namespace {

ByteString Cut(const ByteString& body) {
    if (body.size() <= kMaxBodyLength) return body;
    return ByteString(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(kMaxBodyLength));
}

}  // namespace

ByteString FrameRequest(const ByteString& command) { return frame::BuildRequest(Cut(command), 0); }

ByteString FrameReply(const ByteString& payload) { return frame::BuildReply(Cut(payload)); }

void SpoilChecksum(ByteString& bytes) {
    // The low checksum byte; requests and replies end alike.
    if (bytes.size() < 3) return;
    const std::int32_t checksumAt = frame::kReply.ChecksumAt(static_cast<std::int32_t>(bytes.size()));
    bytes[static_cast<std::size_t>(checksumAt) + 1] ^= 0x5A;
}

}  // namespace sim
