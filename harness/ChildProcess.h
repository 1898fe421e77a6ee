// A program started by a test or a driver, each standard stream where the caller
// wants it; a child left running is killed and reaped with the object.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace harness {

// Where one standard stream of the child goes.
struct Stream {
    enum class Kind { Inherit, Pipe, Null, File, AppendFile };
    Kind kind = Kind::Inherit;
    std::string path;

    static Stream Inherited() { return {}; }
    static Stream Piped() { return {Kind::Pipe, {}}; }
    static Stream Null() { return {Kind::Null, {}}; }
    static Stream ToFile(std::string path) { return {Kind::File, std::move(path)}; }
    static Stream AppendTo(std::string path) { return {Kind::AppendFile, std::move(path)}; }
};

struct ChildStreams {
    Stream input = Stream::Piped();
    Stream output = Stream::Piped();
    Stream error = Stream::Inherited();
};

class ChildProcess {
public:
    // Starts the program at `argv[0]` with default signal handling, whatever this
    // process's is; Running() tells whether it worked.
    explicit ChildProcess(const std::vector<std::string>& argv, const ChildStreams& streams = {});
    // Runs `body` in a forked copy of this process, which then ends with its result.
    // The body gets the reading end of the input pipe and the writing end of the
    // output pipe. Only for a process that has not started a thread yet.
    explicit ChildProcess(const std::function<int(int input, int output)>& body);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Started and not reaped yet.
    bool Running() const { return pid_ > 0 && !status_; }
    pid_t Pid() const { return pid_; }

    // Writes all of `text` to the input pipe.
    bool Send(const std::string& text);
    // End of file on the child's input.
    void CloseInput();

    // The next line of the output pipe (without its end), nothing on time-out or
    // when the output has ended; a last line without its end counts as a line.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout);
    // The lines that came since the last call, without waiting.
    std::vector<std::string> TakeLines();

    void Signal(int signal);
    // The wait status if the child has ended; does not wait. `usage`, when given,
    // receives the child's resource use once it is reaped.
    std::optional<int> Exited(rusage* usage = nullptr);
    // Waits up to `timeout` for the end, reading the output meanwhile; the wait
    // status, or nothing on time-out.
    std::optional<int> Wait(std::chrono::milliseconds timeout, rusage* usage = nullptr);
    // Waits for the end however long it takes.
    std::optional<int> WaitForExit(rusage* usage = nullptr);
    // SIGKILL and reap.
    void Kill();

private:
    void TakeOutput(int fd);
    void ReadAvailable();
    void CloseOutput();

    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    std::string pending_;
    std::vector<std::string> lines_;
    std::optional<int> status_;
};

// "exit 0", "exit 3" or "signal 11" for a wait status.
std::string DescribeStatus(int status);
// The exit code of a wait status, or 128 plus the number of the signal that ended it.
int ExitCode(int status);

}  // namespace harness
