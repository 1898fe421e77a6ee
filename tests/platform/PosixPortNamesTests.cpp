// How port names become devices on POSIX.
#include "harness/TempConfigHome.h"
#include "platform/PortNames.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

class PortNames : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(Entry("")); }
    fs::path Entry(const std::string& name) { return root / "cardfmt" / "ports" / name; }

    harness::TempConfigHome home;
    const fs::path root = home.Root();
};

}  // namespace

TEST_F(PortNames, PathsAreUsedAsTheyAre) {
    EXPECT_EQ(platform::ResolvePortName("/dev/ttyUSB7"), "/dev/ttyUSB7");
    EXPECT_EQ(platform::ResolvePortName("./com3"), "./com3");
}

TEST_F(PortNames, ComNamesComeFromThePortTableInAnyCase) {
    EXPECT_EQ(platform::PortTableFolder(), (root / "cardfmt" / "ports").string());
    fs::create_symlink("/dev/null", Entry("com3"));
    fs::create_symlink(root / "gone", Entry("com12"));  // a dangling entry still names its device
    EXPECT_EQ(platform::ResolvePortName("com3"), Entry("com3").string());
    EXPECT_EQ(platform::ResolvePortName("COM3"), Entry("com3").string());
    EXPECT_EQ(platform::ResolvePortName("com12"), Entry("com12").string());
}

TEST_F(PortNames, ComNamesOutsideTheTableCountTheMachinesDevices) {
    const auto devices = platform::EnumerateSerialDevices();
    for (std::size_t i = 0; i < devices.size() && i < 15; ++i)
        EXPECT_EQ(platform::ResolvePortName("com" + std::to_string(i + 1)), devices[i]);
    EXPECT_EQ(platform::ResolvePortName("com" + std::to_string(devices.size() + 1)), "");
}

TEST_F(PortNames, OtherNamesStandForNothing) {
    for (const char* name : {"", "com", "com0", "comX", "co3", "lpt1", "com3a"})
        EXPECT_EQ(platform::ResolvePortName(name), "") << name;
}

TEST_F(PortNames, WithoutXdgTheTableLivesInHome) {
    ::unsetenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (!home || !*home) GTEST_SKIP() << "no HOME";
    EXPECT_EQ(platform::PortTableFolder(), std::string(home) + "/.config/cardfmt/ports");
}
