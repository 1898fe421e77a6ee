#include "bench/BenchSupport.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <sstream>

#include "sim/Framing.h"

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

}  // namespace bench
