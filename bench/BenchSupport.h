// Shared by the measurement programs: CPU time and memory of processes and
// threads, the line time of frames, and the result rows the bench script turns
// into its table.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

#include "reader_link/ByteString.h"
#include "sim/Exchange.h"

namespace bench {

// --- CPU time and memory -------------------------------------------------------------

struct CpuSample {
    double seconds = 0;          // user + system
    long voluntarySwitches = 0;  // the thread(s) blocked and were woken again
};

// getrusage(RUSAGE_SELF): every thread of this process, those that ended included.
CpuSample SelfCpu();

// The CPU time of every thread of another process from /proc/PID/task/*/schedstat
// (the same nanosecond run time that getrusage adds up), and their voluntary
// context switches. Nothing (seconds < 0) when the process is gone.
CpuSample ProcessCpu(pid_t pid);

// VmHWM of this process in KiB (peak resident set).
long SelfPeakRssKiB();

// --- the line ----------------------------------------------------------------------

// Bytes of the request frame and of the reply frame of one logged exchange.
std::size_t RequestFrameBytes(const sim::Exchange& exchange);
std::size_t ReplyFrameBytes(const sim::Exchange& exchange);
// Seconds the bytes need on the line at 9600 baud, ten bit times a byte.
double WireSeconds(std::size_t bytes);

// --- results -------------------------------------------------------------------------

// One row of the bench table on stdout: "ROW<TAB>measure<TAB>value<TAB>target<TAB>met".
// `met` is "yes", "no" or "n/a".
void Row(const std::string& measure, const std::string& value, const std::string& target, const std::string& met);
std::string Fixed(double value, int decimals);
std::string YesNo(bool met);

// Median of the values (0 for none).
double Median(std::vector<double> values);

}  // namespace bench
