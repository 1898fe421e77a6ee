// The watch session against the simulated reader on a pty: an adapter unplugged
// while the watcher runs, coming back under its own name or under another one.
#include "card_init/AutoFindCard.h"
#include "card_init/WatchSession.h"
#include "harness/PortTable.h"
#include "sim/SimReader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Event = TWatchSession::Event;

class WatchSession : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.LinkAs("com3"));
        ASSERT_TRUE(comm.Connect("com3"));
        watcher = std::make_unique<TAutoFindCardThrd>(&comm);
        watcher->OnNewCard = [this](std::uint32_t serial) {
            std::lock_guard lock(mutex);
            reported.push_back(serial);
        };
        watcher->OnPollError = [this] { pollFailed = true; };
    }
    void TearDown() override {
        watcher.reset();
        comm.Disconnect();
    }

    std::vector<std::uint32_t> Reported() {
        std::lock_guard lock(mutex);
        return reported;
    }
    bool Eventually(const std::function<bool()>& done) {
        for (int i = 0; i < 500; ++i) {
            if (done()) return true;
            std::this_thread::sleep_for(20ms);
        }
        return done();
    }
    // Lays a card, lets the watcher report it, unplugs the reader and stops the
    // watcher once it failed to poll.
    void CardThenUnplugged(std::uint32_t serial) {
        watcher->Start();
        sim.PlaceCard(sim::MifareCard(serial));
        ASSERT_TRUE(Eventually([&] { return Reported().size() == 1; }));
        sim.Hangup();
        ASSERT_TRUE(Eventually([&] { return pollFailed.load(); }));
        watcher->Stop();
    }
    // Runs the session's steps until it has a port again (at most `limit` steps).
    std::vector<TWatchSession::Step> StepsUntilBack(TWatchSession& session, int limit = 200) {
        std::vector<TWatchSession::Step> steps;
        while (session.Waiting() && limit-- > 0) steps.push_back(session.Next());
        return steps;
    }
    // After the port is back, the card lying there is not reported again; a new one is.
    void CardKeptAndNextCardReported() {
        watcher->Start();
        const std::size_t seen = sim.Exchanges().size();
        ASSERT_TRUE(sim.WaitForExchanges(seen + 6, 10s));
        EXPECT_EQ(Reported().size(), 1u) << "the card on the reader was run again";
        sim.PlaceCard(sim::MifareCard(0x2222));
        EXPECT_TRUE(Eventually([&] { return Reported().size() == 2; }));
        EXPECT_EQ(Reported().back(), 0x2222u);
    }

    harness::PortTable table;
    sim::SimReader sim;
    TCommClass comm;
    std::unique_ptr<TAutoFindCardThrd> watcher;
    std::mutex mutex;
    std::vector<std::uint32_t> reported;
    std::atomic<bool> pollFailed{false};
    // The session's clock: it moves only when a test moves it.
    TWatchSession::Clock::time_point now{};
    TWatchSession::Options options{.rescanAfterMs = 10000, .now = [this] { return now; }};
};

}  // namespace

TEST_F(WatchSession, TheSamePortBackIsReopenedAndTheCardOnTheReaderNotRunAgain) {
    TWatchSession session(comm, "com3", options);
    CardThenUnplugged(0x1111);
    const TWatchSession::Step lost = session.Lose();
    EXPECT_EQ(lost.event, Event::Lost);
    EXPECT_EQ(lost.port, "com3");
    EXPECT_EQ(session.Next().event, Event::None);
    ASSERT_TRUE(sim.Reappear());
    const TWatchSession::Step back = session.Next();
    EXPECT_EQ(back.event, Event::Reopened);
    EXPECT_EQ(back.port, "com3");
    EXPECT_FALSE(session.Waiting());
    CardKeptAndNextCardReported();
}

TEST_F(WatchSession, AfterTheWaitWithoutThePortAllPortsAreScannedAndTheReaderFoundUnderItsNewName) {
    TWatchSession session(comm, "com3", options);
    CardThenUnplugged(0x1111);
    ASSERT_EQ(session.Lose().event, Event::Lost);
    ASSERT_TRUE(sim.ReappearAs("com5"));
    now += 9999ms;
    EXPECT_EQ(session.Next().event, Event::None);
    EXPECT_FALSE(session.Rescanning());
    now += 1ms;

    std::vector<std::string> seen;
    for (const TWatchSession::Step& step : StepsUntilBack(session))
        if (step.event != Event::None) seen.push_back(std::to_string(static_cast<int>(step.event)) + step.port);
    const auto ev = [](Event e, const std::string& port) { return std::to_string(static_cast<int>(e)) + port; };
    std::vector<std::string> expected{ev(Event::Rescanning, "com3")};
    for (const char* port : {"com1", "com2", "com3", "com4", "com5"}) expected.push_back(ev(Event::Trying, port));
    expected.push_back(ev(Event::Found, "com5"));
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(session.Port(), "com5");
    EXPECT_EQ(comm.RetryCount.load(), 3);
    CardKeptAndNextCardReported();
}

// Named by the operator (cardfmt watch --port): that port only, however long.
TEST_F(WatchSession, WithoutRescanOnlyTheNamedPortIsWaitedFor) {
    options.rescanAfterMs = 0;
    TWatchSession session(comm, "com3", options);
    CardThenUnplugged(0x1111);
    ASSERT_EQ(session.Lose().event, Event::Lost);
    ASSERT_TRUE(sim.ReappearAs("com5"));
    now += 1h;
    for (int i = 0; i < 5; ++i) EXPECT_EQ(session.Next().event, Event::None);
    EXPECT_TRUE(session.Waiting());
    EXPECT_FALSE(session.Rescanning());
}
