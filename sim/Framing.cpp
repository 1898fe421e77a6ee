#include "sim/Framing.h"

#include <algorithm>

#include "reader_link/CrcUnit.h"

namespace sim {
namespace {

constexpr std::uint8_t kHeader[4] = {0x00, 0x00, 0xFF, 0xFF};

ByteString Frame(const ByteString& body, std::size_t syncA5Count) {
    const std::size_t n = std::min(body.size(), kMaxBodyLength);
    const auto length = static_cast<std::uint8_t>(n + 6);
    ByteString frame;
    frame.reserve(n + syncA5Count + 11);
    frame.push_back(0xFF);
    frame.insert(frame.end(), syncA5Count, 0xA5);
    frame.push_back(0x00);
    frame.push_back(length);
    frame.push_back(static_cast<std::uint8_t>(0xFF - length));
    const std::size_t checked = frame.size();
    frame.insert(frame.end(), std::begin(kHeader), std::end(kHeader));
    frame.insert(frame.end(), body.begin(), body.begin() + static_cast<std::ptrdiff_t>(n));
    const std::uint16_t crc = Crc16Frame(frame.data() + checked, static_cast<std::int32_t>(frame.size() - checked));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(0xFF);
    return frame;
}

}  // namespace

ByteString FrameRequest(const ByteString& command) { return Frame(command, 9); }

ByteString FrameReply(const ByteString& payload) { return Frame(payload, 8); }

void SpoilChecksum(ByteString& frame) {
    // The low checksum byte sits just before the terminator.
    if (frame.size() >= 3) frame[frame.size() - 2] ^= 0x5A;
}

}  // namespace sim
