// Events in the manner of the Windows synchronisation objects: a manual-reset event
// stays signalled until Reset; an auto-reset event is consumed by the one wait that
// sees it signalled.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

class Event {
public:
    enum class Kind { ManualReset, AutoReset };

    explicit Event(Kind kind, bool initiallySignalled = false) : kind_(kind), signalled_(initiallySignalled) {}
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();

    // Waits until the event is signalled or `timeoutMs` milliseconds have passed
    // on the monotonic clock. A negative timeout waits without limit.
    // Returns true when the event was signalled (and consumes it if auto-reset).
    bool Wait(long timeoutMs);

    // Waits until the event is signalled or the monotonic clock reaches `deadline`.
    bool WaitUntil(std::chrono::steady_clock::time_point deadline);

    bool IsSet() const;

private:
    bool TakeLocked();

    const Kind kind_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_;
};

}  // namespace platform
