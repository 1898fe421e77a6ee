// A card reader on a pseudo-terminal, for tests and for trying the tool
// without hardware.
//
// Clients open SlavePath() (or the comN entry made by LinkAs) like a serial
// port. One service thread answers their requests; everything else here may be
// called from any thread. A signal observer runs on the service thread: it must
// not call Hangup, Reappear, SetSignalObserver or destroy the reader.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "reader_link/ByteString.h"
#include "sim/Exchange.h"
#include "sim/FaultPlan.h"
#include "sim/MifareCard.h"
#include "sim/PacedWriter.h"
#include "sim/PortLink.h"
#include "sim/PseudoTerminal.h"
#include "sim/RandomFaults.h"
#include "sim/ReaderModel.h"
#include "sim/RequestParser.h"
#include "sim/WakeSignal.h"

namespace sim {

class SimReader {
public:
    // Keeps at most this many exchanges (the oldest go first), so a simulator
    // left polling for hours stays small.
    static constexpr std::size_t kExchangeLogLimit = 10000;

    // `pace`: replies leave at 9600 baud and not before the request itself could
    // have crossed the line. Throws std::system_error when no pty can be had.
    explicit SimReader(bool pace = false);
    ~SimReader();
    SimReader(const SimReader&) = delete;
    SimReader& operator=(const SimReader&) = delete;

    std::string SlavePath() const;
    // Makes <PortTableFolder()>/<comName> a symlink to the slave; removed again on
    // destruction. Only one link at a time: a second call moves it.
    bool LinkAs(const std::string& comName);
    std::string LinkPath() const;

    void PlaceCard(const MifareCard& card);
    void RemoveCard();
    std::optional<MifareCard> CardOnReader() const;
    std::optional<MifareCard> CardBySerial(std::uint32_t serial) const;

    // An exchange is logged as soon as its request is acted on; its replyEnd is
    // filled in just before the reply's last byte is written, so a client that
    // has read a reply always finds it complete here.
    std::vector<Exchange> Exchanges() const;
    void ClearExchanges();
    // Every exchange logged since the reader was made, those cleared or let go too.
    std::uint64_t ExchangeCount() const;
    // Waits until at least `count` exchanges are logged; false on time-out.
    bool WaitForExchanges(std::size_t count, std::chrono::milliseconds timeout) const;

    std::vector<std::uint8_t> SignalModes() const;
    std::vector<SignalRecord> Signals() const;
    // Called on the service thread for each signal, outside the reader's lock.
    // After setting another observer (or none) the old one is no longer running.
    void SetSignalObserver(std::function<void(const SignalRecord&)> observer);

    // Frames thrown away for a bad checksum, complement or terminator.
    std::uint64_t RejectedFrames() const;

    void SetSilent(bool silent);
    void IgnoreNextRequests(int count);
    void CorruptNextReplies(int count);
    void DelayNextReply(int ms);
    // The next `count` requests are answered 0A 00 and not carried out.
    void PretendNextRequests(int count);
    // See FaultPlan: waits for the next replies in order; a wait for every reply
    // to one command; replies that go out twice.
    void DelayReplies(const std::vector<int>& ms);
    void DelayRepliesTo(std::uint8_t command, int ms);
    void DuplicateNextReplies(int count, int gapMs = 0);
    // Every request comes back to the client as it is sent, ahead of its reply
    // (a half-duplex adapter), until turned off.
    void EchoRequests(bool echo);
    // Sends the bytes to the client as they are, right away (paced if pacing).
    void SendRaw(ByteString bytes);
    // The card leaves after `count` more requests; 0 or less removes it now.
    void RemoveCardAfterRequests(int count);
    // As RemoveCardAfterRequests, but `next` takes the card's place at once, as a
    // hand that swaps cards faster than the reader polls.
    void SwapCardAfterRequests(int count, const MifareCard& next);
    // The card is lifted after `count` more requests and laid back, as it was then,
    // once `away` requests have found the reader empty: a hand that jiggles a card.
    void LiftCardAfterRequests(int count, int away);

    // Faults drawn at random from `seed` for every request from now on, on top of
    // the ordered ones above; a new call starts a new stream. Each exchange records
    // what was drawn for it (Exchange::randomFaults).
    void SetRandomFaults(const FaultRates& rates, std::uint64_t seed);
    void StopRandomFaults();
    // Every random fault drawn so far, across SetRandomFaults calls.
    FaultCounts RandomFaultCounts() const;

    // Unplugs the adapter: closes the master and our slave descriptor, so the
    // client's reads and writes fail. Cards and records stay; the link entry stays
    // but leads nowhere until Reappear.
    void Hangup();
    // Plugs it back in on a fresh pty (a new slave path); the link entry follows.
    bool Reappear();
    // As Reappear, but under another name, as a USB adapter plugged back often comes
    // back as another COM number: the entry comName leads to it, the old one goes.
    bool ReappearAs(const std::string& comName);
    bool HungUp() const;

private:
    void Start();
    void Stop();
    void Serve(int masterFd);
    void Handle(const RequestParser::Request& request, Clock::time_point start, PacedWriter& writer);
    void SendQueuedRaw(PacedWriter& writer);
    // Writes a reply and what the random faults add to it; false when stopped.
    bool SendReply(const ByteString& wire, const ReplyDamage& damage, Clock::time_point begin, std::uint64_t sequence,
                   PacedWriter& writer);
    // Writes `bytes` again `gapMs` after the last write; false when stopped.
    bool SendCopy(const ByteString& bytes, int gapMs, PacedWriter& writer);
    // Logs an exchange and returns its sequence number, for later completion.
    std::uint64_t Record(Exchange exchange);
    void SetReplyEnd(std::uint64_t sequence, std::optional<Clock::time_point> end);
    void Notify(const SignalRecord& signal);

    const bool pace_;
    WakeSignal wake_;
    std::atomic<bool> stop_{false};
    std::mutex lifecycle_;  // serialises starting and stopping the service thread
    std::thread service_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::unique_ptr<PseudoTerminal> pty_;
    PortLink link_;
    ReaderModel model_;
    FaultPlan faults_;
    RandomFaults random_;
    std::deque<Exchange> exchanges_;
    std::uint64_t firstExchange_ = 0;  // sequence number of exchanges_.front()
    std::deque<ByteString> rawQueue_;
    std::optional<MifareCard> swapIn_;  // laid on when the ordered removal comes
    int liftAway_ = 0;                  // requests the ordered removal keeps the card away
    int awayLeft_ = 0;
    std::optional<MifareCard> lifted_;  // the card in the hand, to be laid back
    std::uint64_t rejectedFrames_ = 0;

    std::mutex observerMutex_;
    std::function<void(const SignalRecord&)> observer_;
};

}  // namespace sim
