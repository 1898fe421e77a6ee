// The two kinds of event the link's threads are ordered with.
#include "platform/Event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using platform::Event;
using namespace std::chrono_literals;

TEST(Event, AutoResetWakesExactlyOneWait) {
    Event event(Event::Kind::AutoReset);
    EXPECT_FALSE(event.Wait(0));
    event.Set();
    event.Set();  // setting twice is still one signal
    EXPECT_TRUE(event.Wait(0));
    EXPECT_FALSE(event.Wait(0));
    EXPECT_FALSE(event.IsSet());
}

TEST(Event, ManualResetStaysUntilReset) {
    Event event(Event::Kind::ManualReset, true);
    EXPECT_TRUE(event.Wait(0));
    EXPECT_TRUE(event.Wait(0));
    event.Reset();
    EXPECT_FALSE(event.Wait(0));
}

TEST(Event, TimedWaitEndsOnTimeAndNotBefore) {
    Event event(Event::Kind::AutoReset);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(event.Wait(50));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
    EXPECT_FALSE(event.WaitUntil(std::chrono::steady_clock::now() - 1s));
}

TEST(Event, UnboundedWaitWakesOnSetFromAnotherThread) {
    Event event(Event::Kind::ManualReset);
    std::atomic<bool> woke{false};
    std::thread waiter([&] { woke = event.Wait(-1); });
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(woke.load());
    event.Set();
    waiter.join();
    EXPECT_TRUE(woke.load());
}
