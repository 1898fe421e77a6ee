// cardfmt_bench_memory: peak resident memory of `cardfmt watch` after formatting
// N cards (default 100) on the simulated reader, and after one card for comparison,
// so that growth per card would show.
//
//   cardfmt_bench_memory PROGRAM [--cards N]
//
// The reader runs in a process of its own and lays the next fresh card as soon as the
// last one got signal mode 3. The peak is the child's ru_maxrss from wait4 (VmHWM).
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "bench/BenchSupport.h"

extern char** environ;

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

    bench::TempFolder out("cardfmt-bench-watch");
    const std::string outFile = out.Path() + "/out.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::string count = std::to_string(cards);
    char* argv[] = {const_cast<char*>(program.c_str()),
                    const_cast<char*>("watch"),
                    const_cast<char*>("--port"),
                    const_cast<char*>("com3"),
                    const_cast<char*>("--cards"),
                    const_cast<char*>(count.c_str()),
                    nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        std::fprintf(stderr, "cannot start %s\n", program.c_str());
        return result;
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
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
    std::string program;
    int cards = 100;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--cards" && i + 1 < argc)
            cards = std::atoi(argv[++i]);
        else
            program = arg;
    }
    if (program.empty() || cards < 1) {
        std::fprintf(stderr, "usage: cardfmt_bench_memory PROGRAM [--cards N]\n");
        return 2;
    }
    bench::PortTable ports;
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
