// cardfmt_bench_memory: peak resident memory of `cardfmt watch` after formatting
// N cards (default 100) on the simulated reader, and after one card for comparison,
// so that growth per card would show.
//
//   cardfmt_bench_memory PROGRAM [--cards N]
//
// The reader runs in a process of its own and lays the next fresh card as soon as the
// last one got signal mode 3. The peak is the child's ru_maxrss from wait4 (VmHWM).
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "bench/BenchDesk.h"
#include "bench/BenchSupport.h"
#include "harness/ChildProcess.h"

namespace {

struct WatchRun {
    bool ok = false;
    long peakKiB = 0;
    int okLines = 0;
    double seconds = 0;
    double cpuS = 0;
};

WatchRun RunWatch(const std::string& program, int cards) {
    WatchRun result;
    bench::SimChild::Options options;
    options.pace = false;
    options.freshCards = cards;
    options.linkAs = "com3";
    bench::SimChild reader(options);

    harness::TempFolder out("cardfmt-bench-watch");
    const std::string outFile = out.Path() + "/out.txt";
    const auto start = std::chrono::steady_clock::now();
    harness::ChildProcess watch(
        {program, "watch", "--port", "com3", "--cards", std::to_string(cards)},
        {harness::Stream::Inherited(), harness::Stream::ToFile(outFile), harness::Stream::Inherited()});
    if (!watch.Running()) {
        std::fprintf(stderr, "cannot start %s\n", program.c_str());
        return result;
    }
    rusage usage{};
    const int status = watch.WaitForExit(&usage).value_or(-1);
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.peakKiB = usage.ru_maxrss;
    result.cpuS = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                  static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::ifstream lines(outFile);
    std::string line;
    while (std::getline(lines, line))
        if (line.size() > 3 && line.compare(line.size() - 3, 3, " ok") == 0) ++result.okLines;
    result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && result.okLines == cards;
    if (!result.ok)
        std::fprintf(stderr, "cardfmt watch --cards %d: exit status %d, %d cards ok\n", cards,
                     WIFEXITED(status) ? WEXITSTATUS(status) : -1, result.okLines);
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    signal(SIGPIPE, SIG_IGN);
    const bench::CommandLine line(argc, argv, {"--cards"});
    const std::string program = line.Words().empty() ? "" : line.Words().back();
    const int cards = static_cast<int>(line.Number("--cards", 100));
    if (program.empty() || cards < 1) {
        std::fprintf(stderr, "usage: cardfmt_bench_memory PROGRAM [--cards N]\n");
        return 2;
    }
    harness::PortTable ports;
    ports.Free(3);

    const WatchRun one = RunWatch(program, 1);
    const WatchRun many = RunWatch(program, cards);
    std::fprintf(stderr,
                 "cardfmt watch: peak RSS %ld KiB after 1 card, %ld KiB after %d cards (%.1f s, %.1f ms CPU, %.2f ms "
                 "CPU a card)\n",
                 one.peakKiB, many.peakKiB, cards, many.seconds, many.cpuS * 1e3, many.cpuS * 1e3 / cards);
    bench::Row("peak RSS, cardfmt watch after " + std::to_string(cards) + " cards",
               std::to_string(many.peakKiB) + " KiB (1 card: " + std::to_string(one.peakKiB) + " KiB)", "report",
               many.ok && one.ok ? "n/a" : "no");
    bench::Row("CPU a card, cardfmt watch (unpaced reader, start-up included)",
               bench::Fixed(many.cpuS * 1e3 / cards, 2) + " ms", "report", "n/a");
    return many.ok && one.ok ? 0 : 1;
}
