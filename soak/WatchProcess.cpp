#include "soak/WatchProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

extern char** environ;

namespace soak {

WatchProcess::WatchProcess(std::string program, std::string port, std::string errorLog, bool trace)
    : program_(std::move(program)), port_(std::move(port)), errorLog_(std::move(errorLog)), trace_(trace) {}

WatchProcess::~WatchProcess() { Kill(); }

bool WatchProcess::Start() {
    Kill();
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorLog_.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    std::vector<std::string> args = {program_, "watch", "--port", port_};
    if (trace_) args.push_back("--trace");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
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
    const int rc = posix_spawn(&pid_, argv[0], &actions, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (rc != 0) {
        pid_ = -1;
        close(out[0]);
        return false;
    }
    output_ = out[0];
    fcntl(output_, F_SETFL, fcntl(output_, F_GETFL) | O_NONBLOCK);
    pending_.clear();
    startedAt_ = std::chrono::steady_clock::now();
    return true;
}

void WatchProcess::ReadAvailable() {
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
        ended = n == 0;  // end of file: the child and its threads are gone
        break;
    }
    for (std::size_t nl; (nl = pending_.find('\n')) != std::string::npos;) {
        lines_.push_back(pending_.substr(0, nl));
        pending_.erase(0, nl + 1);
    }
    if (ended) CloseOutput();
}

void WatchProcess::CloseOutput() {
    if (output_ >= 0) close(output_);
    output_ = -1;
    if (!pending_.empty()) lines_.push_back(pending_);  // a last line without its end
    pending_.clear();
}

std::vector<std::string> WatchProcess::TakeLines() {
    ReadAvailable();
    std::vector<std::string> lines;
    lines.swap(lines_);
    return lines;
}

void WatchProcess::Interrupt() {
    if (pid_ > 0) kill(pid_, SIGINT);
}

std::optional<int> WatchProcess::Exited() {
    if (pid_ <= 0) return std::nullopt;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) != pid_) return std::nullopt;
    pid_ = -1;
    // Whatever it wrote before ending is still in the pipe.
    ReadAvailable();
    return status;
}

std::optional<int> WatchProcess::WaitExit(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (auto status = Exited()) return status;
        if (pid_ <= 0 || std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        ReadAvailable();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void WatchProcess::Kill() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }
    ReadAvailable();
    CloseOutput();
}

std::string DescribeStatus(int status) {
    if (WIFEXITED(status)) return "exit " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
    return "status " + std::to_string(status);
}

}  // namespace soak
