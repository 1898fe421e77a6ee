// TWatchSession: automatic initialization's hold on its reader's port. When the
// port goes away (an unplugged USB adapter: a write failed and the link closed the
// port), the session waits for it: it reopens the same port every
// kReopenIntervalMs, and after rescanAfterMs without it (a USB adapter often comes
// back under another COM number) it scans com1..com15 again, one port a step,
// until a reader answers somewhere; a step waits for the reader at most once (a
// silent port costs one time-out per step). The card watcher keeps its last card meanwhile,
// so the card still lying on the reader is not run again once the port is back.
//
// It adds no thread: its owner drives it (the window from a timer on the UI thread,
// `cardfmt watch` from its main loop), calling Next() NextStepMs() after the last
// step, and shows what each step reports. Every call touches the link: the owner
// calls only while the card watcher stands still.
#pragma once

#include "card_init/PortScan.h"
#include "reader_link/CommObjClas.h"

#include <chrono>
#include <functional>
#include <string>

class TWatchSession {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr long kReopenIntervalMs = 500;
    // Between two ports of a scan; after a pass in which no port opened at all, the
    // scan waits kEmptyPassPauseMs instead of spinning over ports that are not there.
    static constexpr long kScanStepMs = 10;
    static constexpr long kEmptyPassPauseMs = 300;

    struct Options {
        // How long the lost port is reopened before the session scans all ports;
        // 0: never, the session waits for that port only.
        long rescanAfterMs = 10000;
        // The clock the wait is measured with.
        std::function<Clock::time_point()> now = [] { return Clock::now(); };
    };

    // What a step did, for the owner to show.
    enum class Event {
        None,        // nothing to tell (still waiting, or the port was not lost)
        Lost,        // the port went away; the session waits for it (port: the lost one)
        Reopened,    // the port is back, the link with it (port)
        Rescanning,  // the port stayed away; the session scans all ports from com1
        Trying,      // the scan tries this port next (port)
        PassEnded,   // a whole pass found no reader (pass)
        Found,       // a reader answered here (port); the link is connected to it
    };
    struct Step {
        Event event = Event::None;
        std::string port;
        ScanPassReport pass;
    };

    TWatchSession(TCommClass& comm, std::string port, Options options);
    TWatchSession(TCommClass& comm, std::string port) : TWatchSession(comm, std::move(port), Options{}) {}

    // After the watcher reported a failed poll: Lost, and the wait begins, when the
    // link has no port open; None when it has (the watcher may carry on).
    Step Lose();
    // One step of the wait. Reopened and Found end it.
    Step Next();
    // The owner gives up waiting (automatic initialization stopped, the port closed).
    // A later Lose() waits again, reopening first.
    void Abandon();

    bool Waiting() const { return mode_ != Mode::Idle; }
    bool Rescanning() const { return mode_ == Mode::Scanning; }
    // When the owner calls Next() again.
    long NextStepMs() const;
    // The reader's port: the one given, or where the scan found the reader again.
    const std::string& Port() const { return port_; }

private:
    enum class Mode { Idle, Reopening, Scanning };
    enum class ScanPhase { Announce, Try, Close };

    Step Reopen();
    Step ScanStep();

    TCommClass& comm_;
    std::string port_;
    Options options_;
    Mode mode_ = Mode::Idle;
    Clock::time_point lostAt_{};
    int nextPort_ = kScanFirstPort;
    ScanPhase phase_ = ScanPhase::Announce;
    ScanPassReport pass_;
    long nextStepMs_ = kReopenIntervalMs;
};
