// TAutoFindCardThrd: the card watcher. A background thread polls the reader every
// 100 ms while polling is enabled and calls OnNewCard, on its own thread, for every
// card whose serial number differs from the last one reported.
//
// The handler may wait for the owner's thread (to show a message there). Stop and
// the destructor wait for the watcher on the owner's thread; while they wait they
// keep calling WaitService, which is how the owner's thread goes on serving such
// requests, so that neither side waits for the other forever.
#pragma once

#include "platform/Event.h"
#include "reader_link/CommObjClas.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

class TAutoFindCardThrd {
public:
    // With a link given, polls through it without owning it; with none, creates and
    // owns one. The thread starts at once, with polling disabled.
    explicit TAutoFindCardThrd(TCommClass* comm = nullptr);
    ~TAutoFindCardThrd();
    TAutoFindCardThrd(const TAutoFindCardThrd&) = delete;
    TAutoFindCardThrd& operator=(const TAutoFindCardThrd&) = delete;

    // True at once when the link is connected; otherwise the result of Connect.
    bool EnsureOpen(const std::string& portName);
    void Start();
    // Returns once no poll step runs and none will start before the next Start.
    void Stop();

    TCommClass& Comm() { return *comm_; }

    // Set before Start; called on the watcher's thread.
    std::function<void(std::uint32_t serial)> OnNewCard;
    // Only a reader that answers "no card" removes the remembered one; a poll left
    // unanswered keeps it, so the card is not run again when the reader answers.
    std::function<void()> OnCardRemoved;
    // Called on the watcher's thread when a poll step fails for its link (an error,
    // or the port having gone away: LinkFailure::PortLost) or its handler raised.
    // A failed poll keeps the card, so a card still lying on a reader whose port
    // comes back is not reported again; a card whose run raised, or ended with the
    // port lost, is forgotten and reported again.
    std::function<void()> OnPollError;
    // Called over and over on the owner's thread while Stop or the destructor waits.
    std::function<void()> WaitService;

    std::atomic<std::uint32_t> LastSerial{0};
    std::atomic<bool> Idle{false};
    std::atomic<bool> PollingEnabled{false};

    static constexpr long kPollIntervalMs = 100;

private:
    void Run();
    void PollCard();
    void PollFailed();
    void WaitFor(const std::function<bool()>& done);

    std::unique_ptr<TCommClass> ownedComm_;
    TCommClass* comm_;
    platform::Event WakeEvent{platform::Event::Kind::AutoReset};
    platform::Event idleEntered_{platform::Event::Kind::AutoReset};
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
};
