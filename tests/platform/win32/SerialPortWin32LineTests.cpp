// The Windows port on a real line: the simulated reader behind the COM port that
// CARDFMT_TEST_PORT names (scripts/test-windows sets it). Without it, under wine, the
// tests that need no reader run on a line where nothing ever comes: the master of a
// fresh pseudo-terminal whose other end nobody opens, which wine takes for a serial
// port. Elsewhere they skip.
#include "platform/SerialPort.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <future>
#include <vector>

namespace {

using namespace std::chrono_literals;

// The reader's probe request.
const std::vector<std::uint8_t> kProbe = {0xFF, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0x00,
                                          0x08, 0xF7, 0x00, 0x00, 0xFF, 0xFF, 0x01, 0x00, 0x1C, 0x0F, 0xFF};

bool UnderWine() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

class SerialPortWin32Line : public ::testing::Test {
protected:
    void SetUp() override {
        const char* name = std::getenv("CARDFMT_TEST_PORT");
        readerBehind_ = name && *name;
        if (!readerBehind_ && !UnderWine()) GTEST_SKIP() << "CARDFMT_TEST_PORT names no port with the simulated reader";
        platform::OpenResult opened = platform::OpenSerialPort(readerBehind_ ? name : "Z:\\dev\\ptmx");
        ASSERT_NE(opened.port, nullptr) << opened.error;
        port_ = std::move(opened.port);
    }
    void TearDown() override {
        if (!port_) return;
        // Leave the line as it was found: whatever the reader still says is dropped.
        for (int quiet = 0; quiet < 3;) {
            port_->WaitReadable(100);
            std::uint8_t buffer[256];
            quiet = port_->Read(buffer, sizeof buffer) > 0 ? 0 : quiet + 1;
        }
        port_->PurgeInput();
    }

    std::unique_ptr<platform::SerialPort> port_;
    bool readerBehind_ = false;
};

TEST_F(SerialPortWin32Line, UnlimitedWaitLastsUntilInterrupted) {
    auto waiting = std::async(std::launch::async, [this] { port_->WaitReadable(-1); });
    EXPECT_EQ(waiting.wait_for(300ms), std::future_status::timeout) << "the wait ended on a silent line";
    port_->InterruptWait();
    EXPECT_EQ(waiting.wait_for(5s), std::future_status::ready) << "InterruptWait did not end the wait";
    waiting.wait();
}

TEST_F(SerialPortWin32Line, InterruptBeforeTheWaitEndsTheNextWait) {
    port_->InterruptWait();
    auto waiting = std::async(std::launch::async, [this] { port_->WaitReadable(-1); });
    EXPECT_EQ(waiting.wait_for(5s), std::future_status::ready);
    if (waiting.wait_for(0s) != std::future_status::ready) port_->InterruptWait();
    waiting.wait();
}

TEST_F(SerialPortWin32Line, WaitEndsWhenTheReplyArrives) {
    if (!readerBehind_) GTEST_SKIP() << "no reader behind the line";
    auto waiting = std::async(std::launch::async, [this] { port_->WaitReadable(-1); });
    ASSERT_EQ(waiting.wait_for(100ms), std::future_status::timeout);
    ASSERT_TRUE(port_->Write(kProbe.data(), kProbe.size()));
    const bool ended = waiting.wait_for(5s) == std::future_status::ready;
    if (!ended) port_->InterruptWait();
    waiting.wait();
    ASSERT_TRUE(ended) << "no wake-up for the reply";
    EXPECT_GT(port_->BytesWaiting(), 0) << "woken without bytes";
    std::uint8_t first = 0;
    ASSERT_EQ(port_->Read(&first, 1), 1);
    EXPECT_EQ(first, 0xFF);
}

TEST_F(SerialPortWin32Line, ShortWaitEndsByItselfAndReadsTakeOnlyWhatIsQueued) {
    auto waiting = std::async(std::launch::async, [this] { port_->WaitReadable(1); });
    const bool ended = waiting.wait_for(5s) == std::future_status::ready;
    if (!ended) port_->InterruptWait();
    waiting.wait();
    EXPECT_TRUE(ended) << "a 1 ms wait did not end";
    std::uint8_t buffer[64];
    EXPECT_EQ(port_->Read(buffer, sizeof buffer), 0) << "a read on a silent line waited or invented bytes";
}

}  // namespace
