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

void TWatchSession::Abandon() {
    // A port the scan opened and has not closed yet gave no reader.
    if (mode_ == Mode::Scanning && phase_ == ScanPhase::Close) comm_.Disconnect();
    mode_ = Mode::Idle;
}

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
    phase_ = ScanPhase::Announce;
    pass_ = {};
    nextStepMs_ = 0;
    return {Event::Rescanning, port_, {}};
}

// Three calls a port at most, so that the owner's thread is busy with one wait
// for the reader at a time: the first names the port (for the owner to show before
// the attempt), the second tries it, a third closes a port that gave no reader.
TWatchSession::Step TWatchSession::ScanStep() {
    const std::string name = ScanPortName(nextPort_);
    nextStepMs_ = 0;
    if (phase_ == ScanPhase::Announce) {
        phase_ = ScanPhase::Try;
        return {Event::Trying, name, {}};
    }
    if (phase_ == ScanPhase::Try) {
        ScanAttempt attempt = ScanAttempt::Missed;
        {
            ScanRetries retries(comm_);
            attempt = TryScanPort(comm_, name, pass_);
        }
        if (attempt == ScanAttempt::Found) {
            mode_ = Mode::Idle;
            port_ = name;
            return {Event::Found, name, {}};
        }
        if (attempt == ScanAttempt::MissedOpen) {
            phase_ = ScanPhase::Close;
            return {};
        }
    } else {
        ScanRetries retries(comm_);
        comm_.Disconnect();
    }
    phase_ = ScanPhase::Announce;
    nextStepMs_ = kScanStepMs;
    if (++nextPort_ <= kScanLastPort) return {};
    nextPort_ = kScanFirstPort;
    Step ended{Event::PassEnded, {}, pass_};
    if (pass_.portsOpened == 0) nextStepMs_ = kEmptyPassPauseMs;
    pass_ = {};
    return ended;
}
