#include "card_init/WatchSession.h"

TWatchSession::TWatchSession(TCommClass& comm, std::string port, Options options)
    : comm_(comm), port_(std::move(port)), options_(std::move(options)) {}

TWatchSession::Step TWatchSession::Lose() {
    if (comm_.PortOpen()) return {};
    mode_ = Mode::Reopening;
    lostAt_ = options_.now();
    nextStepMs_ = kReopenIntervalMs;
    return {Event::Lost, port_, {}};
}

void TWatchSession::Abandon() { mode_ = Mode::Idle; }

long TWatchSession::NextStepMs() const { return nextStepMs_; }

TWatchSession::Step TWatchSession::Next() {
    switch (mode_) {
        case Mode::Reopening: return Reopen();
        case Mode::Scanning: return ScanStep();
        case Mode::Idle: break;
    }
    return {};
}

TWatchSession::Step TWatchSession::Reopen() {
    if (comm_.OpenPort(port_)) {
        mode_ = Mode::Idle;
        return {Event::Reopened, port_, {}};
    }
    const auto away = std::chrono::duration_cast<std::chrono::milliseconds>(options_.now() - lostAt_).count();
    if (options_.rescanAfterMs <= 0 || away < options_.rescanAfterMs) return {};
    mode_ = Mode::Scanning;
    nextPort_ = kScanFirstPort;
    announced_ = false;
    pass_ = {};
    nextStepMs_ = 0;
    return {Event::Rescanning, port_, {}};
}

// Two calls a port: the first names it (so the owner shows it before the attempt
// keeps its thread busy), the second tries it.
TWatchSession::Step TWatchSession::ScanStep() {
    const std::string name = ScanPortName(nextPort_);
    if (!announced_) {
        announced_ = true;
        nextStepMs_ = 0;
        return {Event::Trying, name, {}};
    }
    announced_ = false;
    bool found = false;
    {
        ScanRetries retries(comm_);
        found = TryScanPort(comm_, name, pass_);
    }
    if (found) {
        mode_ = Mode::Idle;
        port_ = name;
        return {Event::Found, name, {}};
    }
    nextStepMs_ = kScanStepMs;
    if (++nextPort_ <= kScanLastPort) return {};
    nextPort_ = kScanFirstPort;
    Step ended{Event::PassEnded, {}, pass_};
    if (pass_.portsOpened == 0) nextStepMs_ = kEmptyPassPauseMs;
    pass_ = {};
    return ended;
}
