// The control loop: lines in, stop on request or on the stop descriptor, never
// on end of input.
#include "sim/console/LineLoop.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "harness/HostPort.h"

namespace {

struct Pipe {
    Pipe() { EXPECT_EQ(pipe(fds), 0); }
    ~Pipe() {
        CloseRead();
        CloseWrite();
    }
    void Put(const std::string& s) { EXPECT_EQ(write(fds[1], s.data(), s.size()), static_cast<ssize_t>(s.size())); }
    void CloseRead() {
        if (fds[0] >= 0) close(fds[0]);
        fds[0] = -1;
    }
    void CloseWrite() {
        if (fds[1] >= 0) close(fds[1]);
        fds[1] = -1;
    }
    int fds[2] = {-1, -1};
};

class LineCollector {
public:
    bool Take(const std::string& line) {
        std::lock_guard lock(m_);
        lines_.push_back(line);
        if (lines_.size() == expected_) reached_.set_value();
        return line != "stop";
    }
    std::future<void> Expect(std::size_t count) {
        std::lock_guard lock(m_);
        expected_ = count;
        reached_ = {};
        return reached_.get_future();
    }
    std::vector<std::string> Lines() {
        std::lock_guard lock(m_);
        return lines_;
    }

private:
    std::mutex m_;
    std::vector<std::string> lines_;
    std::size_t expected_ = 0;
    std::promise<void> reached_;
};

// Runs the loop on its own thread and makes sure it ends with the test, even one
// that failed half-way.
class LoopRun {
public:
    LoopRun() {
        done_ = std::async(std::launch::async, [this] {
            return sim::RunLineLoop(input.fds[0], stop.fds[0], [this](const std::string& l) { return lines.Take(l); });
        });
    }
    ~LoopRun() {
        if (done_.valid()) {
            stop.Put("x");
            done_.wait();
        }
    }
    std::future<bool>& Done() { return done_; }

    Pipe input, stop;
    LineCollector lines;

private:
    std::future<bool> done_;
};

TEST(LineLoop, SplitsLinesAcrossReadsAndStripsCarriageReturns) {
    LoopRun run;
    auto& input = run.input;
    auto& c = run.lines;
    auto& done = run.Done();
    input.Put("place 1");
    input.Put("2\r\ndump\n\nsignals\n");
    input.Put("stop\n");
    ASSERT_EQ(done.wait_for(harness::kPatience), std::future_status::ready);
    EXPECT_TRUE(done.get());
    EXPECT_EQ(c.Lines(), (std::vector<std::string>{"place 12", "dump", "", "signals", "stop"}));
}

TEST(LineLoop, EndOfInputKeepsItRunningUntilTheStopDescriptor) {
    LoopRun run;
    auto& input = run.input;
    auto seen = run.lines.Expect(1);
    auto& done = run.Done();
    input.Put("remove\n");
    input.CloseWrite();
    ASSERT_EQ(seen.wait_for(harness::kPatience), std::future_status::ready);
    // Still running after end of input; only the stop descriptor ends it.
    EXPECT_EQ(done.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
    run.stop.Put("x");
    ASSERT_EQ(done.wait_for(harness::kPatience), std::future_status::ready);
    EXPECT_FALSE(done.get());
}

TEST(LineLoop, OverlongLineArrivesEmptyAndTheNextLineIsIntact) {
    LoopRun run;
    auto& input = run.input;
    auto& c = run.lines;
    auto& done = run.Done();
    const std::string huge(sim::kMaxControlLine + 100, 'a');
    input.Put(huge + "\nsignals\nstop\n");  // well within a pipe's buffer
    ASSERT_EQ(done.wait_for(harness::kPatience), std::future_status::ready);
    EXPECT_EQ(c.Lines(), (std::vector<std::string>{"", "signals", "stop"}));
}

TEST(LineLoop, LineOfExactlyTheLimitIsKept) {
    LoopRun run;
    auto& input = run.input;
    auto& c = run.lines;
    auto& done = run.Done();
    const std::string longest(sim::kMaxControlLine, 'b');
    input.Put(longest + "\nstop\n");
    ASSERT_EQ(done.wait_for(harness::kPatience), std::future_status::ready);
    EXPECT_EQ(c.Lines(), (std::vector<std::string>{longest, "stop"}));
}

}  // namespace
