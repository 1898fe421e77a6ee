// The card watcher against the simulated reader: which cards are reported, and
// that stopping never deadlocks with a handler that waits for the stopping thread.
#include "card_init/AutoFindCard.h"
#include "sim/SimReader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;

class Watcher : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(comm.Connect(sim.SlavePath()));
        watcher = std::make_unique<TAutoFindCardThrd>(&comm);
        watcher->OnNewCard = [this](std::uint32_t serial) {
            std::lock_guard lock(mutex);
            reported.push_back(serial);
            changed.notify_all();
        };
    }
    void TearDown() override {
        watcher.reset();
        comm.Disconnect();
    }

    std::vector<std::uint32_t> Reported() {
        std::lock_guard lock(mutex);
        return reported;
    }
    // Waits (bounded) until `count` cards were reported.
    bool WaitReported(std::size_t count, std::chrono::milliseconds limit = 10s) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, limit, [&] { return reported.size() >= count; });
    }
    // Lets a few poll steps pass.
    void Polls(int n) {
        auto seen = sim.Exchanges().size();
        ASSERT_TRUE(sim.WaitForExchanges(seen + static_cast<std::size_t>(n), 10s));
    }

    sim::SimReader sim;
    TCommClass comm;
    std::unique_ptr<TAutoFindCardThrd> watcher;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::uint32_t> reported;
};

}  // namespace

TEST_F(Watcher, CardIsReportedOnceWhileItStays) {
    watcher->Start();
    sim.PlaceCard(sim::MifareCard(0x1111));
    ASSERT_TRUE(WaitReported(1));
    Polls(8);
    EXPECT_EQ(Reported(), (std::vector<std::uint32_t>{0x1111}));
    EXPECT_EQ(watcher->LastSerial, 0x1111u);
}

TEST_F(Watcher, CardLaidAgainOrAnotherCardIsReportedAgain) {
    std::atomic<int> removed{0};
    watcher->OnCardRemoved = [&] { ++removed; };
    watcher->Start();
    sim.PlaceCard(sim::MifareCard(0x1111));
    ASSERT_TRUE(WaitReported(1));
    sim.RemoveCard();
    Polls(2);
    EXPECT_EQ(watcher->LastSerial, 0u);
    EXPECT_EQ(removed, 1);
    sim.PlaceCard(sim::MifareCard(0x1111));
    ASSERT_TRUE(WaitReported(2));
    sim.PlaceCard(sim::MifareCard(0x2222));  // swapped with no empty poll between
    ASSERT_TRUE(WaitReported(3));
    EXPECT_EQ(Reported(), (std::vector<std::uint32_t>{0x1111, 0x1111, 0x2222}));
}

// A poll the reader leaves unanswered says nothing of the card: it stays, and is
// not run again (with a spurious 该卡已初始化。) once the reader answers.
TEST_F(Watcher, AnUnansweredPollKeepsTheCardOnTheReader) {
    std::atomic<int> removed{0};
    watcher->OnCardRemoved = [&] { ++removed; };
    comm.SetRetryCount(1);
    watcher->Start();
    sim.PlaceCard(sim::MifareCard(0x6666));
    ASSERT_TRUE(WaitReported(1));
    sim.IgnoreNextRequests(1);
    Polls(6);
    EXPECT_EQ(removed, 0);
    EXPECT_EQ(Reported().size(), 1u) << "the card lying on the reader was run again";
}

TEST_F(Watcher, SerialZeroIsNeverReported) {
    watcher->Start();
    sim.PlaceCard(sim::MifareCard(0x3333));
    ASSERT_TRUE(WaitReported(1));
    sim.PlaceCard(sim::MifareCard(0));  // even right after another card
    Polls(6);
    EXPECT_EQ(Reported().size(), 1u);
}

TEST_F(Watcher, StopAndStartKeepTheLastCard) {
    watcher->Start();
    sim.PlaceCard(sim::MifareCard(0x4444));
    ASSERT_TRUE(WaitReported(1));
    watcher->Stop();
    EXPECT_TRUE(watcher->Idle);
    auto before = sim.Exchanges().size();
    std::this_thread::sleep_for(350ms);
    EXPECT_EQ(sim.Exchanges().size(), before) << "no poll after Stop returned";
    watcher->Start();
    Polls(6);
    EXPECT_EQ(Reported().size(), 1u);
}

