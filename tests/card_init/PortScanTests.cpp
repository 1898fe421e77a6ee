// The port scan over a port table of our own: dead entries, a silent port and the
// simulated reader.
#include "card_init/PortScan.h"
#include "platform/PortNames.h"
#include "sim/SimReader.h"
#include "tests/support/PortTable.h"

#include <gtest/gtest.h>



TEST(PortScan, FindsTheReaderOnTheThirdPortAndRestoresRetries) {
    testsupport::PortTable table;
    sim::SimReader reader;
    ASSERT_TRUE(reader.LinkAs("com3"));
    TCommClass comm;
    std::vector<std::string> tried;
    int misses = 0;
    PortScanHooks hooks;
    hooks.trying = [&](const std::string& name) {
        tried.push_back(name);
        EXPECT_EQ(comm.RetryCount, 1);
    };
    hooks.afterMiss = [&] { ++misses; };
    auto found = ScanForReader(comm, hooks);
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, "com3");
    EXPECT_EQ(tried, (std::vector<std::string>{"com1", "com2", "com3"}));
    EXPECT_EQ(misses, 2);
    EXPECT_TRUE(comm.Connected);
    EXPECT_TRUE(comm.PortOpen());
    EXPECT_EQ(comm.RetryCount, 3);
    comm.Disconnect();
}

TEST(PortScan, SilentPortIsClosedBeforeTheNextIsTried) {
    testsupport::PortTable table;
    sim::SimReader silent;
    silent.SetSilent(true);
    ASSERT_TRUE(silent.LinkAs("com1"));
    sim::SimReader reader;
    ASSERT_TRUE(reader.LinkAs("com2"));
    TCommClass comm;
    PortScanHooks hooks;
    hooks.trying = [&](const std::string& name) {
        if (name == "com2") {
            EXPECT_FALSE(comm.PortOpen()) << "com1 still open";
            EXPECT_FALSE(comm.Connected);
        }
    };
    auto found = ScanForReader(comm, hooks);
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, "com2");
    // The silent port got the probe and the closing signal, once each.
    auto ex = silent.Exchanges();
    ASSERT_EQ(ex.size(), 2u);
    EXPECT_EQ(ex[0].request, (ByteString{0x01, 0x00}));
    EXPECT_EQ(ex[1].request, (ByteString{0x38, 0x00}));
    comm.Disconnect();
}

TEST(PortScan, StopIsSeenAtTheTopOfTheNextPort) {
    testsupport::PortTable table;
    TCommClass comm;
    std::vector<std::string> tried;
    bool stop = false;
    PortScanHooks hooks;
    hooks.trying = [&](const std::string& name) { tried.push_back(name); };
    hooks.afterMiss = [&] { stop = tried.size() == 20; };  // "clicked" during the 20th port
    hooks.stopRequested = [&] { return stop; };
    EXPECT_FALSE(ScanForReader(comm, hooks));
    ASSERT_EQ(tried.size(), 20u) << "the scan goes round again after com15";
    EXPECT_EQ(tried[15], "com1");
    EXPECT_EQ(comm.RetryCount, 3);
    EXPECT_FALSE(comm.PortOpen());
}

TEST(PortScan, GivesUpAfterTheRequestedPasses) {
    testsupport::PortTable table;
    TCommClass comm;
    int tried = 0;
    PortScanHooks hooks;
    hooks.trying = [&](const std::string&) { ++tried; };
    EXPECT_FALSE(ScanForReader(comm, hooks, 2));
    EXPECT_EQ(tried, 30);
}
