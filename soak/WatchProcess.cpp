#include "soak/WatchProcess.h"

#include <csignal>

namespace soak {

WatchProcess::WatchProcess(std::string program, std::string port, std::string errorLog, bool trace)
    : program_(std::move(program)), port_(std::move(port)), errorLog_(std::move(errorLog)), trace_(trace) {}

bool WatchProcess::Start() {
    Kill();
    std::vector<std::string> args = {program_, "watch", "--port", port_};
    if (trace_) args.push_back("--trace");
    child_ = std::make_unique<harness::ChildProcess>(
        args,
        harness::ChildStreams{harness::Stream::Null(), harness::Stream::Piped(), harness::Stream::AppendTo(errorLog_)});
    if (!child_->Running()) {
        child_.reset();
        return false;
    }
    startedAt_ = std::chrono::steady_clock::now();
    return true;
}

std::vector<std::string> WatchProcess::TakeLines() {
    if (child_) {
        std::vector<std::string> more = child_->TakeLines();
        lines_.insert(lines_.end(), more.begin(), more.end());
    }
    std::vector<std::string> lines;
    lines.swap(lines_);
    return lines;
}

void WatchProcess::Interrupt() {
    if (child_) child_->Signal(SIGINT);
}

std::optional<int> WatchProcess::Exited() { return Running() ? child_->Exited() : std::nullopt; }

std::optional<int> WatchProcess::WaitExit(std::chrono::milliseconds limit) {
    return Running() ? child_->Wait(limit) : std::nullopt;
}

void WatchProcess::Kill() {
    if (!child_) return;
    child_->Kill();
    // What the last run wrote is still to be taken.
    std::vector<std::string> rest = child_->TakeLines();
    lines_.insert(lines_.end(), rest.begin(), rest.end());
    child_.reset();
}

}  // namespace soak
