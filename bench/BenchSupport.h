// Shared by the measurement programs: CPU time and memory of processes and
// threads, the line time of frames, a simulated reader in a process of its own,
// and the result rows the bench script turns into its table.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
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

// --- a simulated reader in a child process -------------------------------------------

// Forks a process that serves a SimReader, so that its threads, CPU time and memory
// stay out of the measuring process. Make it before this process starts any thread.
//
// `freshCards` > 0: a fresh card is on the reader from the start and each time the
// reader is told signal mode 3 the next one takes its place, until that many were
// signalled. `linkAs`: the reader is entered in the port table as this name
// (XDG_CONFIG_HOME must be set before the fork).
class SimChild {
public:
    struct Options {
        bool pace = false;
        int freshCards = 0;
        std::uint32_t firstSerial = 0x5A000001;
        std::string linkAs;
    };
    explicit SimChild(const Options& options);
    ~SimChild();
    SimChild(const SimChild&) = delete;
    SimChild& operator=(const SimChild&) = delete;

    const std::string& SlavePath() const { return slavePath_; }
    pid_t Pid() const { return pid_; }
    // Requests the reader has acted on so far.
    std::uint64_t Exchanges();
    // Cards that got signal mode 3 so far (a non-blocking look).
    int CardsDone();
    // Waits until `count` cards got signal mode 3; false on time-out.
    bool WaitCardsDone(int count, std::chrono::milliseconds timeout);

private:
    std::string Ask(const std::string& question);
    void ReadEvents(int timeoutMs);

    pid_t pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
    int events_ = -1;
    int cardsDone_ = 0;
    std::string slavePath_;
};

// --- results -------------------------------------------------------------------------

// One row of the bench table on stdout: "ROW<TAB>measure<TAB>value<TAB>target<TAB>met".
// `met` is "yes", "no" or "n/a".
void Row(const std::string& measure, const std::string& value, const std::string& target, const std::string& met);
std::string Fixed(double value, int decimals);
std::string YesNo(bool met);

// Median of the values (0 for none).
double Median(std::vector<double> values);

// A private port table: XDG_CONFIG_HOME points at a fresh folder whose com1..com15
// lead nowhere (so nothing probes the machine's real serial devices), until a
// reader is linked in. Removed again on destruction.
class PortTable {
public:
    PortTable();
    ~PortTable();
    PortTable(const PortTable&) = delete;
    PortTable& operator=(const PortTable&) = delete;
    const std::string& Root() const { return root_; }
    // Removes the dead entry comN so a reader can be linked there.
    void Free(int n);

private:
    std::string root_;
};

// A fresh folder removed (with its contents) on destruction.
class TempFolder {
public:
    explicit TempFolder(const std::string& stem);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

}  // namespace bench
