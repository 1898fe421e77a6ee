// The cardfmt program run by a test: standard output and error in files, the exit
// code, and a bounded wait; a program left running is killed with the test.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <csignal>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "harness/ChildProcess.h"

namespace harness {

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
    explicit Cardfmt(std::vector<std::string> args)
        : outPath_(OutputBase(this) + ".out"),
          errPath_(OutputBase(this) + ".err"),
          child_(Command(std::move(args)), {Stream::Null(), Stream::ToFile(outPath_), Stream::ToFile(errPath_)}) {}
    ~Cardfmt() {
        child_.Kill();
        ::unlink(outPath_.c_str());
        ::unlink(errPath_.c_str());
    }
    Cardfmt(const Cardfmt&) = delete;
    Cardfmt& operator=(const Cardfmt&) = delete;

    void Interrupt() { child_.Signal(SIGINT); }

    Outcome Finish(std::chrono::seconds limit = std::chrono::seconds(60)) {
        Outcome run;
        if (const std::optional<int> status = child_.Wait(limit))
            run.exitCode = ExitCode(*status);
        else if (child_.Running())
            ADD_FAILURE() << "cardfmt did not finish in time";
        run.out = ReadFile(outPath_);
        run.err = ReadFile(errPath_);
        return run;
    }
    std::string OutSoFar() const { return ReadFile(outPath_); }
    std::string ErrSoFar() const { return ReadFile(errPath_); }

private:
    static std::string OutputBase(const Cardfmt* self) {
        return ::testing::TempDir() + "cardfmt-cli-" + std::to_string(::getpid()) + "-" +
               std::to_string(reinterpret_cast<std::uintptr_t>(self));
    }
    static std::vector<std::string> Command(std::vector<std::string> args) {
        args.insert(args.begin(), CARDFMT_PROGRAM);
        return args;
    }

    std::string outPath_, errPath_;
    ChildProcess child_;
};

inline Outcome RunCardfmt(std::vector<std::string> args) { return Cardfmt(std::move(args)).Finish(); }

}  // namespace harness
