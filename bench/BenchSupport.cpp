#include "bench/BenchSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <stdexcept>

#include "platform/PortNames.h"
#include "sim/Framing.h"
#include "sim/SimReader.h"

namespace bench {
namespace fs = std::filesystem;

CpuSample SelfCpu() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    CpuSample sample;
    sample.seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    sample.voluntarySwitches = usage.ru_nvcsw;
    return sample;
}

CpuSample ProcessCpu(pid_t pid) {
    CpuSample sample;
    const fs::path tasks = fs::path("/proc") / std::to_string(pid) / "task";
    std::error_code ec;
    fs::directory_iterator it(tasks, ec);
    if (ec) {
        sample.seconds = -1;
        return sample;
    }
    for (const auto& task : it) {
        std::ifstream schedstat(task.path() / "schedstat");
        unsigned long long runNs = 0;
        if (schedstat >> runNs) sample.seconds += static_cast<double>(runNs) / 1e9;
        std::ifstream status(task.path() / "status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
                sample.voluntarySwitches += std::atol(line.c_str() + 24);
        }
    }
    return sample;
}

long SelfPeakRssKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::size_t RequestFrameBytes(const sim::Exchange& exchange) { return exchange.request.size() + sim::kRequestOverhead; }

std::size_t ReplyFrameBytes(const sim::Exchange& exchange) {
    return exchange.reply ? exchange.reply->size() + sim::kReplyOverhead : 0;
}

double WireSeconds(std::size_t bytes) { return std::chrono::duration<double>(sim::WireTime(bytes)).count(); }

// --- SimChild ------------------------------------------------------------------------

namespace {

void WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return;
        }
    }
}

// One line from a blocking descriptor, without the newline; "" at end of file.
std::string ReadLine(int fd) {
    std::string line;
    char c = 0;
    for (;;) {
        const ssize_t n = read(fd, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0 || c == '\n') return line;
        line.push_back(c);
    }
}

[[noreturn]] void ServeInChild(const SimChild::Options& options, int commands, int answers, int events) {
    int status = 0;
    {
        sim::SimReader reader(options.pace);
        if (!options.linkAs.empty() && !reader.LinkAs(options.linkAs)) status = 3;
        std::atomic<int> done{0};
        if (options.freshCards > 0) {
            reader.PlaceCard(sim::MifareCard(options.firstSerial));
            reader.SetSignalObserver([&](const sim::SignalRecord& signal) {
                if (signal.mode != 3) return;
                const int n = ++done;
                if (n < options.freshCards)
                    reader.PlaceCard(sim::MifareCard(options.firstSerial + static_cast<std::uint32_t>(n)));
                WriteAll(events, "card\n");
            });
        }
        WriteAll(answers, reader.SlavePath() + "\n");
        for (;;) {
            const std::string command = ReadLine(commands);
            if (command.empty()) break;
            if (command == "exchanges") WriteAll(answers, std::to_string(reader.Exchanges().size()) + "\n");
        }
        reader.SetSignalObserver({});
    }
    _exit(status);
}

}  // namespace

SimChild::SimChild(const Options& options) {
    int commands[2], answers[2], events[2];
    if (pipe2(commands, O_CLOEXEC) != 0 || pipe2(answers, O_CLOEXEC) != 0 || pipe2(events, O_CLOEXEC) != 0)
        throw std::runtime_error("no pipes");
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        close(commands[1]);
        close(answers[0]);
        close(events[0]);
        ServeInChild(options, commands[0], answers[1], events[1]);
    }
    close(commands[0]);
    close(answers[1]);
    close(events[1]);
    toChild_ = commands[1];
    fromChild_ = answers[0];
    events_ = events[0];
    fcntl(events_, F_SETFL, fcntl(events_, F_GETFL) | O_NONBLOCK);
    slavePath_ = ReadLine(fromChild_);
    if (slavePath_.empty()) throw std::runtime_error("the simulated reader did not start");
}

SimChild::~SimChild() {
    close(toChild_);  // end of its command stream: it stops
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {}
    close(fromChild_);
    close(events_);
}

std::string SimChild::Ask(const std::string& question) {
    WriteAll(toChild_, question + "\n");
    return ReadLine(fromChild_);
}

std::uint64_t SimChild::Exchanges() { return std::strtoull(Ask("exchanges").c_str(), nullptr, 10); }

void SimChild::ReadEvents(int timeoutMs) {
    pollfd fd{events_, POLLIN, 0};
    if (poll(&fd, 1, timeoutMs) <= 0) return;
    char buffer[256];
    for (;;) {
        const ssize_t n = read(events_, buffer, sizeof buffer);
        if (n <= 0) return;
        cardsDone_ += static_cast<int>(std::count(buffer, buffer + n, '\n'));
    }
}

int SimChild::CardsDone() {
    ReadEvents(0);
    return cardsDone_;
}

bool SimChild::WaitCardsDone(int count, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (CardsDone() < count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        ReadEvents(static_cast<int>(std::min<long long>(left.count(), 1000)));
    }
    return true;
}

// --- results ---------------------------------------------------------------------------

void Row(const std::string& measure, const std::string& value, const std::string& target, const std::string& met) {
    std::printf("ROW\t%s\t%s\t%s\t%s\n", measure.c_str(), value.c_str(), target.c_str(), met.c_str());
    std::fflush(stdout);
}

std::string Fixed(double value, int decimals) {
    std::ostringstream out;
    out << std::fixed << std::setprecision(decimals) << value;
    return out.str();
}

std::string YesNo(bool met) { return met ? "yes" : "no"; }

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// --- folders -----------------------------------------------------------------------------

TempFolder::TempFolder(const std::string& stem) {
    std::string pattern = (fs::temp_directory_path() / (stem + ".XXXXXX")).string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

PortTable::PortTable() {
    std::string pattern = (fs::temp_directory_path() / "cardfmt-bench-ports.XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
    root_ = pattern;
    setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
    fs::create_directories(platform::PortTableFolder());
    for (int n = 1; n <= 15; ++n)
        fs::create_symlink(fs::path(root_) / "no-such-device",
                           fs::path(platform::PortTableFolder()) / ("com" + std::to_string(n)));
}

PortTable::~PortTable() {
    std::error_code ec;
    fs::remove_all(root_, ec);
}

void PortTable::Free(int n) {
    std::error_code ec;
    fs::remove(fs::path(platform::PortTableFolder()) / ("com" + std::to_string(n)), ec);
}

}  // namespace bench
