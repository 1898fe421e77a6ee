#include "sim/console/DemoRunner.h"

#include <algorithm>
#include <random>

#include "sim/console/HexText.h"

namespace sim {

DemoRunner::DemoRunner(SimReader& reader, int cards, DemoTiming timing, std::function<void(const std::string&)> log)
    : reader_(reader), timing_(timing), log_(std::move(log)) {
    reader_.SetSignalObserver([this](const SignalRecord& s) { OnSignal(s); });
    thread_ = std::thread(&DemoRunner::Run, this, cards);
}

DemoRunner::~DemoRunner() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
    reader_.SetSignalObserver(nullptr);
}

bool DemoRunner::WaitFinished(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return finished_; });
}

void DemoRunner::OnSignal(const SignalRecord& signal) {
    {
        std::lock_guard lock(mutex_);
        if (signal.mode != kSuccessSignalMode || current_ == 0 || signal.serial != current_) return;
        succeeded_ = true;
    }
    changed_.notify_all();
}

bool DemoRunner::Wait(Clock::time_point deadline, const std::function<bool()>& until) {
    std::unique_lock lock(mutex_);
    changed_.wait_until(lock, deadline, [&] { return stop_ || (until && until()); });
    return !stop_;
}

std::uint32_t DemoRunner::NewSerial() {
    // Random rather than counted, so serials from earlier runs do not come back.
    static thread_local std::mt19937 engine{std::random_device{}()};
    std::uniform_int_distribution<std::uint32_t> any(1, 0xFFFFFFFFu);
    for (;;) {
        const std::uint32_t serial = any(engine);
        if (!reader_.CardBySerial(serial)) return serial;
    }
}

void DemoRunner::Present(std::uint32_t serial) {
    {
        std::lock_guard lock(mutex_);
        current_ = serial;
        succeeded_ = false;
    }
    reader_.PlaceCard(MifareCard(serial));
    if (log_) log_("demo card " + SerialText(serial) + " placed");

    const auto placed = Clock::now();
    if (!Wait(placed + timing_.maxOnReader, [this] { return succeeded_; })) return;
    bool succeeded;
    {
        std::lock_guard lock(mutex_);
        succeeded = succeeded_;
    }
    if (succeeded && !Wait(std::min(placed + timing_.maxOnReader, Clock::now() + timing_.afterSuccess), {})) return;

    // Someone may have put another card on meanwhile; leave that one alone.
    const std::optional<MifareCard> onReader = reader_.CardOnReader();
    if (onReader && onReader->Serial() == serial) reader_.RemoveCard();
    {
        std::lock_guard lock(mutex_);
        current_ = 0;
    }
    if (log_) log_("demo card " + SerialText(serial) + (succeeded ? " formatted, removed" : " removed"));
}

void DemoRunner::Run(int cards) {
    for (int i = 0; i < cards; ++i) {
        if (i > 0 && !Wait(Clock::now() + timing_.gap, {})) break;
        {
            std::lock_guard lock(mutex_);
            if (stop_) break;
        }
        Present(NewSerial());
    }
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
    }
    changed_.notify_all();
}

}  // namespace sim
