// The hand-over of a dialog from a worker thread to the UI thread, with a
// plain task queue standing for the UI thread's event loop.
#include "ui/DialogHandOver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace {

// A thread running queued tasks until stopped; what is still queued then is
// dropped unrun, as a window system drops the events of a loop that ended.
class UiThread {
public:
    UiThread() : thread_([this] { Run(); }) {}
    ~UiThread() {
        Stop();
        thread_.join();
    }

    bool Post(std::function<void()> task) {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (stopped_) return false;
        queue_.push_back(std::move(task));
        wake_.notify_all();
        return true;
    }

    void Stop() {
        std::deque<std::function<void()>> dropped;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stopped_ = true;
            dropped.swap(queue_);
        }
        wake_.notify_all();
    }

    std::thread::id id() const { return thread_.get_id(); }

private:
    void Run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stopped_ || !queue_.empty(); });
            if (stopped_) return;
            std::function<void()> task = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            task();
            task = nullptr;
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
    bool stopped_ = false;
    std::thread thread_;
};

PostToUiThreadFn PostTo(UiThread& ui) {
    return [&ui](std::function<void()> task) { return ui.Post(std::move(task)); };
}

}  // namespace

TEST(DialogHandOver, OpensOnTheUiThreadAndWaitsForTheAnswer) {
    UiThread ui;
    std::function<void(int)> pendingAnswer;
    std::atomic<bool> opened{false};
    std::atomic<bool> openedOnUi{false};
    std::atomic<bool> returned{false};
    std::atomic<int> result{-1};

    std::thread asker([&] {
        result = RunOnUiThreadAndWait(
            PostTo(ui),
            [&](std::function<void(int)> finish) {
                openedOnUi = std::this_thread::get_id() == ui.id();
                pendingAnswer = std::move(finish);  // the dialog stays open
                opened = true;
            },
            0);
        returned = true;
    });
    while (!opened) std::this_thread::yield();
    // The dialog is open and nobody has answered: the asker must still wait.
    // Its answer comes through the UI thread, as a click would.
    std::atomic<bool> answered{false};
    // Nothing of this test's frame is touched once the answer is given: the asker,
    // and with it the test, may go on at once.
    ASSERT_TRUE(ui.Post([&] {
        EXPECT_FALSE(returned.load());
        answered = true;
        std::function<void(int)> finish = std::move(pendingAnswer);
        finish(6);
    }));
    asker.join();
    EXPECT_TRUE(answered);
    EXPECT_TRUE(openedOnUi);
    EXPECT_EQ(result.load(), 6);
}

TEST(DialogHandOver, NoLoopToPostToReleasesTheAsker) {
    UiThread ui;
    ui.Stop();
    bool opened = false;
    EXPECT_EQ(RunOnUiThreadAndWait(
                  PostTo(ui), [&](std::function<void(int)>) { opened = true; }, -7),
              -7);
    EXPECT_FALSE(opened);
}

TEST(DialogHandOver, ADroppedTaskReleasesTheAsker) {
    // Queued but never run: the loop ends first.
    std::mutex mutex;
    std::function<void()> queued;
    std::thread asker([&] {
        const auto post = [&](std::function<void()> task) {
            const std::lock_guard<std::mutex> lock(mutex);
            queued = std::move(task);
            return true;
        };
        EXPECT_EQ(RunOnUiThreadAndWait(
                      post, [](std::function<void(int)>) { FAIL() << "opened"; }, -7),
                  -7);
    });
    for (bool posted = false; !posted; std::this_thread::yield()) {
        const std::lock_guard<std::mutex> lock(mutex);
        posted = static_cast<bool>(queued);
        if (posted) queued = nullptr;
    }
    asker.join();
}

TEST(DialogHandOver, ADialogDestroyedUnansweredReleasesTheAsker) {
    UiThread ui;
    // The dialog opens and is destroyed without an answer: its finish function
    // goes with it.
    EXPECT_EQ(RunOnUiThreadAndWait(
                  PostTo(ui), [](std::function<void(int)> finish) { finish = nullptr; }, -7),
              -7);
}

TEST(DialogHandOver, AFailureToOpenReachesTheAsker) {
    UiThread ui;
    EXPECT_THROW(RunOnUiThreadAndWait(
                     PostTo(ui), [](std::function<void(int)>) { throw std::runtime_error("no window"); }, 0),
                 std::runtime_error);
}
