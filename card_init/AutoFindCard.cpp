#include "card_init/AutoFindCard.h"

TAutoFindCardThrd::TAutoFindCardThrd(TCommClass* comm)
    : ownedComm_(comm ? nullptr : std::make_unique<TCommClass>()),
      comm_(comm ? comm : ownedComm_.get()),
      thread_([this] { Run(); }) {}

TAutoFindCardThrd::~TAutoFindCardThrd() {
    PollingEnabled.store(false);
    terminated_.store(true);
    WakeEvent.Set();
    WaitFor([this] { return finished_.load(); });
    thread_.join();
}

bool TAutoFindCardThrd::EnsureOpen(const std::string& portName) {
    if (comm_->Connected.load()) return true;
    return comm_->Connect(portName);
}

void TAutoFindCardThrd::Start() { PollingEnabled.store(true); }

void TAutoFindCardThrd::Stop() {
    PollingEnabled.store(false);
    WaitFor([this] { return Idle.load() || finished_.load(); });
}

void TAutoFindCardThrd::WaitFor(const std::function<bool()>& done) {
    // With a service to run the wait is sliced, so the owner's thread keeps serving
    // the handler's requests; without one it simply sleeps until the loop is idle.
    const long slice = WaitService ? 10 : -1;
    while (!done()) {
        if (WaitService) WaitService();
        if (done()) break;
        idleEntered_.Wait(slice);
    }
}

void TAutoFindCardThrd::Run() {
    while (!terminated_.load()) {
        Idle.store(true);
        idleEntered_.Set();
        WakeEvent.Wait(kPollIntervalMs);
        Idle.store(false);
        if (terminated_.load()) break;
        if (PollingEnabled.load()) PollCard();
    }
    finished_.store(true);
    idleEntered_.Set();
}

void TAutoFindCardThrd::PollCard() {
    if (!comm_->Connected.load()) return;
    std::uint32_t serial = 0;
    try {
        if (!comm_->RequestCard()) {
            // A reader that went away (its port lost) or left the poll unanswered
            // says nothing of the card lying on it: that card stays remembered, so it
            // is not run again once the reader is back. Only a reader that answered
            // "no card" forgets it.
            switch (comm_->LastFailure()) {
                case LinkFailure::PortLost: PollFailed(); return;
                case LinkFailure::NoReply: return;
                case LinkFailure::None:
                case LinkFailure::Refused: break;
            }
            if (LastSerial.load() != 0) {
                if (OnCardRemoved) OnCardRemoved();
                LastSerial.store(0);
            }
            return;
        }
        if (!comm_->ReadCardSerial(serial)) {
            if (comm_->LastFailure() == LinkFailure::PortLost) PollFailed();
            return;
        }
    } catch (...) {
        // The link failed, not a card run: the remembered card stays.
        PollFailed();
        return;
    }
    // 0 stands for "no card remembered": a card that reads as 0 would be reported
    // again at every poll, so it is never reported at all.
    if (serial == 0 || serial == LastSerial.load()) return;
    try {
        if (OnNewCard) OnNewCard(serial);
        // A run that the port's going away cut short is run again once it is back.
        LastSerial.store(comm_->LastFailure() == LinkFailure::PortLost ? 0 : serial);
    } catch (...) {
        // A run cut short: the card is reported again at the next poll.
        LastSerial.store(0);
        PollFailed();
    }
}

void TAutoFindCardThrd::PollFailed() {
    try {
        if (OnPollError) OnPollError();
    } catch (...) {}
}
