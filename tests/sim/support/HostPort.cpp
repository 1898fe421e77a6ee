#include "tests/sim/support/HostPort.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "reader_link/FrameLayout.h"

namespace simtest {

HostPort::HostPort(const std::string& path) {
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) lastError_ = errno;
}

HostPort::~HostPort() { Close(); }

void HostPort::Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
}

bool HostPort::Write(const ByteString& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN) {
                pollfd p{fd_, POLLOUT, 0};
                poll(&p, 1, 100);
                continue;
            }
            lastError_ = errno;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

ByteString HostPort::Read(std::size_t count, std::chrono::milliseconds timeout) {
    ByteString got;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::uint8_t buffer[512];
    while (got.size() < count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        const ssize_t n = read(fd_, buffer, std::min(sizeof buffer, count - got.size()));
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (n <= 0) {
            lastError_ = n < 0 ? errno : 0;
            break;
        }
        got.insert(got.end(), buffer, buffer + n);
    }
    return got;
}

ByteString HostPort::ReadReplyFrame(std::chrono::milliseconds timeout) {
    // Up to the length byte and its complement first; the length byte tells the rest.
    constexpr auto kHead = static_cast<std::size_t>(frame::kReply.HeaderAt());
    ByteString bytes = Read(kHead, timeout);
    if (bytes.size() < kHead) return bytes;
    const auto size = static_cast<std::size_t>(frame::kReply.SizeForLength(bytes[frame::kReply.LengthAt()]));
    const ByteString rest = Read(size - kHead, timeout);
    bytes.insert(bytes.end(), rest.begin(), rest.end());
    return bytes;
}

ByteString RequestFrame(const ByteString& command) { return frame::BuildRequest(command, 0); }

std::optional<ByteString> ReplyPayload(const ByteString& bytes) {
    const auto size = static_cast<std::int32_t>(bytes.size());
    if (size < frame::kReply.Overhead() || frame::JudgeReply(bytes.data(), size) != frame::ReplyVerdict::Good)
        return std::nullopt;
    if (size != frame::kReply.SizeForLength(bytes[frame::kReply.LengthAt()])) return std::nullopt;
    return ByteString(bytes.begin() + frame::kReply.BodyAt(), bytes.begin() + frame::kReply.ChecksumAt(size));
}

}  // namespace simtest
