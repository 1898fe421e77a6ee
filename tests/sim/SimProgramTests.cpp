// cardfmt-sim run as a program, driven through its standard input and output.
#include <signal.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "harness/ChildProcess.h"
#include "harness/HostPort.h"
#include "harness/TempConfigHome.h"

namespace {

namespace fs = std::filesystem;
using harness::ChildProcess;
using harness::kPatience;

bool ExitedWith(const std::optional<int>& status, int code) {
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == code;
}

std::optional<ByteString> Ask(const std::string& device, const ByteString& command) {
    harness::HostPort port(device);
    if (!port.Write(harness::RequestFrame(command))) return std::nullopt;
    return harness::ReplyPayload(port.ReadReplyFrame());
}

TEST(SimProgram, LinksAnswersCommandsAndCleansUpOnQuit) {
    harness::TempConfigHome home;
    ChildProcess sim({CARDFMT_SIM_PROGRAM, "--link", "com6"});
    ASSERT_TRUE(sim.Running());
    const auto path = sim.ReadLine(kPatience);
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(sim.ReadLine(kPatience), "linked as com6");
    const fs::path entry = fs::path(home.PortsFolder()) / "com6";
    ASSERT_TRUE(fs::is_symlink(entry));
    EXPECT_EQ(fs::read_symlink(entry).string(), *path);

    ASSERT_TRUE(sim.Send("place 0A0B0C0D\n"));
    EXPECT_EQ(sim.ReadLine(kPatience), "ok placed 0A0B0C0D");
    EXPECT_EQ(Ask(entry.string(), {0x30, 0x01}), (ByteString{0x0A, 0x00, 0x04, 0x00}));
    EXPECT_EQ(Ask(entry.string(), {0x38, 0x03}), (ByteString{0x0A, 0x00}));
    ASSERT_TRUE(sim.Send("signals\n"));
    EXPECT_EQ(sim.ReadLine(kPatience), "signals 03@0A0B0C0D");
    ASSERT_TRUE(sim.Send("quit\n"));
    EXPECT_TRUE(sim.ReadLine(kPatience).has_value());
    EXPECT_TRUE(ExitedWith(sim.Wait(kPatience), 0));
    EXPECT_FALSE(fs::exists(fs::symlink_status(entry)));
}

TEST(SimProgram, EndOfInputDoesNotStopItButTermDoes) {
    harness::TempConfigHome home;
    ChildProcess sim({CARDFMT_SIM_PROGRAM, "--link", "com2", "--card", "1234"});
    sim.CloseInput();
    const auto path = sim.ReadLine(kPatience);
    ASSERT_TRUE(path.has_value());
    ASSERT_TRUE(sim.ReadLine(kPatience).has_value());
    // Served after its input ended.
    EXPECT_EQ(Ask(*path, {0x30, 0x01}), (ByteString{0x0A, 0x00, 0x04, 0x00}));
    EXPECT_EQ(Ask(*path, {0x31, 0x00}), (ByteString{0x36, 0x00, 0x34, 0x12, 0x00, 0x00, 0x08}));
    EXPECT_TRUE(sim.Running());
    sim.Signal(SIGTERM);
    EXPECT_TRUE(ExitedWith(sim.Wait(kPatience), 0));
    EXPECT_FALSE(fs::exists(fs::symlink_status(fs::path(home.PortsFolder()) / "com2")));
}

TEST(SimProgram, InterruptAlsoRemovesTheLink) {
    harness::TempConfigHome home;
    ChildProcess sim({CARDFMT_SIM_PROGRAM, "--link", "com8"});
    ASSERT_TRUE(sim.ReadLine(kPatience).has_value());
    ASSERT_TRUE(sim.ReadLine(kPatience).has_value());
    ASSERT_TRUE(fs::is_symlink(fs::path(home.PortsFolder()) / "com8"));
    sim.Signal(SIGINT);
    EXPECT_TRUE(ExitedWith(sim.Wait(kPatience), 0));
    EXPECT_FALSE(fs::exists(fs::symlink_status(fs::path(home.PortsFolder()) / "com8")));
}

TEST(SimProgram, BadOptionsExitWithUsageError) {
    ChildProcess sim({CARDFMT_SIM_PROGRAM, "--demo", "none"});
    EXPECT_TRUE(ExitedWith(sim.Wait(kPatience), 2));
}

TEST(SimProgram, HelpExitsCleanly) {
    ChildProcess sim({CARDFMT_SIM_PROGRAM, "--help"});
    const auto first = sim.ReadLine(kPatience);
    ASSERT_TRUE(first.has_value());
    EXPECT_NE(first->find("usage"), std::string::npos);
    EXPECT_TRUE(ExitedWith(sim.Wait(kPatience), 0));
}

TEST(SimProgram, DemoPresentsACard) {
    ChildProcess sim({CARDFMT_SIM_PROGRAM, "--demo", "1"});
    const auto path = sim.ReadLine(kPatience);
    ASSERT_TRUE(path.has_value());
    // The first card comes shortly after start; ask until it is there.
    std::optional<ByteString> answer;
    for (int i = 0; i < 100; ++i) {
        answer = Ask(*path, {0x30, 0x01});
        if (answer != ByteString{0x0A, 0x01}) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(answer, (ByteString{0x0A, 0x00, 0x04, 0x00}));
    ASSERT_TRUE(sim.Send("dump\n"));
    const auto dump = sim.ReadLine(kPatience);
    ASSERT_TRUE(dump.has_value());
    EXPECT_EQ(dump->rfind("card ", 0), 0u);
    ASSERT_TRUE(sim.Send("quit\n"));
    EXPECT_TRUE(sim.ReadLine(kPatience).has_value());
    EXPECT_TRUE(ExitedWith(sim.Wait(kPatience), 0));
}

}  // namespace
