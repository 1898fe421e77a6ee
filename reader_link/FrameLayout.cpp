#include "reader_link/FrameLayout.h"

#include "reader_link/CrcUnit.h"

#include <algorithm>

namespace frame {
namespace {

constexpr std::uint8_t kReplyHeader[kHeaderSize] = {0x00, 0x00, 0xFF, 0xFF};

// The frame is written in place, so no other copy of the body (which may carry a
// key) is left behind.
ByteString Wrap(const Shape& shape, const std::uint8_t (&header)[kHeaderSize], const ByteString& body) {
    ByteString out;
    out.reserve(static_cast<std::size_t>(shape.Overhead()) + body.size());
    out.push_back(kLead);
    out.insert(out.end(), static_cast<std::size_t>(shape.syncCount), kSync);
    out.push_back(kSyncEnd);
    const auto length = static_cast<std::uint8_t>((body.size() + kLengthExtra) % 256);
    out.push_back(length);
    out.push_back(static_cast<std::uint8_t>(~length));
    out.insert(out.end(), std::begin(header), std::end(header));
    out.insert(out.end(), body.begin(), body.end());
    const auto checked = static_cast<std::int32_t>((body.size() + kHeaderSize) % 256);
    const std::uint16_t crc = Crc16Frame(out.data() + shape.HeaderAt(), checked);
    out.push_back(static_cast<std::uint8_t>(crc >> 8));
    out.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    out.push_back(kTerminator);
    return out;
}

}  // namespace

ByteString BuildRequest(const ByteString& command, std::uint16_t headerWord) {
    const std::uint8_t header[kHeaderSize] = {static_cast<std::uint8_t>(headerWord >> 8),
                                              static_cast<std::uint8_t>(headerWord & 0xFF), 0xFF, 0xFF};
    return Wrap(kRequest, header, command);
}

ByteString BuildReply(const ByteString& payload) { return Wrap(kReply, kReplyHeader, payload); }

bool ChecksumHolds(const Shape& shape, const std::uint8_t* bytes, std::int32_t size) {
    const std::int32_t at = shape.ChecksumAt(size);
    const std::uint16_t computed = Crc16Frame(bytes + shape.HeaderAt(), shape.CheckedSize(size));
    const auto stored = static_cast<std::uint16_t>((bytes[at] << 8) | bytes[at + 1]);
    return computed == stored;
}

ReplyVerdict JudgeReply(const std::uint8_t* bytes, std::int32_t size) {
    if (size < kMinJudgedReply) return ReplyVerdict::TooShort;
    if (!std::equal(kReplyPreamble.begin(), kReplyPreamble.end(), bytes)) return ReplyVerdict::BadPreamble;
    if (bytes[size - 1] != kTerminator) return ReplyVerdict::BadTerminator;
    if (bytes[kReply.ComplementAt()] != static_cast<std::uint8_t>(~bytes[kReply.LengthAt()]))
        return ReplyVerdict::BadComplement;
    return ChecksumHolds(kReply, bytes, size) ? ReplyVerdict::Good : ReplyVerdict::BadChecksum;
}

Cut CutReply(const std::uint8_t* bytes, std::int32_t count, std::int32_t& end) {
    if (count <= 0) return Cut::Incomplete;
    if (bytes[0] != kLead) return Cut::Noise;
    std::int32_t i = 1;
    for (; i <= kCollectSync; ++i) {
        if (i >= count) return Cut::Incomplete;
        if (bytes[i] != kSync) return Cut::Noise;
    }
    while (i < count && bytes[i] == kSync) ++i;
    if (i >= count) return Cut::Incomplete;
    if (bytes[i] != kSyncEnd) return Cut::Noise;
    const std::int32_t lengthAt = i + 1;
    const std::int32_t complementAt = lengthAt + 1;
    if (complementAt >= count) return Cut::Incomplete;
    if (bytes[complementAt] != static_cast<std::uint8_t>(~bytes[lengthAt])) return Cut::Noise;
    end = lengthAt + SizeFromLengthByte(bytes[lengthAt]);
    if (end > count) return Cut::Incomplete;
    if (bytes[end - 1] != kTerminator) return Cut::Noise;
    return Cut::Complete;
}

std::int32_t FindReplyStart(const std::uint8_t* bytes, std::int32_t count, std::int32_t from) {
    for (std::int32_t at = from < 0 ? 0 : from; at < count; ++at) {
        if (bytes[at] != kLead) continue;
        std::int32_t end = 0;
        if (CutReply(bytes + at, count - at, end) != Cut::Noise) return at;
    }
    return count;
}

}  // namespace frame
