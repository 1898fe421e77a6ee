#include "reader_link/RequestTrace.h"

#include "reader_link/CommandCodes.h"
#include "reader_link/FrameLayout.h"
#include "reader_link/SectorTrailer.h"

namespace {

constexpr std::int32_t kCommandAt = frame::kRequest.BodyAt();
constexpr std::int32_t kParamsAt = kCommandAt + 2;  // first byte after code and block
// In a trailer write the parameters are key A, the access bytes, then key B.
constexpr std::int32_t kKeySize = static_cast<std::int32_t>(std::tuple_size_v<SectorKeyBytes>);
constexpr std::int32_t kKeyBAt = kKeySize + static_cast<std::int32_t>(kTrailerAccessBytes.size());

bool IsSecret(const ByteString& bytes, std::int32_t i) {
    const auto size = static_cast<std::int32_t>(bytes.size());
    if (size < kParamsAt + frame::kChecksumSize + 1) return false;
    const std::uint8_t code = bytes[kCommandAt];
    if (code != command::kAuthenticate && code != command::kWriteTrailer) return false;
    const std::int32_t checksum = frame::kRequest.ChecksumAt(size);
    if (i >= checksum && i < checksum + frame::kChecksumSize) return true;
    if (i < kParamsAt || i >= checksum) return false;
    if (code == command::kAuthenticate) return true;  // the whole rest is the key
    const std::int32_t k = i - kParamsAt;
    return k < kKeySize || k >= kKeyBAt;
}

}  // namespace

std::string RequestTraceLine(const ByteString& frame) {
    std::string line = kSendLabel;
    line.reserve(line.size() + frame.size() * 3);
    for (std::size_t i = 0; i < frame.size(); ++i) {
        if (i) line.push_back(',');
        if (IsSecret(frame, static_cast<std::int32_t>(i)))
            line += "**";
        else
            line += HexDump(&frame[i], 1);
    }
    return line;
}
