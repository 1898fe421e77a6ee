// The port scan over a port table of our own: dead entries, a silent port and the
// simulated reader.
#include "card_init/PortScan.h"
#include "harness/MemoryPort.h"
#include "harness/PortTable.h"
#include "platform/PortNames.h"
#include "reader_link/FrameLayout.h"
#include "sim/SimReader.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// What a port of the fake port table does when opened.
enum class PortKind { Missing, Denied, Held, Busy, NoReader, Reader };

// Opens ports by the table; the ports that open answer the probe as a reader or not.
TCommClass::PortOpener FakePorts(std::map<std::string, PortKind> ports) {
    return [ports](const std::string& name) {
        platform::OpenResult r;
        const auto it = ports.find(name);
        const PortKind kind = it == ports.end() ? PortKind::Missing : it->second;
        switch (kind) {
            case PortKind::Missing:
                r.failure = platform::OpenFailure::NoDevice;
                r.error = "missing";
                return r;
            case PortKind::Denied:
                r.failure = platform::OpenFailure::AccessDenied;
                r.error = "denied";
                return r;
            case PortKind::Held:
                r.failure = platform::OpenFailure::InUse;
                r.error = "held";
                return r;
            case PortKind::Busy:
                r.failure = platform::OpenFailure::Other;
                r.error = "busy";
                return r;
            case PortKind::NoReader:
            case PortKind::Reader: break;
        }
        auto shared = std::make_shared<harness::MemoryPort::Shared>();
        const std::uint8_t probeAnswer = kind == PortKind::Reader ? 0x00 : 0x01;
        shared->responder = [probeAnswer](const ByteString&, std::deque<std::uint8_t>& in) {
            ByteString f = frame::BuildReply({0x0A, 0x00, probeAnswer});
            in.insert(in.end(), f.begin(), f.end());
        };
        r.device = "/dev/fake-" + name;
        r.port = std::make_unique<harness::MemoryPort>(shared);
        return r;
    };
}

}  // namespace

TEST(PortScan, FindsTheReaderOnTheThirdPortAndRestoresRetries) {
    harness::PortTable table;
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
    harness::PortTable table;
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
    // The silent port got the probe, once; it had not answered, so no farewell.
    auto ex = silent.Exchanges();
    ASSERT_EQ(ex.size(), 1u);
    EXPECT_EQ(ex[0].request, (ByteString{0x01, 0x00}));
    comm.Disconnect();
}

TEST(PortScan, StopIsSeenAtTheTopOfTheNextPort) {
    harness::PortTable table;
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
    harness::PortTable table;
    TCommClass comm;
    int tried = 0;
    PortScanHooks hooks;
    hooks.trying = [&](const std::string&) { ++tried; };
    EXPECT_FALSE(ScanForReader(comm, hooks, 2));
    EXPECT_EQ(tried, 30);
}

// Each pass without a reader says how many ports were there, how many of them
// refused this user and which one another program held first; only when every port
// there refused is the user told so.
TEST(PortScan, EachPassReportsThePortsThatRefusedAccess) {
    using K = PortKind;
    struct Row {
        const char* what;
        std::map<std::string, PortKind> ports;
        int present, denied, opened;
        bool allDenied;
        std::string held = "";
    };
    const std::vector<Row> rows = {
        {"no port at all", {}, 0, 0, 0, false},
        {"every port there refused", {{"com1", K::Denied}, {"com4", K::Denied}, {"com15", K::Denied}}, 3, 3, 0, true},
        {"one port there was busy", {{"com1", K::Denied}, {"com2", K::Busy}}, 2, 1, 0, false},
        {"one port opened", {{"com1", K::Denied}, {"com2", K::NoReader}}, 2, 1, 1, false},
        {"a held port is there, not refused", {{"com1", K::Denied}, {"com3", K::Held}}, 2, 1, 0, false, "com3"},
        {"the first of several held ports is named",
         {{"com2", K::NoReader}, {"com5", K::Held}, {"com9", K::Held}},
         3,
         0,
         1,
         false,
         "com5"},
        {"a missing port is neither there nor held", {{"com3", K::Missing}}, 0, 0, 0, false},
    };
    for (const Row& row : rows) {
        TCommClass comm(FakePorts(row.ports));
        std::vector<ScanPassReport> reports;
        PortScanHooks hooks;
        hooks.passEnded = [&](const ScanPassReport& report) { reports.push_back(report); };
        EXPECT_FALSE(ScanForReader(comm, hooks, 2)) << row.what;
        ASSERT_EQ(reports.size(), 2u) << row.what;
        for (const ScanPassReport& report : reports) {
            EXPECT_EQ(report.portsPresent, row.present) << row.what;
            EXPECT_EQ(report.portsDenied, row.denied) << row.what;
            EXPECT_EQ(report.portsOpened, row.opened) << row.what;
            EXPECT_EQ(report.AllPresentDenied(), row.allDenied) << row.what;
            EXPECT_EQ(report.firstHeld, row.held) << row.what;
        }
    }
}

TEST(PortScan, APassThatFindsTheReaderIsNotReported) {
    TCommClass comm(FakePorts({{"com1", PortKind::Denied}, {"com2", PortKind::Reader}}));
    int reports = 0;
    PortScanHooks hooks;
    hooks.passEnded = [&](const ScanPassReport&) { ++reports; };
    EXPECT_EQ(ScanForReader(comm, hooks), "com2");
    EXPECT_EQ(reports, 0);
    comm.Disconnect();
}
