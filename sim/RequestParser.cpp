#include "sim/RequestParser.h"

#include <algorithm>

#include "reader_link/FrameLayout.h"

namespace sim {
namespace {

constexpr auto& kSync = frame::kRequestPreamble;
constexpr std::size_t kSyncLength = kSync.size();
constexpr std::size_t kLengthAt = frame::kRequest.LengthAt();
constexpr std::size_t kComplementAt = frame::kRequest.ComplementAt();
constexpr std::size_t kHeaderAt = frame::kRequest.HeaderAt();
constexpr std::size_t kCommandAt = frame::kRequest.BodyAt();
constexpr std::size_t kMinLength = frame::kLengthExtra + 1;  // at least one command byte

// Where the sync run starts in `buffer`, or where a possible beginning of it
// hangs off the end (a partial match that more input may complete).
std::size_t FindSync(const ByteString& buffer, bool& complete) {
    const std::size_t size = buffer.size();
    for (std::size_t at = 0; at < size; ++at) {
        if (buffer[at] != kSync[0]) continue;
        const std::size_t available = std::min(kSyncLength, size - at);
        if (std::equal(kSync.begin(), kSync.begin() + available, buffer.begin() + static_cast<std::ptrdiff_t>(at))) {
            complete = available == kSyncLength;
            return at;
        }
    }
    complete = false;
    return size;
}

}  // namespace

std::vector<ByteString> RequestParser::Feed(const std::uint8_t* data, std::size_t count) {
    std::vector<ByteString> commands;
    for (Request& r : FeedRequests(data, count)) commands.push_back(std::move(r.command));
    return commands;
}

std::vector<RequestParser::Request> RequestParser::FeedRequests(const std::uint8_t* data, std::size_t count) {
    std::vector<Request> out;
    if (data == nullptr) return out;
    while (count > 0) {
        const std::size_t slice = std::min(count, kSlice);
        buffer_.insert(buffer_.end(), data, data + slice);
        data += slice;
        count -= slice;
        Scan(out);
    }
    return out;
}

std::vector<RequestParser::Request> RequestParser::LineIdle() {
    std::vector<Request> out;
    while (!buffer_.empty()) {
        bool complete = false;
        if (FindSync(buffer_, complete) == 0 && complete) ++rejected_;
        Drop(1, true);
        Scan(out);
    }
    return out;
}

void RequestParser::Reset() {
    consumed_ += buffer_.size();
    buffer_.clear();
}

void RequestParser::Drop(std::size_t count, bool skipped) {
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(count));
    consumed_ += count;
    if (skipped) skipped_ += count;
}

void RequestParser::Scan(std::vector<Request>& out) {
    for (;;) {
        bool complete = false;
        const std::size_t at = FindSync(buffer_, complete);
        Drop(at, true);
        if (!complete || buffer_.size() < kHeaderAt) return;

        const std::uint8_t length = buffer_[kLengthAt];
        if (buffer_[kComplementAt] != static_cast<std::uint8_t>(0xFF - length) || length < kMinLength) {
            ++rejected_;
            Drop(1, true);
            continue;
        }
        const std::int32_t total = frame::kRequest.SizeForLength(length);
        const auto size = static_cast<std::size_t>(total);
        if (buffer_.size() < size) return;

        if (!frame::ChecksumHolds(frame::kRequest, buffer_.data(), total) || buffer_[size - 1] != frame::kTerminator) {
            ++rejected_;
            Drop(1, true);
            continue;
        }
        Request request;
        request.command.assign(buffer_.begin() + kCommandAt, buffer_.begin() + frame::kRequest.ChecksumAt(total));
        request.startOffset = consumed_;
        request.frameLength = size;
        request.headerWord = static_cast<std::uint16_t>(buffer_[kHeaderAt] << 8 | buffer_[kHeaderAt + 1]);
        out.push_back(std::move(request));
        Drop(size, false);
    }
}

}  // namespace sim
