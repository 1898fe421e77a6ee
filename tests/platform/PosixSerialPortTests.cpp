// The serial port on a pseudo-terminal: what the reader link relies on.
#include "platform/SerialPort.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

// The device side of a pseudo-terminal; the port opens its slave path.
class Pty {
public:
    Pty() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0) slave_ = ::ptsname(master_);
    }
    ~Pty() { CloseMaster(); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    const std::string& Slave() const { return slave_; }
    void Send(const std::vector<std::uint8_t>& bytes) {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Whatever arrives within `ms` milliseconds of quiet.
    std::vector<std::uint8_t> Receive(int ms = 500) {
        std::vector<std::uint8_t> out;
        pollfd pfd{master_, POLLIN, 0};
        while (::poll(&pfd, 1, ms) > 0) {
            std::uint8_t buf[256];
            ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0) break;
            out.insert(out.end(), buf, buf + n);
            ms = 100;
        }
        return out;
    }
    void CloseMaster() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    std::string slave_;
};

// Waits (bounded) until the port reports at least `count` queued bytes.
long WaitQueued(platform::SerialPort& port, long count) {
    long n = 0;
    for (int i = 0; i < 500 && (n = port.BytesWaiting()) < count && n >= 0; ++i) ::usleep(2000);
    return n;
}

}  // namespace

TEST(PosixSerialPort, OpensRaw9600EightNOneWithoutFlowControl) {
    Pty pty;
    ASSERT_FALSE(pty.Slave().empty());
    // Another program left the line slow, with parity, two stop bits and flow control.
    int fd = ::open(pty.Slave().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    termios before{};
    ASSERT_EQ(::tcgetattr(fd, &before), 0);
    before.c_cflag |= PARENB | CSTOPB | CRTSCTS;
    before.c_iflag |= IXON | IXOFF | ICRNL;
    before.c_lflag |= ICANON | ECHO;
    ::cfsetispeed(&before, B1200);
    ::cfsetospeed(&before, B1200);
    ASSERT_EQ(::tcsetattr(fd, TCSANOW, &before), 0);

    auto opened = platform::OpenSerialPort(pty.Slave());
    ASSERT_TRUE(opened.port) << opened.error;
    EXPECT_EQ(opened.device, pty.Slave());
    termios tio{};
    ASSERT_EQ(::tcgetattr(fd, &tio), 0);
    ::close(fd);
    EXPECT_EQ(::cfgetispeed(&tio), static_cast<speed_t>(B9600));
    EXPECT_EQ(::cfgetospeed(&tio), static_cast<speed_t>(B9600));
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP), 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
}

TEST(PosixSerialPort, IsExclusiveUntilClosed) {
    Pty pty;
    auto first = platform::OpenSerialPort(pty.Slave());
    ASSERT_TRUE(first.port) << first.error;
    auto second = platform::OpenSerialPort(pty.Slave());
    EXPECT_FALSE(second.port);
    EXPECT_EQ(second.error, "the port is in use by another program");
    EXPECT_EQ(second.failure, platform::OpenFailure::InUse) << "a held port is there, and no permission problem";
    first.port->Close();
    auto third = platform::OpenSerialPort(pty.Slave());
    EXPECT_TRUE(third.port) << third.error;
}

TEST(PosixSerialPort, MovesEveryByteValueUnchangedBothWays) {
    Pty pty;
    auto opened = platform::OpenSerialPort(pty.Slave());
    ASSERT_TRUE(opened.port) << opened.error;
    auto& port = *opened.port;
    std::vector<std::uint8_t> all(256);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<std::uint8_t>(i);  // XON, XOFF, CR, LF, ^C among them

    ASSERT_TRUE(port.Write(all.data(), all.size()));
    EXPECT_EQ(pty.Receive(), all);

    pty.Send(all);
    EXPECT_EQ(WaitQueued(port, 256), 256);
    std::vector<std::uint8_t> got(300);
    // Reads what is queued and never waits for more.
    EXPECT_EQ(port.Read(got.data(), 100), 100);
    EXPECT_EQ(port.BytesWaiting(), 156);
    EXPECT_EQ(port.Read(got.data() + 100, 200), 156);
    got.resize(256);
    EXPECT_EQ(got, all);
    EXPECT_EQ(port.Read(got.data(), 10), 0);
}

TEST(PosixSerialPort, PurgeDropsQueuedInputOnly) {
    Pty pty;
    auto opened = platform::OpenSerialPort(pty.Slave());
    ASSERT_TRUE(opened.port) << opened.error;
    pty.Send({1, 2, 3, 4});
    ASSERT_EQ(WaitQueued(*opened.port, 4), 4);
    opened.port->PurgeInput();
    EXPECT_EQ(opened.port->BytesWaiting(), 0);
    pty.Send({9});
    ASSERT_EQ(WaitQueued(*opened.port, 1), 1);
    std::uint8_t b = 0;
    EXPECT_EQ(opened.port->Read(&b, 1), 1);
    EXPECT_EQ(b, 9);
}

TEST(PosixSerialPort, EveryCallFailsAfterCloseOrWhenTheDeviceVanishes) {
    Pty pty;
    auto opened = platform::OpenSerialPort(pty.Slave());
    ASSERT_TRUE(opened.port) << opened.error;
    auto& port = *opened.port;
    port.Close();
    port.Close();  // idempotent
    std::uint8_t b = 0;
    EXPECT_EQ(port.BytesWaiting(), -1);
    EXPECT_EQ(port.Read(&b, 1), -1);
    EXPECT_FALSE(port.Write(&b, 1));

    Pty unplugged;
    auto other = platform::OpenSerialPort(unplugged.Slave());
    ASSERT_TRUE(other.port) << other.error;
    unplugged.CloseMaster();
    // A hung-up line: writing fails (bounded), reading reports failure or nothing.
    EXPECT_FALSE(other.port->Write(&b, 1));
    EXPECT_LE(other.port->Read(&b, 1), 0);
}

