// cardfmt_bench_idle: what waiting costs, in CPU time and wake-ups.
//
//   cardfmt_bench_idle link [--seconds S]   an open link with no transaction in flight
//   cardfmt_bench_idle watch [--seconds S]  the card watcher polling an empty reader
//   cardfmt_bench_idle gui PROGRAM [--seconds S]
//                                           cardfmt-gui idle with the port closed
//
// The simulated reader (pacing on) runs in a process of its own, so for link and
// watch getrusage(RUSAGE_SELF) of this process is the link's own cost (its main
// thread only sleeps). The window program runs as a child with QT_QPA_PLATFORM=offscreen
// in a fresh installation folder; its CPU time over the window is read from
// /proc/PID/task/*/schedstat (the run time getrusage adds up, in nanoseconds) and its
// whole-life rusage is taken with wait4 when it has been ended.
#include <signal.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "bench/BenchDesk.h"
#include "bench/BenchSupport.h"
#include "bench/SimChild.h"
#include "card_init/AutoFindCard.h"
#include "harness/ChildProcess.h"
#include "harness/TempConfigHome.h"

namespace {

using namespace std::chrono;

struct Window {
    double cpuS = 0;
    long wakeups = 0;
    double seconds = 0;
};

template <typename Sample>
Window Measure(double seconds, Sample sample) {
    const auto before = sample();
    const auto start = steady_clock::now();
    std::this_thread::sleep_for(duration<double>(seconds));
    const auto after = sample();
    Window w;
    w.seconds = duration<double>(steady_clock::now() - start).count();
    w.cpuS = after.seconds - before.seconds;
    w.wakeups = after.voluntarySwitches - before.voluntarySwitches;
    return w;
}

void Report(const std::string& measure, const Window& w, double targetPercent, const std::string& note = "") {
    const double percent = 100.0 * w.cpuS / w.seconds;
    std::fprintf(stderr,
                 "%s: %.3f ms CPU in %.2f s = %.4f %% of one core; %ld voluntary context switches (%.1f /s)%s\n",
                 measure.c_str(), w.cpuS * 1e3, w.seconds, percent, w.wakeups, w.wakeups / w.seconds, note.c_str());
    bench::Row(measure,
               bench::Fixed(percent, 4) + " % (" + bench::Fixed(w.cpuS * 1e3, 2) + " ms in " +
                   bench::Fixed(w.seconds, 1) + " s; " + bench::Fixed(w.wakeups / w.seconds, 1) + " wake-ups/s)",
               "<= " + bench::Fixed(targetPercent, 1) + " %", bench::YesNo(percent <= targetPercent));
}

int Link(double seconds, bool watch) {
    bench::SimChild::Options options;
    options.pace = true;
    bench::SimChild reader(options);

    TCommClass comm;
    if (!comm.Connect(reader.SlavePath())) {
        std::fprintf(stderr, "cannot open %s: %s\n", reader.SlavePath().c_str(), comm.LastOpenError().c_str());
        return 1;
    }
    if (!watch) {
        // One transaction first: the link must go back to costing nothing after it.
        if (!comm.ProbeReader()) {
            std::fprintf(stderr, "the simulated reader does not answer\n");
            return 1;
        }
        std::this_thread::sleep_for(milliseconds(200));
        Report("idle CPU, open link, no transaction", Measure(seconds, bench::SelfCpu), 0.1);
    } else {
        TAutoFindCardThrd watcher(&comm);
        watcher.Start();
        std::this_thread::sleep_for(milliseconds(500));
        const std::uint64_t polledBefore = reader.Exchanges();
        const Window w = Measure(seconds, bench::SelfCpu);
        const std::uint64_t polls = reader.Exchanges() - polledBefore;
        watcher.Stop();
        char note[160];
        std::snprintf(note, sizeof note, "; %llu polls (%.1f /s), %.1f us CPU a poll",
                      static_cast<unsigned long long>(polls), static_cast<double>(polls) / w.seconds,
                      polls ? w.cpuS * 1e6 / static_cast<double>(polls) : 0.0);
        Report("idle CPU, watcher polling an empty reader", w, 1.0, note);
        bench::Row("watcher polls per second (empty reader, paced)",
                   bench::Fixed(static_cast<double>(polls) / w.seconds, 2), "report", "n/a");
    }
    comm.Disconnect();
    return 0;
}

int Gui(const std::string& programArg, double windowS) {
    char* resolved = realpath(programArg.c_str(), nullptr);
    if (!resolved) {
        std::fprintf(stderr, "no program %s\n", programArg.c_str());
        return 1;
    }
    const std::string program = resolved;
    std::free(resolved);
    bench::InstallFolder install("cardfmt-bench-gui");
    harness::TempConfigHome config;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);

    harness::ChildProcess gui(
        {program}, {harness::Stream::Inherited(), harness::Stream::Inherited(), harness::Stream::Inherited()});
    if (!gui.Running()) {
        std::fprintf(stderr, "cannot start %s\n", program.c_str());
        return 1;
    }
    const pid_t pid = gui.Pid();
    // Let it start up and settle: wait until a whole second passes without CPU time.
    const auto settleLimit = steady_clock::now() + std::chrono::seconds(10);
    double last = bench::ProcessCpu(pid).seconds;
    while (steady_clock::now() < settleLimit) {
        std::this_thread::sleep_for(milliseconds(1000));
        const double now = bench::ProcessCpu(pid).seconds;
        if (now < 0) break;
        if (now - last < 0.002) break;
        last = now;
    }
    const Window w = Measure(windowS, [pid] { return bench::ProcessCpu(pid); });
    gui.Signal(SIGTERM);
    rusage usage{};
    gui.WaitForExit(&usage);
    const double life = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    char note[200];
    std::snprintf(note, sizeof note, "; whole life (start-up included, wait4): %.1f ms CPU, peak RSS %ld KiB",
                  life * 1e3, usage.ru_maxrss);
    if (w.cpuS < 0 || w.seconds <= 0) {
        std::fprintf(stderr, "the window program ended early\n");
        return 1;
    }
    Report("idle CPU, cardfmt-gui with the port closed", w, 0.2, note);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    signal(SIGPIPE, SIG_IGN);
    if (argc < 2) {
        std::fprintf(stderr, "usage: cardfmt_bench_idle link|watch|gui PROGRAM [--seconds S]\n");
        return 2;
    }
    const bench::CommandLine line(argc, argv, {"--seconds"});
    const std::string mode = line.Words().empty() ? "" : line.Words().front();
    const std::string program = line.Words().size() > 1 ? line.Words().back() : "";
    const double seconds = line.Number("--seconds", 10);
    if (mode == "link") return Link(seconds, false);
    if (mode == "watch") return Link(seconds, true);
    if (mode == "gui" && !program.empty()) return Gui(program, seconds);
    std::fprintf(stderr, "usage: cardfmt_bench_idle link|watch|gui PROGRAM [--seconds S]\n");
    return 2;
}
