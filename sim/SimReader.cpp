#include "sim/SimReader.h"

#include <system_error>
#include <utility>

#include "platform/PortNames.h"

namespace sim {

SimReader::SimReader(bool pace) : pace_(pace), pty_(std::make_unique<PseudoTerminal>()) { Start(); }

SimReader::~SimReader() {
    std::lock_guard life(lifecycle_);
    Stop();
    std::lock_guard lock(mutex_);
    link_.Remove();
    pty_.reset();
}

void SimReader::Start() {
    stop_ = false;
    service_ = std::thread(&SimReader::Serve, this, pty_->MasterFd());
}

void SimReader::Stop() {
    if (!service_.joinable()) return;
    stop_ = true;
    wake_.Raise();
    service_.join();
}

std::string SimReader::SlavePath() const {
    std::lock_guard lock(mutex_);
    return pty_ ? pty_->SlavePath() : std::string();
}

bool SimReader::LinkAs(const std::string& comName) {
    std::lock_guard lock(mutex_);
    if (!pty_) return false;
    return link_.Create(platform::PortTableFolder(), comName, pty_->SlavePath());
}

std::string SimReader::LinkPath() const {
    std::lock_guard lock(mutex_);
    return link_.Path();
}

void SimReader::PlaceCard(const MifareCard& card) {
    std::lock_guard lock(mutex_);
    model_.PlaceCard(card);
}

void SimReader::RemoveCard() {
    std::lock_guard lock(mutex_);
    model_.RemoveCard();
}

std::optional<MifareCard> SimReader::CardOnReader() const {
    std::lock_guard lock(mutex_);
    return model_.CardOnReader();
}

std::optional<MifareCard> SimReader::CardBySerial(std::uint32_t serial) const {
    std::lock_guard lock(mutex_);
    return model_.CardBySerial(serial);
}

std::vector<Exchange> SimReader::Exchanges() const {
    std::lock_guard lock(mutex_);
    return {exchanges_.begin(), exchanges_.end()};
}

void SimReader::ClearExchanges() {
    std::lock_guard lock(mutex_);
    firstExchange_ += exchanges_.size();
    exchanges_.clear();
}

std::uint64_t SimReader::ExchangeCount() const {
    std::lock_guard lock(mutex_);
    return firstExchange_ + exchanges_.size();
}

bool SimReader::WaitForExchanges(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return exchanges_.size() >= count; });
}

std::vector<std::uint8_t> SimReader::SignalModes() const {
    std::lock_guard lock(mutex_);
    std::vector<std::uint8_t> modes;
    for (const SignalRecord& s : model_.Signals()) modes.push_back(s.mode);
    return modes;
}

std::vector<SignalRecord> SimReader::Signals() const {
    std::lock_guard lock(mutex_);
    return model_.Signals();
}

void SimReader::SetSignalObserver(std::function<void(const SignalRecord&)> observer) {
    std::lock_guard lock(observerMutex_);
    observer_ = std::move(observer);
}

std::uint64_t SimReader::RejectedFrames() const {
    std::lock_guard lock(mutex_);
    return rejectedFrames_;
}

void SimReader::SetSilent(bool silent) {
    std::lock_guard lock(mutex_);
    faults_.SetSilent(silent);
}

void SimReader::IgnoreNextRequests(int count) {
    std::lock_guard lock(mutex_);
    faults_.IgnoreNext(count);
}

void SimReader::CorruptNextReplies(int count) {
    std::lock_guard lock(mutex_);
    faults_.CorruptNext(count);
}

void SimReader::DelayNextReply(int ms) {
    std::lock_guard lock(mutex_);
    faults_.DelayNextReply(ms);
}

void SimReader::PretendNextRequests(int count) {
    std::lock_guard lock(mutex_);
    faults_.PretendNext(count);
}

void SimReader::DelayReplies(const std::vector<int>& ms) {
    std::lock_guard lock(mutex_);
    faults_.DelayReplies(ms);
}

void SimReader::DelayRepliesTo(std::uint8_t command, int ms) {
    std::lock_guard lock(mutex_);
    faults_.DelayRepliesTo(command, ms);
}

void SimReader::DuplicateNextReplies(int count, int gapMs) {
    std::lock_guard lock(mutex_);
    faults_.DuplicateNext(count, gapMs);
}

void SimReader::EchoRequests(bool echo) {
    std::lock_guard lock(mutex_);
    faults_.SetEchoRequests(echo);
}

void SimReader::SendRaw(ByteString bytes) {
    {
        std::lock_guard lock(mutex_);
        rawQueue_.push_back(std::move(bytes));
    }
    wake_.Raise();
}

void SimReader::RemoveCardAfterRequests(int count) {
    std::lock_guard lock(mutex_);
    swapIn_.reset();
    liftAway_ = 0;
    faults_.RemoveCardAfter(count);
    if (count <= 0) model_.RemoveCard();
}

void SimReader::LiftCardAfterRequests(int count, int away) {
    std::lock_guard lock(mutex_);
    swapIn_.reset();
    faults_.RemoveCardAfter(count);
    liftAway_ = count > 0 && away > 0 ? away : 0;
}

void SimReader::SwapCardAfterRequests(int count, const MifareCard& next) {
    std::lock_guard lock(mutex_);
    faults_.RemoveCardAfter(count);
    if (count > 0) {
        swapIn_ = next;
    } else {
        swapIn_.reset();
        model_.PlaceCard(next);
    }
}

void SimReader::SetRandomFaults(const FaultRates& rates, std::uint64_t seed) {
    std::lock_guard lock(mutex_);
    random_.Arm(rates, seed);
}

void SimReader::StopRandomFaults() {
    std::lock_guard lock(mutex_);
    random_.Disarm();
}

FaultCounts SimReader::RandomFaultCounts() const {
    std::lock_guard lock(mutex_);
    return random_.Counts();
}

void SimReader::Hangup() {
    std::lock_guard life(lifecycle_);
    Stop();
    std::lock_guard lock(mutex_);
    pty_.reset();
    rawQueue_.clear();
    // The device node goes with the adapter. Left pointing at the old slave, the
    // entry would lead a client that reopens it to whichever pty the system hands
    // that number next, another reader's.
    if (!link_.Path().empty()) link_.Retarget(link_.Path() + ".unplugged");
}

bool SimReader::Reappear() { return ReappearAs({}); }

bool SimReader::ReappearAs(const std::string& comName) {
    std::lock_guard life(lifecycle_);
    std::unique_ptr<PseudoTerminal> fresh;
    {
        std::lock_guard lock(mutex_);
        if (pty_) return true;
        try {
            fresh = std::make_unique<PseudoTerminal>();
        } catch (const std::system_error&) {
            return false;
        }
        if (!comName.empty()) {
            if (!link_.Create(platform::PortTableFolder(), comName, fresh->SlavePath())) return false;
        } else if (!link_.Path().empty()) {
            link_.Retarget(fresh->SlavePath());
        }
        pty_ = std::move(fresh);
    }
    Start();
    return true;
}

bool SimReader::HungUp() const {
    std::lock_guard lock(mutex_);
    return !pty_;
}

}  // namespace sim
