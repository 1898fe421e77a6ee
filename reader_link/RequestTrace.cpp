#include "reader_link/RequestTrace.h"

#include "reader_link/CommandCodes.h"

namespace {

constexpr std::size_t kCommandOffset = 17;  // after preamble, length, complement and header

bool IsSecret(const ByteString& frame, std::size_t i) {
    const std::size_t end = frame.size();
    if (end < kCommandOffset + 2 + 3) return false;
    const std::uint8_t command = frame[kCommandOffset];
    const std::size_t checksum = end - 3;
    if (command != command::kAuthenticate && command != command::kWriteTrailer) return false;
    if (i >= checksum && i < end - 1) return true;
    const std::size_t param = kCommandOffset + 2;  // first byte after code and block
    if (i < param || i >= checksum) return false;
    if (command == command::kAuthenticate) return true;  // the whole rest is the key
    const std::size_t k = i - param;                     // 0..5 key A, 6..9 access, 10..15 key B
    return k < 6 || k >= 10;
}

}  // namespace

std::string RequestTraceLine(const ByteString& frame) {
    std::string line = kSendLabel;
    line.reserve(line.size() + frame.size() * 3);
    for (std::size_t i = 0; i < frame.size(); ++i) {
        if (i) line.push_back(',');
        if (IsSecret(frame, i))
            line += "**";
        else
            line += HexDump(&frame[i], 1);
    }
    return line;
}
