// The comN entry in the per-user port table that points at the simulator.
#include "sim/SimReader.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "harness/HostPort.h"
#include "harness/TempConfigHome.h"
#include "platform/PortNames.h"

namespace {

namespace fs = std::filesystem;
using harness::TempConfigHome;

TEST(SimReaderLink, LinkIsCreatedAndRemovedWithTheReader) {
    TempConfigHome home;
    const fs::path entry = fs::path(home.PortsFolder()) / "com7";
    {
        sim::SimReader reader;
        ASSERT_TRUE(reader.LinkAs("com7"));
        EXPECT_EQ(reader.LinkPath(), entry.string());
        ASSERT_TRUE(fs::is_symlink(entry));
        EXPECT_EQ(fs::read_symlink(entry).string(), reader.SlavePath());
        // The tool's own lookup finds it.
        EXPECT_EQ(platform::ResolvePortName("COM7"), entry.string());
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(entry)));
}

TEST(SimReaderLink, ClientsReachTheReaderThroughTheLink) {
    TempConfigHome home;
    sim::SimReader reader;
    ASSERT_TRUE(reader.LinkAs("com3"));
    harness::HostPort port(platform::ResolvePortName("com3"));
    ASSERT_TRUE(port.IsOpen());
    ASSERT_TRUE(port.Write(harness::RequestFrame({0x38, 0x09})));
    EXPECT_EQ(harness::ReplyPayload(port.ReadReplyFrame()), (ByteString{0x0A, 0x00}));
}

TEST(SimReaderLink, StaleEntryIsReplaced) {
    TempConfigHome home;
    fs::create_directories(home.PortsFolder());
    const fs::path entry = fs::path(home.PortsFolder()) / "com2";
    fs::create_symlink("/dev/null", entry);
    sim::SimReader reader;
    ASSERT_TRUE(reader.LinkAs("com2"));
    EXPECT_EQ(fs::read_symlink(entry).string(), reader.SlavePath());
}

TEST(SimReaderLink, EntryReplacedBySomeoneElseIsLeftAlone) {
    TempConfigHome home;
    const fs::path entry = fs::path(home.PortsFolder()) / "com4";
    {
        sim::SimReader reader;
        ASSERT_TRUE(reader.LinkAs("com4"));
        fs::remove(entry);
        fs::create_symlink("/dev/null", entry);
    }
    ASSERT_TRUE(fs::is_symlink(fs::symlink_status(entry)));
    EXPECT_EQ(fs::read_symlink(entry).string(), "/dev/null");
}

TEST(SimReaderLink, LinkingAgainMovesTheEntry) {
    TempConfigHome home;
    sim::SimReader reader;
    ASSERT_TRUE(reader.LinkAs("com1"));
    ASSERT_TRUE(reader.LinkAs("com9"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(fs::path(home.PortsFolder()) / "com1")));
    EXPECT_TRUE(fs::is_symlink(fs::path(home.PortsFolder()) / "com9"));
}

TEST(SimReaderLink, NamesThatAreNotPlainFileNamesAreRefused) {
    TempConfigHome home;
    sim::SimReader reader;
    for (const char* bad : {"", ".", "..", "../com1", "a/b"}) EXPECT_FALSE(reader.LinkAs(bad)) << bad;
    EXPECT_TRUE(reader.LinkPath().empty());
}

TEST(SimReaderLink, LinkFollowsTheReaderToItsNewPty) {
    TempConfigHome home;
    sim::SimReader reader;
    ASSERT_TRUE(reader.LinkAs("com5"));
    reader.Hangup();
    ASSERT_TRUE(reader.Reappear());
    const fs::path entry = fs::path(home.PortsFolder()) / "com5";
    EXPECT_EQ(fs::read_symlink(entry).string(), reader.SlavePath());
    harness::HostPort port(entry.string());
    ASSERT_TRUE(port.IsOpen());
    ASSERT_TRUE(port.Write(harness::RequestFrame({0x01, 0x00})));
    EXPECT_TRUE(harness::ReplyPayload(port.ReadReplyFrame()).has_value());
}

}  // namespace
