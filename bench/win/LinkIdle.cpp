// cardfmt_bench_link_idle: a Windows link that is open and idle, for counting its
// wake-ups from outside (scripts/bench --windows reads the threads' context switches
// under wine). Connects, runs one probe so the receive worker has served a
// transaction, prints "idle" and which short-wait method the port uses, then holds the
// link open for the given seconds with nothing in flight.
//
//   cardfmt_bench_link_idle PORT SECONDS
#include "platform/win32/ShortWait.h"
#include "reader_link/CommObjClas.h"

#include <cstdio>
#include <cstdlib>

namespace {

const char* MethodName(platform::win32::ShortWait::Method method) {
    switch (method) {
        case platform::win32::ShortWait::Method::HighResolutionTimer: return "high-resolution waitable timer";
        case platform::win32::ShortWait::Method::FineTicks: return "timeBeginPeriod(1) while in flight";
        case platform::win32::ShortWait::Method::PlainTicks: return "system ticks";
    }
    return "?";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: cardfmt_bench_link_idle PORT SECONDS\n");
        return 2;
    }
    const long seconds = std::atol(argv[2]);
    TCommClass comm;
    if (!comm.Connect(argv[1])) {
        std::fprintf(stderr, "cannot open %s: %s\n", argv[1], comm.LastOpenError().c_str());
        return 1;
    }
    if (!comm.ProbeReader()) {
        std::fprintf(stderr, "the reader on %s did not answer\n", argv[1]);
        return 1;
    }
    const platform::win32::ShortWait wait;
    std::printf("idle; short waits: %s\n", MethodName(wait.Used()));
    std::fflush(stdout);
    ::Sleep(static_cast<DWORD>(seconds * 1000));
    comm.Disconnect();
    return 0;
}
