// Short waits that do not depend on the system timer tick.
//
// Windows ends a timed wait on a tick of the system timer, every 15.6 ms unless some
// program asked for finer ticks. The reader link's quiet gap is 1 ms; waited on the
// default tick it would last up to 15.6 ms, and every reply would be late by that.
//
// Where the system has one (Windows 10 1803 and later), a high-resolution waitable
// timer ends the wait on time without touching the tick of the whole machine. It is
// reached through GetProcAddress and its creation flag is refused by older systems, so
// on Windows 7 to 10 1709 the fallback is timeBeginPeriod(1), raised only while a
// transaction is in flight (SetFineTicks) and lowered after it, because finer ticks cost
// power on the whole machine. winmm.dll is loaded from the system folder when the
// fallback is first needed, so the programs import nothing from it.
#pragma once

#include <windows.h>

namespace platform::win32 {

class ShortWait {
public:
    enum class Method { HighResolutionTimer, FineTicks, PlainTicks };

    ShortWait();
    ~ShortWait();
    ShortWait(const ShortWait&) = delete;
    ShortWait& operator=(const ShortWait&) = delete;

    // Waits until one of `count` handles (at most MAXIMUM_WAIT_OBJECTS - 1) is
    // signalled or `timeoutMs` have passed (negative: no limit). Returns the index of
    // the signalled handle, or -1 on time-out or failure.
    int WaitAny(const HANDLE* handles, DWORD count, long timeoutMs);

    // Asks for 1 ms ticks while `on` (only where no high-resolution timer exists);
    // balanced: a second call with the same value does nothing.
    void SetFineTicks(bool on);

    Method Used() const;

private:
    HANDLE timer_ = nullptr;  // the high-resolution timer, null where there is none
    bool fineTicks_ = false;
};

}  // namespace platform::win32
