// A program run by a test with its standard input and output on pipes, killed
// if the test leaves it running.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace simtest {

class ChildProcess {
public:
    // Starts `argv[0]` with the given arguments; Running() tells whether it worked.
    // With `closedInput` its standard input is at end of file from the start.
    explicit ChildProcess(const std::vector<std::string>& argv, bool closedInput = false);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Running() const { return pid_ > 0 && !status_; }
    bool Send(const std::string& text);
    // The next line of standard output (without newline), nothing on time-out or EOF.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout);
    void Signal(int signal);
    // The exit status as waitpid gives it, nothing on time-out.
    std::optional<int> Wait(std::chrono::milliseconds timeout);

private:
    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    std::string pending_;
    std::optional<int> status_;
};

}  // namespace simtest
