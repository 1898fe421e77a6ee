// The demo mode: cards presented one after another, each taken away after the
// success signal or when its time is up.
#include "sim/console/DemoRunner.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "harness/HostPort.h"

namespace {

using namespace std::chrono_literals;

class EventLog {
public:
    void Add(const std::string& line) {
        {
            std::lock_guard lock(m_);
            lines_.push_back({line, sim::Clock::now()});
        }
        cv_.notify_all();
    }
    // Waits for the n-th line (from 1); its text and time, or nothing on time-out.
    std::optional<std::pair<std::string, sim::Clock::time_point>> Nth(std::size_t n) {
        std::unique_lock lock(m_);
        if (!cv_.wait_for(lock, harness::kPatience, [&] { return lines_.size() >= n; })) return std::nullopt;
        return lines_[n - 1];
    }
    std::size_t Count() {
        std::lock_guard lock(m_);
        return lines_.size();
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    std::vector<std::pair<std::string, sim::Clock::time_point>> lines_;
};

void Signal(harness::HostPort& port, std::uint8_t mode) {
    ASSERT_TRUE(port.Write(harness::RequestFrame({0x38, mode})));
    ASSERT_EQ(harness::ReplyPayload(port.ReadReplyFrame()), (ByteString{0x0A, 0x00}));
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(DemoRunner, SuccessSignalTakesTheCardAwayAndTheNextOneComes) {
    sim::SimReader reader;
    harness::HostPort port(reader.SlavePath());
    EventLog log;
    // Cards would stay a minute unless signalled, so any removal here is the signal's doing.
    const sim::DemoTiming timing{60s, 100ms, 100ms};
    sim::DemoRunner demo(reader, 2, timing, [&](const std::string& l) { log.Add(l); });

    const auto placed1 = log.Nth(1);
    ASSERT_TRUE(placed1.has_value());
    const auto first = reader.CardOnReader();
    ASSERT_TRUE(first.has_value());
    EXPECT_TRUE(EndsWith(placed1->first, "placed"));
    Signal(port, 1);  // not the success signal: the card stays
    const auto signalled = sim::Clock::now();
    Signal(port, 3);
    const auto removed1 = log.Nth(2);
    ASSERT_TRUE(removed1.has_value());
    EXPECT_TRUE(EndsWith(removed1->first, "formatted, removed"));
    EXPECT_GE(removed1->second - signalled, timing.afterSuccess);
    EXPECT_EQ(reader.SignalModes(), (std::vector<std::uint8_t>{1, 3}));

    const auto placed2 = log.Nth(3);
    ASSERT_TRUE(placed2.has_value());
    EXPECT_GE(placed2->second - removed1->second, timing.gap);
    const auto second = reader.CardOnReader();
    ASSERT_TRUE(second.has_value());
    EXPECT_NE(second->Serial(), first->Serial());
    EXPECT_NE(second->Serial(), 0u);
    EXPECT_EQ(second->Trailer(5), sim::MifareCard(1).Trailer(5));
    Signal(port, 3);
    ASSERT_TRUE(demo.WaitFinished(harness::kPatience));
    EXPECT_FALSE(reader.CardOnReader().has_value());
    EXPECT_EQ(log.Count(), 4u);
}

TEST(DemoRunner, UnsignalledCardIsTakenAwayWhenItsTimeIsUp) {
    sim::SimReader reader;
    EventLog log;
    const sim::DemoTiming timing{300ms, 100ms, 100ms};
    sim::DemoRunner demo(reader, 1, timing, [&](const std::string& l) { log.Add(l); });
    ASSERT_TRUE(demo.WaitFinished(harness::kPatience));
    const auto placed = log.Nth(1), removed = log.Nth(2);
    ASSERT_TRUE(placed && removed);
    EXPECT_TRUE(EndsWith(removed->first, " removed"));
    EXPECT_FALSE(EndsWith(removed->first, "formatted, removed"));
    EXPECT_GE(removed->second - placed->second, timing.maxOnReader);
    EXPECT_FALSE(reader.CardOnReader().has_value());
}

TEST(DemoRunner, SuccessForAnotherCardDoesNotCount) {
    sim::SimReader reader;
    harness::HostPort port(reader.SlavePath());
    EventLog log;
    sim::DemoRunner demo(reader, 1, sim::DemoTiming{400ms, 50ms, 50ms}, [&](const std::string& l) { log.Add(l); });
    ASSERT_TRUE(log.Nth(1).has_value());
    // Someone swaps the card; the success signal then belongs to the stranger.
    reader.PlaceCard(sim::MifareCard(0x5A5A5A5A));
    Signal(port, 3);
    ASSERT_TRUE(demo.WaitFinished(harness::kPatience));
    const auto removed = log.Nth(2);
    ASSERT_TRUE(removed.has_value());
    EXPECT_FALSE(EndsWith(removed->first, "formatted, removed"));
    // And the stranger is left where it is.
    ASSERT_TRUE(reader.CardOnReader().has_value());
    EXPECT_EQ(reader.CardOnReader()->Serial(), 0x5A5A5A5Au);
}

TEST(DemoRunner, StoppingEarlyLeavesTheCurrentCard) {
    sim::SimReader reader;
    EventLog log;
    {
        sim::DemoRunner demo(reader, 3, sim::DemoTiming{60s, 100ms, 100ms}, [&](const std::string& l) { log.Add(l); });
        ASSERT_TRUE(log.Nth(1).has_value());
    }
    EXPECT_EQ(log.Count(), 1u);
    EXPECT_TRUE(reader.CardOnReader().has_value());
}

}  // namespace
