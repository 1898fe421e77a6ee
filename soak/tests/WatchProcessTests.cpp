// The child-process wrapper, with a stand-in script for cardfmt.
#include "soak/WatchProcess.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <fstream>
#include <thread>

namespace {

using namespace std::chrono_literals;

// A script that stands in for cardfmt: prints its arguments, then `body`.
std::string StandIn(const std::string& name, const std::string& body) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path) << "#!/bin/sh\necho \"$@\"\n" << body << '\n';
    chmod(path.c_str(), 0700);
    return path;
}

TEST(WatchProcess, LinesComeWholeEvenWhenTheProgramEndsRightAway) {
    soak::WatchProcess watch(StandIn("soak-standin-lines", "printf 'A ok\\nB no\\n'; exit 3"), "com7",
                             ::testing::TempDir() + "soak-standin-lines.err");
    ASSERT_TRUE(watch.Start());
    const auto status = watch.WaitExit(10s);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(soak::DescribeStatus(*status), "exit 3");
    EXPECT_FALSE(watch.Running());
    EXPECT_EQ(watch.TakeLines(), (std::vector<std::string>{"watch --port com7", "A ok", "B no"}));
}

TEST(WatchProcess, InterruptReachesTheChildAndKillEndsAHangingOne) {
    soak::WatchProcess stops(
        StandIn("soak-standin-int", "trap 'echo stopped; exit 0' INT; while :; do sleep 0.05; done"), "com7",
        ::testing::TempDir() + "soak-standin-int.err");
    ASSERT_TRUE(stops.Start());
    std::this_thread::sleep_for(300ms);  // until the trap is set
    stops.Interrupt();
    const auto status = stops.WaitExit(10s);
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
    EXPECT_EQ(stops.TakeLines().back(), "stopped");

    soak::WatchProcess hangs(StandIn("soak-standin-hang", "trap '' INT; while :; do sleep 0.05; done"), "com7",
                             ::testing::TempDir() + "soak-standin-hang.err");
    ASSERT_TRUE(hangs.Start());
    std::this_thread::sleep_for(300ms);
    hangs.Interrupt();
    EXPECT_FALSE(hangs.WaitExit(500ms).has_value());
    EXPECT_TRUE(hangs.Running());
    hangs.Kill();
    EXPECT_FALSE(hangs.Running());
}

}  // namespace
