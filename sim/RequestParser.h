// Turns the raw byte stream from the host into request commands.
//
// Pure and self-contained so it can be fed arbitrary chunks (and fuzzed): no I/O,
// no clocks. Garbage is skipped until the sync run FF, nine A5, 00; a candidate
// frame whose complement, checksum or terminator is wrong is dropped silently and
// the search resumes one byte after its start, so a good frame hidden behind a
// broken one is still found. A frame cut short on the line would hold back the
// frames after it until enough bytes came to fill its claimed length; the owner
// reports a quiet line with LineIdle() to give up on it, as a reader's receive
// time-out would. The buffer never holds more than kMaxBuffered bytes, whatever
// is fed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "reader_link/ByteString.h"
#include "sim/Framing.h"

namespace sim {

class RequestParser {
public:
    struct Request {
        ByteString command;
        // Position of the frame's leading FF in the stream (bytes fed before it).
        std::uint64_t startOffset = 0;
        std::size_t frameLength = 0;
        std::uint16_t headerWord = 0;  // the frame's first two header bytes
    };

    static constexpr std::size_t kMaxFrame = kMaxBodyLength + kRequestOverhead;
    // Input is taken in slices of this size so one huge chunk cannot balloon the buffer.
    static constexpr std::size_t kSlice = 512;
    static constexpr std::size_t kMaxBuffered = kMaxFrame + kSlice;

    // The command bytes of every complete, valid frame finished by this chunk.
    std::vector<ByteString> Feed(const std::uint8_t* data, std::size_t count);
    std::vector<Request> FeedRequests(const std::uint8_t* data, std::size_t count);
    // The line went quiet: an unfinished frame never will be. Drops it and
    // returns whatever complete frames the bytes after its start still hold.
    std::vector<Request> LineIdle();

    // Stream position of the first byte still buffered.
    std::uint64_t BufferStartOffset() const { return consumed_; }
    std::size_t Buffered() const { return buffer_.size(); }
    // Candidate frames (sync seen) thrown away for a bad complement, length,
    // checksum or terminator.
    std::uint64_t RejectedFrames() const { return rejected_; }
    // Bytes skipped outside any frame, including those of rejected candidates.
    std::uint64_t SkippedBytes() const { return skipped_; }
    void Reset();

private:
    void Scan(std::vector<Request>& out);
    void Drop(std::size_t count, bool skipped);

    ByteString buffer_;
    std::uint64_t consumed_ = 0;
    std::uint64_t rejected_ = 0;
    std::uint64_t skipped_ = 0;
};

}  // namespace sim
