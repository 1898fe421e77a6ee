#include "sim/PacedWriter.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace sim {
namespace {

// A client that reads nothing for this long is treated like a real UART would
// treat it: further bytes are simply lost.
constexpr int kStallLimitMs = 2000;

}  // namespace

bool PacedWriter::WaitUntil(Clock::time_point deadline) {
    for (;;) {
        if (stop_.load()) return false;
        const auto now = Clock::now();
        if (now >= deadline) return true;
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - now);
        const timespec timeout{static_cast<time_t>(left.count() / 1'000'000'000),
                               static_cast<long>(left.count() % 1'000'000'000)};
        pollfd fd{wake_.Fd(), POLLIN, 0};
        if (ppoll(&fd, 1, &timeout, nullptr) > 0) wake_.Drain();
    }
}

bool PacedWriter::WaitWritable() {
    pollfd fds[2] = {{fd_, POLLOUT, 0}, {wake_.Fd(), POLLIN, 0}};
    const int r = poll(fds, 2, kStallLimitMs);
    if (r <= 0) return r < 0 && errno == EINTR;
    if (fds[1].revents) wake_.Drain();
    return !stop_.load() && !(fds[0].revents & (POLLERR | POLLNVAL));
}

bool PacedWriter::WriteSome(const std::uint8_t* data, std::size_t count, const FinalWrite& beforeEachWrite) {
    std::size_t done = 0;
    while (done < count) {
        if (beforeEachWrite) beforeEachWrite(Clock::now());
        const ssize_t n = write(fd_, data + done, count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            if (!WaitWritable()) return false;
        } else {
            return false;
        }
    }
    return true;
}

std::optional<Clock::time_point> PacedWriter::Write(const ByteString& bytes,
                                                    std::optional<Clock::time_point> pacedStart,
                                                    const FinalWrite& beforeFinalWrite) {
    // Every write of an unpaced block may be the one that completes it.
    if (!pacedStart) {
        if (!WriteSome(bytes.data(), bytes.size(), beforeFinalWrite)) return std::nullopt;
        return Clock::now();
    }
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (!WaitUntil(*pacedStart + WireTime(i + 1))) return std::nullopt;
        if (!WriteSome(&bytes[i], 1, i + 1 == bytes.size() ? beforeFinalWrite : FinalWrite{})) return std::nullopt;
    }
    return Clock::now();
}

}  // namespace sim