TEST_F(Watcher, HandlerExceptionIsSwallowedAndTheCardReportedAgain) {
    std::atomic<int> calls{0};
    watcher->OnNewCard = [&](std::uint32_t) {
        if (++calls == 1) throw std::runtime_error("handler failed");
    };
    watcher->Start();
    sim.PlaceCard(sim::MifareCard(0x5555));
    for (int i = 0; i < 200 && calls < 2; ++i) std::this_thread::sleep_for(20ms);
    EXPECT_EQ(calls, 2);
    Polls(4);
    EXPECT_EQ(calls, 2) << "reported once more, then remembered";
}

// An unplugged adapter: the link closes the port after a failed write, and every
// later poll fails. The owner hears of it, so it can open the port again (what the
// card on the reader then does: WatchSessionTests).
TEST_F(Watcher, PollErrorsAreReportedSoTheOwnerCanReopenThePort) {
    std::atomic<int> errors{0};
    watcher->OnPollError = [&] { ++errors; };
    watcher->Start();
    sim.PlaceCard(sim::MifareCard(0x9999));
    ASSERT_TRUE(WaitReported(1));
    sim.Hangup();
    for (int i = 0; i < 500 && errors == 0; ++i) std::this_thread::sleep_for(20ms);
    ASSERT_GT(errors, 0);
    watcher->Stop();
    EXPECT_FALSE(comm.PortOpen());
}

TEST_F(Watcher, NoPollStepsWhileTheLinkIsNotConnected) {
    comm.Disconnect();
    sim.ClearExchanges();
    watcher->Start();
    sim.PlaceCard(sim::MifareCard(0x6666));
    std::this_thread::sleep_for(400ms);
    EXPECT_TRUE(sim.Exchanges().empty());
    EXPECT_TRUE(Reported().empty());
}

TEST_F(Watcher, EnsureOpenUsesTheConnectedLinkOrConnects) {
    sim.ClearExchanges();
    EXPECT_TRUE(watcher->EnsureOpen(""));
    EXPECT_TRUE(sim.Exchanges().empty());
    comm.Disconnect();
    EXPECT_FALSE(watcher->EnsureOpen(""));
    EXPECT_TRUE(watcher->EnsureOpen(sim.SlavePath()));
    EXPECT_TRUE(comm.Connected);
}

// The handler asks the thread that owns the watcher to do something (show a message)
// and waits for it; that same thread is the one calling Stop.
TEST_F(Watcher, StopServesTheHandlersRequestsWhileItWaits) {
    std::mutex qMutex;
    std::deque<std::packaged_task<void()>> requests;
    auto serve = [&] {
        std::unique_lock lock(qMutex);
        while (!requests.empty()) {
            auto task = std::move(requests.front());
            requests.pop_front();
            lock.unlock();
            task();
            lock.lock();
        }
    };
    std::atomic<bool> handlerEntered{false};
    std::atomic<bool> served{false};
    watcher->WaitService = serve;
    watcher->OnNewCard = [&](std::uint32_t) {
        handlerEntered = true;
        std::packaged_task<void()> task([&] { served = true; });
        auto done = task.get_future();
        {
            std::lock_guard lock(qMutex);
            requests.push_back(std::move(task));
        }
        done.wait();  // blocks until the owner's thread ran it
    };
    watcher->Start();
    sim.PlaceCard(sim::MifareCard(0x7777));
    for (int i = 0; i < 500 && !handlerEntered; ++i) std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(handlerEntered);

    watcher->Stop();  // would hang forever if it did not serve
    EXPECT_TRUE(served);
    EXPECT_TRUE(watcher->Idle);
    EXPECT_EQ(watcher->LastSerial, 0x7777u);

    // The same holds for destruction with a request pending.
    watcher->Start();
    served = false;
    handlerEntered = false;
    sim.PlaceCard(sim::MifareCard(0x8888));
    for (int i = 0; i < 500 && !handlerEntered; ++i) std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(handlerEntered);
    watcher.reset();
    EXPECT_TRUE(served);
}

TEST(WatcherOwnLink, CreatesAndFreesItsOwnLink) {
    TAutoFindCardThrd watcher;
    EXPECT_FALSE(watcher.Comm().Connected);
    EXPECT_FALSE(watcher.EnsureOpen(""));
    watcher.Start();
    std::this_thread::sleep_for(150ms);
    watcher.Stop();
}
