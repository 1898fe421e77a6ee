#include "platform/win32/ShortWait.h"

#include <string>

namespace platform::win32 {
namespace {

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

// A wait on the timer ends by the timer; this margin only guards against a timer
// that never fires, so the caller can never hang on it.
constexpr DWORD kTimerGuardMs = 50;
// The default system timer tick, rounded up.
constexpr long kTickMs = 16;

HANDLE CreateHighResolutionTimer() {
    using CreateWaitableTimerExWFn = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPCWSTR, DWORD, DWORD);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    if (!kernel) return nullptr;
    const auto create = reinterpret_cast<CreateWaitableTimerExWFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "CreateWaitableTimerExW")));
    if (!create) return nullptr;  // before Vista
    // Before Windows 10 1803 the flag is refused (ERROR_INVALID_PARAMETER).
    return create(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, SYNCHRONIZE | TIMER_MODIFY_STATE);
}

struct TickControl {
    using PeriodFn = UINT(WINAPI*)(UINT);
    PeriodFn begin = nullptr;
    PeriodFn end = nullptr;
};

// Loaded by full path: the programs run in the water-control software's folder, and
// a winmm.dll lying there must not be the one taken.
const TickControl& Ticks() {
    static const TickControl control = [] {
        TickControl c;
        wchar_t folder[MAX_PATH];
        const UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return c;
        const std::wstring path = std::wstring(folder, n) + L"\\winmm.dll";
        const HMODULE winmm = ::LoadLibraryW(path.c_str());  // kept for the life of the process
        if (!winmm) return c;
        c.begin = reinterpret_cast<TickControl::PeriodFn>(
            reinterpret_cast<void*>(::GetProcAddress(winmm, "timeBeginPeriod")));
        c.end =
            reinterpret_cast<TickControl::PeriodFn>(reinterpret_cast<void*>(::GetProcAddress(winmm, "timeEndPeriod")));
        if (!c.begin || !c.end) c = TickControl{};
        return c;
    }();
    return control;
}

int Index(DWORD result, DWORD count) {
    if (result >= WAIT_OBJECT_0 && result < WAIT_OBJECT_0 + count) return static_cast<int>(result - WAIT_OBJECT_0);
    return -1;
}

}  // namespace

ShortWait::ShortWait() : timer_(CreateHighResolutionTimer()) {}

ShortWait::~ShortWait() {
    SetFineTicks(false);
    if (timer_) ::CloseHandle(timer_);
}

ShortWait::Method ShortWait::Used() const {
    if (timer_) return Method::HighResolutionTimer;
    return Ticks().begin ? Method::FineTicks : Method::PlainTicks;
}

void ShortWait::SetFineTicks(bool on) {
    if (timer_ || on == fineTicks_) return;
    const TickControl& ticks = Ticks();
    if (!ticks.begin) return;
    if (on) {
        fineTicks_ = ticks.begin(1) == 0;  // TIMERR_NOERROR
    } else {
        ticks.end(1);
        fineTicks_ = false;
    }
}

int ShortWait::WaitAny(const HANDLE* handles, DWORD count, long timeoutMs) {
    if (count == 0 || count >= MAXIMUM_WAIT_OBJECTS) return -1;
    if (timeoutMs < 0) return Index(::WaitForMultipleObjects(count, handles, FALSE, INFINITE), count);
    // A wait of a tick or more may end a tick late without harm; only shorter ones
    // need the timer (each use costs calls into the system, and under wine trips to
    // its server).
    if (timeoutMs > 0 && timeoutMs < kTickMs && timer_) {
        LARGE_INTEGER due;
        due.QuadPart = -static_cast<LONGLONG>(timeoutMs) * 10000;  // relative, in 100 ns
        if (::SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE)) {
            HANDLE all[MAXIMUM_WAIT_OBJECTS];
            for (DWORD i = 0; i < count; ++i) all[i] = handles[i];
            all[count] = timer_;
            const DWORD result =
                ::WaitForMultipleObjects(count + 1, all, FALSE, static_cast<DWORD>(timeoutMs) + kTimerGuardMs);
            if (result != WAIT_OBJECT_0 + count) ::CancelWaitableTimer(timer_);  // a timer that fired is spent
            return Index(result, count);
        }
    }
    return Index(::WaitForMultipleObjects(count, handles, FALSE, static_cast<DWORD>(timeoutMs)), count);
}

}  // namespace platform::win32
