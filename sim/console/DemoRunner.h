// Presents fresh cards one after another, the way an operator feeds a
// formatter: each card stays until the reader signals success (mode 3) plus a
// short moment, or until the operator gives up on it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "sim/SimReader.h"

namespace sim {

struct DemoTiming {
    std::chrono::milliseconds maxOnReader{5000};  // counted from placing the card
    std::chrono::milliseconds afterSuccess{300};  // after signal mode 3 for it
    std::chrono::milliseconds gap{500};           // empty reader between cards
};

inline constexpr std::uint8_t kSuccessSignalMode = 3;

class DemoRunner {
public:
    // Starts at once. `log` (may be empty) gets one line per card placed or removed.
    DemoRunner(SimReader& reader, int cards, DemoTiming timing = {}, std::function<void(const std::string&)> log = {});
    // Stops early if still running; the reader keeps whatever card is on it.
    ~DemoRunner();
    DemoRunner(const DemoRunner&) = delete;
    DemoRunner& operator=(const DemoRunner&) = delete;

    // Waits until the last card has been taken away; false on time-out.
    bool WaitFinished(std::chrono::milliseconds timeout);

private:
    void Run(int cards);
    void Present(std::uint32_t serial);
    std::uint32_t NewSerial();
    // Sleeps until `deadline` or until `until()` holds; false when stopping.
    bool Wait(Clock::time_point deadline, const std::function<bool()>& until);
    void OnSignal(const SignalRecord& signal);

    SimReader& reader_;
    const DemoTiming timing_;
    std::function<void(const std::string&)> log_;

    std::mutex mutex_;
    std::condition_variable changed_;
    bool stop_ = false;
    bool finished_ = false;
    std::uint32_t current_ = 0;
    bool succeeded_ = false;
    std::thread thread_;
};

}  // namespace sim
