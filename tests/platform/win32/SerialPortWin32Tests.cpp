#include "platform/SerialPort.h"
#include "platform/win32/SerialPortWin32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <utility>

namespace {

std::string TempFolder() {
    char folder[MAX_PATH];
    return ::GetTempPathA(MAX_PATH, folder) ? folder : "";
}

// The port scan counts a port whose device is missing as absent, and one that
// another program holds as present (and not as one this user may not open).
// Wine lets a second handle open a serial device, so a file held with share mode 0
// stands for the port another program holds: CreateFile refuses both alike.
TEST(SerialPortWin32, OpenFailuresAreToldApart) {
    char held[MAX_PATH];
    ASSERT_TRUE(::GetTempFileNameA(TempFolder().c_str(), "cfm", 0, held));
    const HANDLE holder = ::CreateFileA(held, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    const struct {
        std::string name;
        std::string device;
        platform::OpenFailure failure;
        const char* says;
    } rows[] = {
        {"com250", "\\\\.\\COM250", platform::OpenFailure::NoDevice, "(error "},
        {TempFolder() + "cardfmt-no-such-folder\\COM1", TempFolder() + "cardfmt-no-such-folder\\COM1",
         platform::OpenFailure::NoDevice, "(error "},
        {held, held, platform::OpenFailure::InUse, "in use"},
    };
    for (const auto& row : rows) {
        const platform::OpenResult result = platform::OpenSerialPort(row.name);
        EXPECT_EQ(result.port, nullptr) << row.name;
        EXPECT_EQ(result.device, row.device);
        EXPECT_EQ(result.failure, row.failure) << row.name << ": " << result.error;
        EXPECT_NE(result.error.find(row.says), std::string::npos) << row.name << ": " << result.error;
    }
    ::CloseHandle(holder);
    ::DeleteFileA(held);
}

TEST(SerialPortWin32, UnknownNameOpensNothing) {
    const platform::OpenResult result = platform::OpenSerialPort("printer");
    EXPECT_EQ(result.port, nullptr);
    EXPECT_EQ(result.device, "");
    EXPECT_FALSE(result.error.empty());
}

// A file is no serial device: the open must fail on the line settings, not hand
// out a port that the link would then poll forever.
TEST(SerialPortWin32, PlainFileIsNoSerialDevice) {
    char file[MAX_PATH];
    ASSERT_TRUE(::GetTempFileNameA(TempFolder().c_str(), "cfm", 0, file));
    const platform::OpenResult result = platform::OpenSerialPort(file);
    EXPECT_EQ(result.port, nullptr);
    EXPECT_EQ(result.device, file);
    EXPECT_NE(result.error.find("not a serial device"), std::string::npos) << result.error;
    ::DeleteFileA(file);
}

// What drivers report, and what other programs leave behind. Wine neither refuses
// equal XON and XOFF characters nor shows the modem lines of a pseudo-terminal, so
// the settings are checked as they go to the driver.
TEST(SerialPortWin32, LineSettingsRaiseDtrAndRtsAndKeepXonApartFromXoff) {
    const struct {
        const char* what;
        DWORD dtr, rts;
        char xon, xoff;
    } rows[] = {
        {"a driver reporting both characters as 0", DTR_CONTROL_ENABLE, RTS_CONTROL_ENABLE, 0, 0},
        {"both characters 0x13", DTR_CONTROL_ENABLE, RTS_CONTROL_ENABLE, 0x13, 0x13},
        {"lines left low", DTR_CONTROL_DISABLE, RTS_CONTROL_DISABLE, 0x11, 0x13},
        {"RTS left toggling", DTR_CONTROL_DISABLE, RTS_CONTROL_TOGGLE, 0x11, 0x13},
    };
    for (const auto& row : rows) {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        dcb.fDtrControl = row.dtr;
        dcb.fRtsControl = row.rts;
        dcb.XonChar = row.xon;
        dcb.XoffChar = row.xoff;
        platform::win32::ApplyLineSettings(dcb);
        EXPECT_EQ(dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_ENABLE)) << row.what;
        EXPECT_EQ(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_ENABLE)) << row.what;
        EXPECT_NE(dcb.XonChar, dcb.XoffChar) << row.what;
    }
}

// A port over the client end of a named pipe: a device that takes what is written
// only while its other end reads (and ignores the serial time-outs), and that answers
// no status query, as a driver does whose device went away.
class PipePort : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string name = "\\\\.\\pipe\\cardfmt-port-" + std::to_string(::GetCurrentProcessId());
        server_ = ::CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                     PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 0, 0, 0, nullptr);
        ASSERT_NE(server_, INVALID_HANDLE_VALUE);
        const HANDLE client = ::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                            FILE_FLAG_OVERLAPPED, nullptr);
        ASSERT_NE(client, INVALID_HANDLE_VALUE);
        port_ = platform::win32::AdoptSerialHandle(client);
        ASSERT_NE(port_, nullptr);
    }
    void TearDown() override {
        if (port_) port_->Close();
        if (server_ != INVALID_HANDLE_VALUE) ::CloseHandle(server_);
    }

    HANDLE server_ = INVALID_HANDLE_VALUE;
    std::unique_ptr<platform::SerialPort> port_;
    const std::uint8_t frame_[22] = {0xFF, 0xA5, 0xA5, 0xA5};
};

// The link takes a failed write for a lost port, closes it and reports so.
TEST_F(PipePort, WriteThatNeverCompletesIsCut) {
    using Clock = std::chrono::steady_clock;
    std::atomic<int> outcome{-1};
    Clock::duration took{};
    std::thread writer([&] {
        const auto start = Clock::now();
        outcome.store(port_->Write(frame_, sizeof frame_) ? 1 : 0);
        took = Clock::now() - start;
    });
    const auto limit = std::chrono::milliseconds(platform::win32::WriteWaitLimitMs(sizeof frame_) + 5000);
    const auto deadline = Clock::now() + limit;
    while (outcome.load() < 0 && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const bool cut = outcome.load() >= 0;
    // The other end goes away: that ends a write the port did not give up.
    if (!cut) ::CloseHandle(std::exchange(server_, INVALID_HANDLE_VALUE));
    writer.join();
    ASSERT_TRUE(cut) << "the write was still waiting after " << limit.count() << " ms";
    EXPECT_EQ(outcome.load(), 0) << "a write nobody took counted as done";
    EXPECT_GE(took, std::chrono::milliseconds(2000)) << "cut before the driver's own time-out";
}

// The receive worker asks what is queued; when the driver cannot tell, the next write
// must fail, so that the link reports the port lost instead of waiting for replies
// that cannot be read.
TEST_F(PipePort, FailedStatusQueryLosesThePort) {
    // Whatever comes is taken at once: writes would succeed.
    std::uint8_t sink[256];
    OVERLAPPED taken{};
    taken.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(::ReadFile(server_, sink, sizeof sink, nullptr, &taken) || ::GetLastError() == ERROR_IO_PENDING);

    EXPECT_EQ(port_->BytesWaiting(), -1);
    EXPECT_FALSE(port_->Write(frame_, sizeof frame_)) << "a port whose driver cannot say what is queued took a request";

    ::CancelIoEx(server_, &taken);
    DWORD count = 0;
    ::GetOverlappedResult(server_, &taken, &count, TRUE);
    ::CloseHandle(taken.hEvent);
}

}  // namespace
