// The real `cardfmt watch` as a child process: its output lines as they come,
// SIGINT, a bounded wait for its exit, and a kill when it hangs.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "harness/ChildProcess.h"

namespace soak {

using harness::DescribeStatus;

class WatchProcess {
public:
    // `program` is the cardfmt binary; its standard error is appended to `errorLog`.
    WatchProcess(std::string program, std::string port, std::string errorLog, bool trace = false);

    // Starts a new `cardfmt watch --port PORT`; false when it could not be spawned.
    bool Start();
    bool Running() const { return child_ && child_->Running(); }
    std::chrono::steady_clock::time_point StartedAt() const { return startedAt_; }

    // Complete lines written since the last call (without their line ends).
    std::vector<std::string> TakeLines();

    void Interrupt();
    // Waits up to `limit` for the exit, reading output meanwhile; the wait status,
    // or nothing on time-out. Once it has exited, Running() is false.
    std::optional<int> WaitExit(std::chrono::milliseconds limit);
    // The exit status if it has ended on its own; does not wait.
    std::optional<int> Exited();
    // SIGKILL and reap.
    void Kill();

private:
    std::string program_, port_, errorLog_;
    bool trace_;
    std::unique_ptr<harness::ChildProcess> child_;
    std::vector<std::string> lines_;
    std::chrono::steady_clock::time_point startedAt_{};
};

}  // namespace soak
