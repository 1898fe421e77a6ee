#include "harness/HostPort.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "reader_link/CrcUnit.h"

namespace harness {

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
    ByteString frame = Read(12, timeout);
    if (frame.size() < 12) return frame;
    const ByteString rest = Read(std::size_t{frame[10]} + 19 - 6 - 12, timeout);
    frame.insert(frame.end(), rest.begin(), rest.end());
    return frame;
}

ByteString RequestFrame(const ByteString& command) {
    ByteString body = {0x00, 0x00, 0xFF, 0xFF};
    body.insert(body.end(), command.begin(), command.end());
    const std::uint16_t crc = Crc16Frame(body.data(), static_cast<std::int32_t>(body.size()));
    ByteString frame = {0xFF, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0x00};
    const auto length = static_cast<std::uint8_t>(command.size() + 6);
    frame.push_back(length);
    frame.push_back(static_cast<std::uint8_t>(0xFF - length));
    frame.insert(frame.end(), body.begin(), body.end());
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    frame.push_back(static_cast<std::uint8_t>(crc));
    frame.push_back(0xFF);
    return frame;
}

std::optional<ByteString> ReplyPayload(const ByteString& frame) {
    const ByteString lead = {0xFF, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0x00};
    if (frame.size() < 19 || !std::equal(lead.begin(), lead.end(), frame.begin())) return std::nullopt;
    const std::uint8_t length = frame[10];
    if (frame[11] != static_cast<std::uint8_t>(0xFF - length) || frame.size() != std::size_t{length} + 13)
        return std::nullopt;
    const std::size_t checked = frame.size() - 12 - 3;
    const std::uint16_t crc = Crc16Frame(frame.data() + 12, static_cast<std::int32_t>(checked));
    if (frame[12 + checked] != (crc >> 8) || frame[13 + checked] != (crc & 0xFF) || frame.back() != 0xFF)
        return std::nullopt;
    return ByteString(frame.begin() + 16, frame.end() - 3);
}

}  // namespace harness
