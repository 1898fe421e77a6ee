#include "harness/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

extern char** environ;

namespace harness {
namespace {

// Opens the pipe of a piped stream; false when that failed.
bool OpenPipe(const Stream& stream, int (&ends)[2]) {
    ends[0] = ends[1] = -1;
    return stream.kind != Stream::Kind::Pipe || pipe2(ends, O_CLOEXEC) == 0;
}

void CloseEnd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

// Points standard stream `target` of the child at `stream`; `pipeEnd` is the
// child's end of its pipe.
void Redirect(posix_spawn_file_actions_t& actions, int target, const Stream& stream, int pipeEnd) {
    switch (stream.kind) {
        case Stream::Kind::Inherit: break;
        case Stream::Kind::Pipe: posix_spawn_file_actions_adddup2(&actions, pipeEnd, target); break;
        case Stream::Kind::Null:
            posix_spawn_file_actions_addopen(&actions, target, "/dev/null",
                                             target == STDIN_FILENO ? O_RDONLY : O_WRONLY, 0);
            break;
        case Stream::Kind::File:
            posix_spawn_file_actions_addopen(&actions, target, stream.path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            break;
        case Stream::Kind::AppendFile:
            posix_spawn_file_actions_addopen(&actions, target, stream.path.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                             0600);
            break;
    }
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const ChildStreams& streams) {
    int in[2], out[2];
    if (!OpenPipe(streams.input, in)) return;
    if (!OpenPipe(streams.output, out)) {
        CloseEnd(in[0]);
        CloseEnd(in[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    Redirect(actions, STDIN_FILENO, streams.input, in[0]);
    Redirect(actions, STDOUT_FILENO, streams.output, out[1]);
    Redirect(actions, STDERR_FILENO, streams.error, -1);
    // The child starts with default signal handling whatever ours is.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    if (args.size() < 2 || posix_spawn(&pid_, args[0], &actions, &attr, args.data(), environ) != 0) pid_ = -1;
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    CloseEnd(in[0]);
    CloseEnd(out[1]);
    input_ = in[1];
    TakeOutput(out[0]);
    if (pid_ <= 0) {
        CloseEnd(input_);
        CloseOutput();
    }
}

ChildProcess::ChildProcess(const std::function<int(int input, int output)>& body) {
    int in[2], out[2];
    if (!OpenPipe(Stream::Piped(), in)) return;
    if (!OpenPipe(Stream::Piped(), out)) {
        CloseEnd(in[0]);
        CloseEnd(in[1]);
        return;
    }
    pid_ = fork();
    if (pid_ == 0) {
        close(in[1]);
        close(out[0]);
        _exit(body(in[0], out[1]));
    }
    CloseEnd(in[0]);
    CloseEnd(out[1]);
    input_ = in[1];
    TakeOutput(out[0]);
    if (pid_ < 0) {
        CloseEnd(input_);
        CloseOutput();
    }
}

ChildProcess::~ChildProcess() {
    Kill();
    CloseEnd(input_);
}

void ChildProcess::TakeOutput(int fd) {
    output_ = fd;
    if (output_ >= 0) fcntl(output_, F_SETFL, fcntl(output_, F_GETFL) | O_NONBLOCK);
}

bool ChildProcess::Send(const std::string& text) {
    std::size_t done = 0;
    while (input_ >= 0 && done < text.size()) {
        const ssize_t n = write(input_, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return input_ >= 0;
}

void ChildProcess::CloseInput() { CloseEnd(input_); }

void ChildProcess::ReadAvailable() {
    if (output_ < 0) return;
    char buffer[4096];
    bool ended = false;
    for (;;) {
        const ssize_t n = read(output_, buffer, sizeof buffer);
        if (n > 0) {
            pending_.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        ended = n == 0;  // end of file: the child and everything it started are gone
        break;
    }
    for (std::size_t nl; (nl = pending_.find('\n')) != std::string::npos;) {
        lines_.push_back(pending_.substr(0, nl));
        pending_.erase(0, nl + 1);
    }
    if (ended) CloseOutput();
}

void ChildProcess::CloseOutput() {
    CloseEnd(output_);
    if (!pending_.empty()) lines_.push_back(pending_);
    pending_.clear();
}

std::optional<std::string> ChildProcess::ReadLine(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        ReadAvailable();
        if (!lines_.empty()) {
            std::string line = std::move(lines_.front());
            lines_.erase(lines_.begin());
            return line;
        }
        if (output_ < 0) return std::nullopt;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        pollfd p{output_, POLLIN, 0};
        poll(&p, 1, static_cast<int>(left.count()));
    }
}

std::vector<std::string> ChildProcess::TakeLines() {
    ReadAvailable();
    std::vector<std::string> lines;
    lines.swap(lines_);
    return lines;
}

void ChildProcess::Signal(int signal) {
    if (Running()) kill(pid_, signal);
}

std::optional<int> ChildProcess::Exited(rusage* usage) {
    if (!Running()) return status_;
    int status = 0;
    if (wait4(pid_, &status, WNOHANG, usage) != pid_) return std::nullopt;
    status_ = status;
    // Whatever it wrote before ending is still in the pipe.
    ReadAvailable();
    return status_;
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds timeout, rusage* usage) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (auto status = Exited(usage)) return status;
        if (!Running() || std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        ReadAvailable();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::optional<int> ChildProcess::WaitForExit(rusage* usage) {
    if (!Running()) return status_;
    // The output first, so a child that fills the pipe is never stuck on it.
    while (output_ >= 0) {
        pollfd p{output_, POLLIN, 0};
        poll(&p, 1, -1);
        ReadAvailable();
    }
    int status = 0;
    while (wait4(pid_, &status, 0, usage) != pid_) {
        if (errno != EINTR) return std::nullopt;
    }
    status_ = status;
    return status_;
}

void ChildProcess::Kill() {
    if (Running()) {
        kill(pid_, SIGKILL);
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {}
        status_ = status;
    }
    ReadAvailable();
    CloseOutput();
}

std::string DescribeStatus(int status) {
    if (WIFEXITED(status)) return "exit " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
    return "status " + std::to_string(status);
}

int ExitCode(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status); }

}  // namespace harness
