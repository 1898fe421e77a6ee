#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "TestKeys.h"
#include "cryptel/Cryptel.h"
#include "cryptel/KeyCipher.h"

using namespace cryptel_test;

namespace {

struct Job {
    Key key;
    std::string name;
    std::string token;
};

// A reusable rendezvous of N threads. std::barrier would do, but the MinGW
// runtime's one never releases its waiters.
class Rendezvous {
public:
    explicit Rendezvous(int count) : count_(count) {}
    void ArriveAndWait() {
        std::unique_lock lock(mutex_);
        const unsigned long round = round_;
        if (++arrived_ == count_) {
            arrived_ = 0;
            ++round_;
            released_.notify_all();
            return;
        }
        released_.wait(lock, [&] { return round_ != round; });
    }

private:
    std::mutex mutex_;
    std::condition_variable released_;
    const int count_;
    int arrived_ = 0;
    unsigned long round_ = 0;
};

}  // namespace

// Each thread keeps the pointer from its own last call while the others
// decipher different tokens, some of them bad, and checks it still holds
// its own key after every round.
TEST(ConcurrentDecrypt, EachThreadGetsItsOwnResult) {
    constexpr int kThreads = 8;
    constexpr int kRounds = 200;
    std::mt19937 rng(31);
    std::vector<Job> jobs;
    for (int i = 0; i < kThreads; ++i) {
        Job job{RandomKey(rng), "thread-" + std::to_string(i), {}};
        job.token = EncipherKey(job.key, job.name);
        jobs.push_back(job);
    }

    Rendezvous sync(kThreads);
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const Job& job = jobs[t];
            const std::string expected = KeyText(job.key);
            for (int round = 0; round < kRounds; ++round) {
                const bool failRound = (round + t) % 5 == 0;
                const char* text = DecryptString(job.token.c_str(), failRound ? "" : job.name.c_str());
                // Every thread has made this round's call before any reads.
                sync.ArriveAndWait();
                const std::string got(text);
                if (got != (failRound ? std::string() : expected)) ++wrong;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(wrong.load(), 0);
}
