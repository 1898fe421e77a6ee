// A simulated reader in a process of its own, so that its threads, CPU time and
// memory stay out of the measuring process.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "harness/ChildProcess.h"

namespace bench {

// Forks a process that serves a SimReader. Make it before this process starts any thread.
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
    // Ends its command stream, on which it stops, and waits for it.
    ~SimChild();
    SimChild(const SimChild&) = delete;
    SimChild& operator=(const SimChild&) = delete;

    const std::string& SlavePath() const { return slavePath_; }
    pid_t Pid() const { return child_.Pid(); }
    // Requests the reader has acted on so far.
    std::uint64_t Exchanges();
    // Cards that got signal mode 3 so far (a non-blocking look).
    int CardsDone();
    // Waits until `count` cards got signal mode 3; false on time-out.
    bool WaitCardsDone(int count, std::chrono::milliseconds timeout);

private:
    // The next line that is not a card event; "" when the child has gone.
    std::string Answer();
    void ReadEvents(std::chrono::milliseconds timeout);

    harness::ChildProcess child_;
    int cardsDone_ = 0;
    std::string slavePath_;
};

}  // namespace bench
