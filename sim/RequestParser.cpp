#include "sim/RequestParser.h"

#include <algorithm>

#include "reader_link/CrcUnit.h"

namespace sim {
namespace {

constexpr std::uint8_t kSync[kRequestSyncLength] = {0xFF, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0x00};
constexpr std::size_t kLengthAt = kRequestSyncLength;    // L
constexpr std::size_t kBodyAt = kRequestSyncLength + 2;  // header, then command
constexpr std::size_t kCommandAt = kBodyAt + 4;
constexpr std::size_t kMinLength = 7;  // at least one command byte

// Where the sync run starts in `buffer`, or where a possible beginning of it
// hangs off the end (a partial match that more input may complete).
std::size_t FindSync(const ByteString& buffer, bool& complete) {
    const std::size_t size = buffer.size();
    for (std::size_t at = 0; at < size; ++at) {
        if (buffer[at] != kSync[0]) continue;
        const std::size_t available = std::min(kRequestSyncLength, size - at);
        if (std::equal(kSync, kSync + available, buffer.begin() + static_cast<std::ptrdiff_t>(at))) {
            complete = available == kRequestSyncLength;
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
        if (!complete || buffer_.size() < kBodyAt) return;

        const std::uint8_t length = buffer_[kLengthAt];
        if (buffer_[kLengthAt + 1] != static_cast<std::uint8_t>(0xFF - length) || length < kMinLength) {
            ++rejected_;
            Drop(1, true);
            continue;
        }
        const std::size_t total = std::size_t{length} + 14;
        if (buffer_.size() < total) return;

        const std::size_t checked = std::size_t{length} - 2;  // header and command
        const std::uint16_t crc = Crc16Frame(buffer_.data() + kBodyAt, static_cast<std::int32_t>(checked));
        const std::uint16_t sent =
            static_cast<std::uint16_t>((buffer_[kBodyAt + checked] << 8) | buffer_[kBodyAt + checked + 1]);
        if (crc != sent || buffer_[total - 1] != 0xFF) {
            ++rejected_;
            Drop(1, true);
            continue;
        }
        Request request;
        request.command.assign(buffer_.begin() + kCommandAt,
                               buffer_.begin() + static_cast<std::ptrdiff_t>(kBodyAt + checked));
        request.startOffset = consumed_;
        request.frameLength = total;
        out.push_back(std::move(request));
        Drop(total, false);
    }
}

}  // namespace sim
