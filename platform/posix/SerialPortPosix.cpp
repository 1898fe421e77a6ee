#include "platform/SerialPort.h"
#include "platform/SerialPortCommon.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstring>

namespace platform {
namespace {

// A write that the device does not take within this time counts as failed,
// so a wedged adapter can never hold the caller forever.
constexpr int kWriteTimeoutMs = 2000;

class PosixSerialPort final : public SerialPort {
public:
    explicit PosixSerialPort(int fd) : fd_(fd) {
        // The self-pipe that InterruptWait writes to. Without one the port waits
        // the way every port can: by sleeping a millisecond at a time.
        if (::pipe2(wake_, O_NONBLOCK | O_CLOEXEC) != 0) wake_[0] = wake_[1] = -1;
    }
    ~PosixSerialPort() override {
        Close();
        for (int end : wake_)
            if (end >= 0) ::close(end);
    }

    long BytesWaiting() override {
        if (fd_ < 0) return -1;
        int queued = 0;
        if (::ioctl(fd_, FIONREAD, &queued) != 0) return -1;
        return queued;
    }

    void PurgeInput() override {
        if (fd_ >= 0) ::tcflush(fd_, TCIFLUSH);
    }

    long Read(std::uint8_t* buffer, std::size_t count) override {
        if (fd_ < 0) return -1;
        if (count == 0) return 0;
        for (;;) {
            ssize_t n = ::read(fd_, buffer, count);
            if (n >= 0) return static_cast<long>(n);
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
            return -1;
        }
    }

    bool Write(const std::uint8_t* data, std::size_t count) override {
        if (fd_ < 0) return false;
        std::size_t done = 0;
        while (done < count) {
            ssize_t n = ::write(fd_, data + done, count - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                pollfd pfd{fd_, POLLOUT, 0};
                int r = ::poll(&pfd, 1, kWriteTimeoutMs);
                if (r > 0 && !(pfd.revents & (POLLERR | POLLHUP | POLLNVAL))) continue;
                if (r < 0 && errno == EINTR) continue;
            }
            return false;
        }
        return true;
    }

    void Close() override {
        if (fd_ >= 0) {
            ::close(fd_);  // also releases the exclusive lock
            fd_ = -1;
        }
    }

    void WaitReadable(long timeoutMs) override {
        if (fd_ < 0 || wake_[0] < 0) return SerialPort::WaitReadable(timeoutMs);
        pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        const int limit = timeoutMs < 0 ? -1 : static_cast<int>(timeoutMs < INT_MAX ? timeoutMs : INT_MAX);
        const int ready = ::poll(fds, 2, limit);
        if (ready <= 0) return;  // time-out, or a signal: the caller steps and waits again
        if (fds[1].revents & POLLIN) {
            std::uint8_t drain[64];
            while (::read(wake_[0], drain, sizeof drain) > 0) {}
        }
        // A hung-up or failing device stays "ready" for poll, bytes or not: wait as a
        // port without the means to wait would, so the caller's loop cannot spin.
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) SerialPort::WaitReadable(timeoutMs);
    }

    void InterruptWait() override {
        if (wake_[1] < 0) return;
        const std::uint8_t one = 1;
        // A full pipe already holds a wake-up: nothing is lost when this write fails.
        [[maybe_unused]] ssize_t n = ::write(wake_[1], &one, 1);
    }

private:
    int fd_;
    int wake_[2] = {-1, -1};
};

std::string ErrnoText(int err) { return std::strerror(err); }

// What a failed open(2) of the device says about it. A dangling port-table entry
// (ENOENT) or an unplugged adapter's node (ENODEV, ENXIO) is no device at all.
OpenFailure OpenFailureOf(int err) {
    switch (err) {
        case ENOENT:
        case ENODEV:
        case ENXIO: return OpenFailure::NoDevice;
        case EACCES:
        case EPERM: return OpenFailure::AccessDenied;
        // A line another program set to exclusive use (TIOCEXCL) refuses every open.
        case EBUSY: return OpenFailure::InUse;
        default: return OpenFailure::Other;
    }
}

}  // namespace

OpenResult OpenSerialPort(const std::string& portName) {
    OpenResult result;
    if (!ResolveForOpen(portName, result)) return result;
    int fd = ::open(result.device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        int err = errno;
        result.error = ErrnoText(err);
        result.failure = OpenFailureOf(err);
        if (err == EACCES)
            result.error +=
                " (serial devices belong to the group 'dialout': sudo usermod -aG dialout $USER, then log in again)";
        return result;
    }
    // Exclusive use: an advisory lock that every instance of this tool takes, and
    // that goes away with the descriptor even when the process dies.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK) {
            result.error = "the port is in use by another program";
            result.failure = OpenFailure::InUse;
        } else {
            result.error = ErrnoText(err);
        }
        return result;
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        int err = errno;
        ::close(fd);
        result.error = err == ENOTTY ? kNotSerialDeviceText : ErrnoText(err);
        return result;
    }
    ::cfmakeraw(&tio);
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | ISTRIP);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        int err = errno;
        ::close(fd);
        result.error = kLineSettingsRefusedText + ErrnoText(err);
        return result;
    }
    result.port = std::make_unique<PosixSerialPort>(fd);
    return result;
}

}  // namespace platform
