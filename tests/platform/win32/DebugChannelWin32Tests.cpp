#include "platform/DebugChannel.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// A debug monitor as DebugView is one: it owns the DBWIN buffer and events, and
// collects what OutputDebugString writes there from this process.
class DebugMonitor {
public:
    DebugMonitor() {
        mapping_ = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, L"DBWIN_BUFFER");
        bufferReady_ = ::CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY");
        dataReady_ = ::CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY");
        if (mapping_) view_ = ::MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 4096);
        if (!view_ || !bufferReady_ || !dataReady_) return;
        worker_ = std::thread([this] { Run(); });
    }
    ~DebugMonitor() {
        stop_ = true;
        if (worker_.joinable()) worker_.join();
        if (view_) ::UnmapViewOfFile(view_);
        for (HANDLE h : {mapping_, bufferReady_, dataReady_})
            if (h) ::CloseHandle(h);
    }
    bool Ready() const { return worker_.joinable(); }

    // The lines this process sent, waiting up to `timeoutMs` for `count` of them.
    std::vector<std::string> Lines(std::size_t count, long timeoutMs) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return lines_.size() >= count; });
        return lines_;
    }

private:
    void Run() {
        ::SetEvent(bufferReady_);
        while (!stop_) {
            if (::WaitForSingleObject(dataReady_, 50) != WAIT_OBJECT_0) continue;
            const auto* base = static_cast<const char*>(view_);
            DWORD pid = 0;
            std::copy(base, base + sizeof pid, reinterpret_cast<char*>(&pid));
            const char* begin = base + sizeof pid;
            std::string text(begin, std::find(begin, base + 4096, '\0'));
            if (pid == ::GetCurrentProcessId()) {
                std::lock_guard lock(mutex_);
                lines_.push_back(std::move(text));
                changed_.notify_all();
            }
            ::SetEvent(bufferReady_);
        }
    }

    HANDLE mapping_ = nullptr;
    HANDLE bufferReady_ = nullptr;
    HANDLE dataReady_ = nullptr;
    void* view_ = nullptr;
    std::atomic<bool> stop_{false};
    std::thread worker_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> lines_;
};

}  // namespace

// Without --trace and without anybody listening, the channel stays silent and
// costs the callers nothing; a monitor that starts listening gets the lines in
// GBK, the code page the operators' monitors show.
TEST(DebugChannelWin32, MonitorGetsGbkLinesWithoutTrace) {
    if (::IsDebuggerPresent()) GTEST_SKIP() << "a debugger listens to this process";
    platform::EnableDebugChannel(false);
    EXPECT_FALSE(platform::DebugChannelActive());

    DebugMonitor monitor;
    ASSERT_TRUE(monitor.Ready());
    EXPECT_TRUE(platform::DebugChannelActive());
    platform::DebugOutput("发送指令：FF,A5,A5");
    platform::DebugOutput("接收指令：0A,00");
    const auto lines = monitor.Lines(2, 10000);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0],
              "\xB7\xA2\xCB\xCD\xD6\xB8\xC1\xEE\xA3\xBA"
              "FF,A5,A5");
    EXPECT_EQ(lines[1],
              "\xBD\xD3\xCA\xD5\xD6\xB8\xC1\xEE\xA3\xBA"
              "0A,00");
}

TEST(DebugChannelWin32, SinkStillGetsUtf8) {
    std::vector<std::string> seen;
    platform::SetDebugSink([&](const std::string& line) { seen.push_back(line); });
    platform::DebugOutput("发送指令：00");
    platform::SetDebugSink({});
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], "发送指令：00");
}
