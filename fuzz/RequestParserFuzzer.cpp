// The simulated reader's request parser (sim::RequestParser) on arbitrary byte
// streams in arbitrary chunkings. The input's first byte k (mod 16) is followed by
// k chunk sizes (1 + 3 * byte, used in turn; k = 0 feeds byte by byte); the rest is
// the stream. One parser takes the stream in one call, another chunk by chunk: both
// must find the same requests, each one a well-formed request frame found at the
// stream offset it reports, frames never overlapping, the buffer never over its
// limit. Then the line goes quiet on both (LineIdle) and the same holds again.
#include "fuzz/FuzzCheck.h"
#include "reader_link/CrcUnit.h"
#include "reader_link/FrameLayout.h"
#include "sim/RequestParser.h"

#include <algorithm>
#include <vector>

namespace {

using Requests = std::vector<sim::RequestParser::Request>;
constexpr frame::Shape kRequest = frame::kRequest;

void CheckState(const sim::RequestParser& parser, std::size_t fed) {
    FUZZ_CHECK(parser.Buffered() <= sim::RequestParser::kMaxBuffered);
    FUZZ_CHECK(parser.BufferStartOffset() + parser.Buffered() == fed);
}

// Every byte let go of was either skipped or in a request.
void CheckAccount(const sim::RequestParser& parser, const Requests& requests) {
    std::uint64_t inFrames = 0;
    for (const auto& r : requests) inFrames += r.frameLength;
    FUZZ_CHECK(parser.SkippedBytes() + inFrames == parser.BufferStartOffset());
}

// Every request must be the frame at its offset in `stream`, after the previous one.
void CheckRequests(const Requests& requests, const std::uint8_t* stream, std::size_t size) {
    std::uint64_t end = 0;
    for (const auto& r : requests) {
        FUZZ_CHECK(r.startOffset >= end);
        FUZZ_CHECK(r.frameLength > static_cast<std::size_t>(kRequest.Overhead()) &&
                   r.frameLength <= sim::RequestParser::kMaxFrame);
        FUZZ_CHECK(r.startOffset + r.frameLength <= size);
        const std::uint8_t* f = stream + r.startOffset;
        const std::size_t n = r.frameLength;
        FUZZ_CHECK(std::equal(frame::kRequestPreamble.begin(), frame::kRequestPreamble.end(), f));
        const std::uint8_t length = f[kRequest.LengthAt()];
        FUZZ_CHECK(std::size_t{length} == r.command.size() + frame::kLengthExtra &&
                   f[kRequest.ComplementAt()] == static_cast<std::uint8_t>(~length));
        FUZZ_CHECK(n == r.command.size() + kRequest.Overhead() && f[n - 1] == frame::kTerminator);
        FUZZ_CHECK(!r.command.empty() && std::equal(r.command.begin(), r.command.end(), f + kRequest.BodyAt()));
        // Under the checksum: the header and the command.
        const std::uint16_t crc =
            Crc16Frame(f + kRequest.HeaderAt(), static_cast<std::int32_t>(frame::kHeaderSize + r.command.size()));
        const std::uint8_t* stored = f + kRequest.ChecksumAt(static_cast<std::int32_t>(n));
        FUZZ_CHECK(stored[0] == crc >> 8 && stored[1] == (crc & 0xFF));
        end = r.startOffset + n;
    }
}

bool Same(const Requests& a, const Requests& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.command == y.command && x.startOffset == y.startOffset && x.frameLength == y.frameLength;
    });
}

void Append(Requests& to, Requests&& more) {
    to.insert(to.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    InputCursor in(data, size);
    std::vector<std::size_t> chunks;
    for (int k = in.Byte() % 16; k > 0; --k) chunks.push_back(1 + 3 * std::size_t{in.Byte()});
    if (chunks.empty()) chunks.push_back(1);
    std::size_t streamSize = 0;
    const std::uint8_t* stream = in.Take(in.Remaining(), streamSize);

    sim::RequestParser whole;
    Requests fromWhole = whole.FeedRequests(stream, streamSize);
    CheckState(whole, streamSize);

    sim::RequestParser pieces;
    Requests fromPieces = pieces.FeedRequests(stream, 0);
    FUZZ_CHECK(fromPieces.empty());
    std::size_t fed = 0;
    for (std::size_t i = 0; fed < streamSize; ++i) {
        const std::size_t n = std::min(chunks[i % chunks.size()], streamSize - fed);
        Append(fromPieces, pieces.FeedRequests(stream + fed, n));
        fed += n;
        CheckState(pieces, fed);
    }

    CheckRequests(fromWhole, stream, streamSize);
    CheckAccount(whole, fromWhole);
    FUZZ_CHECK(Same(fromWhole, fromPieces));
    FUZZ_CHECK(whole.Buffered() == pieces.Buffered());
    FUZZ_CHECK(whole.RejectedFrames() == pieces.RejectedFrames());
    FUZZ_CHECK(whole.SkippedBytes() == pieces.SkippedBytes());

    Append(fromWhole, whole.LineIdle());
    Append(fromPieces, pieces.LineIdle());
    FUZZ_CHECK(whole.Buffered() == 0 && pieces.Buffered() == 0);
    CheckRequests(fromWhole, stream, streamSize);
    CheckAccount(whole, fromWhole);
    FUZZ_CHECK(Same(fromWhole, fromPieces));
    return 0;
}
