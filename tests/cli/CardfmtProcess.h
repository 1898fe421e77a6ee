// The cardfmt program run by a test: standard output and error in files, the exit
// code, and a bounded wait; a program left running is killed with the test.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace clitest {

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
    std::vector<std::string> OutLines() const {
        std::vector<std::string> lines;
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Starts cardfmt with stdout and stderr in files; Finish waits (bounded) for it.
class Cardfmt {
public:
    explicit Cardfmt(std::vector<std::string> args) {
        const std::string base = ::testing::TempDir() + "cardfmt-cli-" + std::to_string(::getpid()) + "-" +
                                 std::to_string(reinterpret_cast<std::uintptr_t>(this));
        outPath_ = base + ".out";
        errPath_ = base + ".err";
        args.insert(args.begin(), CARDFMT_PROGRAM);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Cardfmt() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::unlink(outPath_.c_str());
        ::unlink(errPath_.c_str());
    }
    Cardfmt(const Cardfmt&) = delete;
    Cardfmt& operator=(const Cardfmt&) = delete;

    void Interrupt() { ::kill(pid_, SIGINT); }

    Outcome Finish(std::chrono::seconds limit = std::chrono::seconds(60)) {
        Outcome run;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        int status = 0;
        while (pid_ > 0) {
            pid_t done = ::waitpid(pid_, &status, WNOHANG);
            if (done == pid_) {
                pid_ = -1;
                run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                break;
            }
            if (std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << "cardfmt did not finish in time";
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        run.out = ReadFile(outPath_);
        run.err = ReadFile(errPath_);
        return run;
    }
    std::string OutSoFar() const { return ReadFile(outPath_); }
    std::string ErrSoFar() const { return ReadFile(errPath_); }

private:
    pid_t pid_ = -1;
    std::string outPath_, errPath_;
};

inline Outcome RunCardfmt(std::vector<std::string> args) { return Cardfmt(std::move(args)).Finish(); }

}  // namespace clitest