TEST(PosixSerialPort, NamesThatLeadNowhereGiveAReason) {
    auto missing = platform::OpenSerialPort("/dev/no-such-serial-device");
    EXPECT_FALSE(missing.port);
    EXPECT_EQ(missing.device, "/dev/no-such-serial-device");
    EXPECT_FALSE(missing.error.empty());
    EXPECT_EQ(missing.failure, platform::OpenFailure::NoDevice);

    auto notTty = platform::OpenSerialPort("/dev/null");
    EXPECT_FALSE(notTty.port);
    EXPECT_EQ(notTty.error, "not a serial device");
    EXPECT_EQ(notTty.failure, platform::OpenFailure::Other);

    auto unknown = platform::OpenSerialPort("printer");
    EXPECT_FALSE(unknown.port);
    EXPECT_TRUE(unknown.device.empty());
    EXPECT_FALSE(unknown.error.empty());
    EXPECT_EQ(unknown.failure, platform::OpenFailure::NoDevice);
}

// A device the user may not open (a serial port of the group dialout, for a user
// outside it) is told apart from a missing one. The open runs in a child process
// that, when the test runs as root, first becomes an unprivileged user, since root
// may open any device.
TEST(PosixSerialPort, DeviceThatRefusesAccessIsReportedAsSuch) {
    Pty pty;
    ASSERT_FALSE(pty.Slave().empty());
    ASSERT_EQ(::chmod(pty.Slave().c_str(), 0), 0);
    int result[2];
    ASSERT_EQ(::pipe(result), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(result[0]);
        constexpr uid_t kNobody = 65534;
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(3);
        auto opened = platform::OpenSerialPort(pty.Slave());
        const char kind = opened.port                                             ? 'o'
                          : opened.failure == platform::OpenFailure::AccessDenied ? 'd'
                          : opened.failure == platform::OpenFailure::NoDevice     ? 'n'
                                                                                  : 'x';
        [[maybe_unused]] ssize_t n = ::write(result[1], &kind, 1);
        ::_exit(0);
    }
    ::close(result[1]);
    char kind = 0;
    const ssize_t n = ::read(result[0], &kind, 1);
    ::close(result[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0) << "could not drop root's privileges";
    ASSERT_EQ(n, 1);
    EXPECT_EQ(kind, 'd') << "o: opened, n: no device, x: other failure";
}

// The receive worker sleeps here between steps: it must wake for bytes and for
// InterruptWait, and otherwise only when its time-out runs out.
TEST(PosixSerialPort, WaitReadableWakesForBytesInterruptOrTimeOut) {
    using namespace std::chrono;
    Pty pty;
    auto opened = platform::OpenSerialPort(pty.Slave());
    ASSERT_TRUE(opened.port) << opened.error;
    auto& port = *opened.port;

    auto start = steady_clock::now();
    port.WaitReadable(60);
    EXPECT_GE(steady_clock::now() - start, milliseconds(55)) << "nothing came: the time-out ran out";

    std::thread sender([&] {
        std::this_thread::sleep_for(milliseconds(80));
        pty.Send({0x42});
    });
    start = steady_clock::now();
    port.WaitReadable(-1);
    const auto waited = steady_clock::now() - start;
    sender.join();
    EXPECT_GE(waited, milliseconds(60));
    EXPECT_LT(waited, seconds(10));
    EXPECT_EQ(WaitQueued(port, 1), 1);
    port.WaitReadable(-1);  // bytes already queued: at once
    std::uint8_t b = 0;
    ASSERT_EQ(port.Read(&b, 1), 1);

    // An interrupt before the wait is kept for it; one during the wait ends it.
    port.InterruptWait();
    start = steady_clock::now();
    port.WaitReadable(10000);
    EXPECT_LT(steady_clock::now() - start, seconds(5));
    std::thread interrupter([&] {
        std::this_thread::sleep_for(milliseconds(50));
        port.InterruptWait();
    });
    start = steady_clock::now();
    port.WaitReadable(-1);
    interrupter.join();
    EXPECT_LT(steady_clock::now() - start, seconds(10));
    EXPECT_EQ(port.BytesWaiting(), 0) << "an interrupt is not a byte";
}

TEST(PosixSerialPort, WaitReadableNeverReturnsAtOnceOnAHungUpOrClosedLine) {
    using namespace std::chrono;
    Pty unplugged;
    auto opened = platform::OpenSerialPort(unplugged.Slave());
    ASSERT_TRUE(opened.port) << opened.error;
    unplugged.CloseMaster();
    // A caller that steps and waits in a loop must not spin on a dead line.
    auto start = steady_clock::now();
    for (int i = 0; i < 20; ++i) opened.port->WaitReadable(-1);
    EXPECT_GE(steady_clock::now() - start, milliseconds(15));
    opened.port->Close();
    start = steady_clock::now();
    for (int i = 0; i < 20; ++i) opened.port->WaitReadable(-1);
    EXPECT_GE(steady_clock::now() - start, milliseconds(15));
    opened.port->InterruptWait();  // harmless after Close
}
