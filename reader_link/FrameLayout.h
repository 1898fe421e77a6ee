// The frames on the reader's serial line, byte by byte: the one place that knows
// their layout. The link builds requests and judges replies with it, the receive
// worker cuts replies out of the byte stream with it, the simulated reader parses
// requests and builds replies with it.
//
// Host to reader (request), n command bytes, n + 20 bytes in all:
//   FF, nine A5, 00 | L | FF-L | header word (high, low), FF, FF | command | checksum (high, low) | FF
// Reader to host (reply), p payload bytes, p + 19 bytes in all:
//   FF, eight A5, 00 | L | FF-L | four header bytes | payload | checksum (high, low) | FF
//
// L counts the bytes from the header up to the checksum's low byte (n + 6, p + 6).
// The checksum (Crc16Frame) covers the header and the command or payload. A reply
// carries one A5 fewer than a request; a reply with nine is refused.
//
// Pure: callable from any thread; raises nothing but std::bad_alloc.
#pragma once

#include "reader_link/ByteString.h"

#include <array>
#include <cstdint>

namespace frame {

inline constexpr std::uint8_t kLead = 0xFF;        // first byte of every frame
inline constexpr std::uint8_t kSync = 0xA5;        // the run after it
inline constexpr std::uint8_t kSyncEnd = 0x00;     // ends the run; the length byte follows
inline constexpr std::uint8_t kTerminator = 0xFF;  // last byte of every frame

inline constexpr std::int32_t kHeaderSize = 4;
inline constexpr std::int32_t kChecksumSize = 2;
// What the length byte counts besides the command or payload: header and checksum.
inline constexpr std::int32_t kLengthExtra = kHeaderSize + kChecksumSize;
// The length byte is one byte: the most a frame can carry.
inline constexpr std::int32_t kMaxBodySize = 0xFF - kLengthExtra;

// Bytes from the length byte to the end of a frame whose length byte is `length`:
// the length byte, its complement, the counted bytes and the terminator.
constexpr std::int32_t SizeFromLengthByte(std::int32_t length) { return 2 + length + 1; }

// Where things lie in one kind of frame; requests and replies differ only in the
// number of A5 after the leading FF. Sizes and offsets are counts of bytes.
struct Shape {
    std::int32_t syncCount;

    constexpr std::int32_t PreambleSize() const { return 1 + syncCount + 1; }  // FF, the A5, 00
    constexpr std::int32_t LengthAt() const { return PreambleSize(); }
    constexpr std::int32_t ComplementAt() const { return LengthAt() + 1; }
    // The header, the first byte under the checksum.
    constexpr std::int32_t HeaderAt() const { return ComplementAt() + 1; }
    // The command of a request, the payload of a reply.
    constexpr std::int32_t BodyAt() const { return HeaderAt() + kHeaderSize; }
    // A frame's size less its command or payload.
    constexpr std::int32_t Overhead() const { return BodyAt() + kChecksumSize + 1; }

    // The size of a frame whose length byte is `length`.
    constexpr std::int32_t SizeForLength(std::int32_t length) const { return LengthAt() + SizeFromLengthByte(length); }
    // In a frame of `size` bytes: the checksum's high byte, the number of bytes under
    // the checksum, and the size of the command or payload (below 0: too short).
    constexpr std::int32_t ChecksumAt(std::int32_t size) const { return size - kChecksumSize - 1; }
    constexpr std::int32_t CheckedSize(std::int32_t size) const { return ChecksumAt(size) - HeaderAt(); }
    constexpr std::int32_t BodySize(std::int32_t size) const { return size - Overhead(); }
};

inline constexpr Shape kRequest{9};
inline constexpr Shape kReply{8};

inline constexpr std::array<std::uint8_t, 11> kRequestPreamble{0xFF, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5,
                                                               0xA5, 0xA5, 0xA5, 0xA5, 0x00};
inline constexpr std::array<std::uint8_t, 10> kReplyPreamble{0xFF, 0xA5, 0xA5, 0xA5, 0xA5,
                                                             0xA5, 0xA5, 0xA5, 0xA5, 0x00};
static_assert(kRequestPreamble.size() == kRequest.PreambleSize());
static_assert(kReplyPreamble.size() == kReply.PreambleSize());

// The request frame for `command` with `headerWord`. A command longer than
// kMaxBodySize does not fit: its length byte and checksum count wrap at 256.
ByteString BuildRequest(const ByteString& command, std::uint16_t headerWord);
// The reply frame for `payload` as the reader sends it (header 00 00 FF FF); the
// same limit as above.
ByteString BuildReply(const ByteString& payload);

// Whether a frame of `size` bytes carries the checksum of its header and body;
// `size` is at least HeaderAt() plus the checksum and terminator.
bool ChecksumHolds(const Shape& shape, const std::uint8_t* bytes, std::int32_t size);

// Judging one reply frame, as collected: the tests run in this order and the first
// that fails is the reason the reply is refused.
enum class ReplyVerdict {
    Good,
    TooShort,       // fewer than two bytes under the checksum
    BadPreamble,    // not FF, eight A5, 00 (a request's nine A5 included)
    BadTerminator,  // the last byte is not FF
    BadComplement,  // the byte after the length byte is not its complement
    BadChecksum,
};
// The shortest reply judged: two bytes under the checksum, so that it divides.
inline constexpr std::int32_t kMinJudgedReply = kReply.HeaderAt() + 2 + kChecksumSize + 1;

ReplyVerdict JudgeReply(const std::uint8_t* bytes, std::int32_t size);

// Cutting a reply out of the bytes collected from the line. Looser than the judge:
// the leading FF and at least kCollectSync A5 are needed, further A5 up to the 00
// are skipped, and the length byte says where the frame ends. The length byte is
// trusted only when its complement follows: a single flipped bit in it would
// otherwise hold the collection open for a frame of up to 258 bytes, and every
// good reply behind it would vanish into that frame.
enum class Cut {
    Incomplete,  // may still become a frame: wait for more bytes
    Noise,       // no reply starts at the first byte
    Complete,    // a frame ends at `end`
};
// One fewer than a reply carries: the judge insists on the exact count.
inline constexpr std::int32_t kCollectSync = kReply.syncCount - 1;
// Nothing is judged before more than a reply's preamble, length and complement came.
inline constexpr std::int32_t kCollectLeast = kReply.HeaderAt() + 1;

// Judges the bytes from the first on, as far as they go: a few bytes that could
// still begin a reply are Incomplete, whatever their number.
Cut CutReply(const std::uint8_t* bytes, std::int32_t count, std::int32_t& end);
// The first place at or after `from` where a reply may begin (CutReply is not
// Noise there), or `count` when there is none. Finds replies behind noise: a stray
// byte, an echoed request (nine A5 is not a reply, but its frame is cut and then
// refused), a frame with a flipped length.
std::int32_t FindReplyStart(const std::uint8_t* bytes, std::int32_t count, std::int32_t from);

}  // namespace frame
