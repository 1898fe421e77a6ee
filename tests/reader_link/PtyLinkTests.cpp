// Transactions over a real pseudo-terminal against the simulated reader.
#include "harness/TraceCapture.h"
#include "platform/SerialPort.h"
#include "reader_link/CommObjClas.h"
#include "sim/SimReader.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono;
using namespace std::chrono_literals;

class PtyLink : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(comm.Connect(reader.SlavePath())); }
    void TearDown() override {
        reader.SetSilent(false);
        comm.Disconnect();
    }
    std::vector<std::string> Sent(const harness::TraceCapture& t) {
        std::vector<std::string> out;
        for (const auto& l : t.Lines())
            if (l.rfind("发送指令：", 0) == 0) out.push_back(l);
        return out;
    }

    sim::SimReader reader;
    TCommClass comm;
};

}  // namespace

TEST_F(PtyLink, ProbeCrossesTheLineExactly) {
    harness::TraceCapture trace;
    EXPECT_TRUE(comm.ProbeReader());
    auto lines = trace.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "发送指令：FF,A5,A5,A5,A5,A5,A5,A5,A5,A5,00,08,F7,00,00,FF,FF,01,00,1C,0F,FF");
    EXPECT_EQ(lines[1].rfind("接收指令：", 0), 0u);
    ASSERT_EQ(reader.Exchanges().size(), 1u);
    EXPECT_EQ(reader.Exchanges()[0].request, (ByteString{0x01, 0x00}));
}

TEST_F(PtyLink, SilentReaderCostsThreeIdenticalWritesAndAboutSixSeconds) {
    reader.SetSilent(true);
    harness::TraceCapture trace;
    auto start = steady_clock::now();
    EXPECT_FALSE(comm.RequestCard());
    auto elapsed = duration_cast<milliseconds>(steady_clock::now() - start).count();
    EXPECT_GE(elapsed, 6000);
    EXPECT_LT(elapsed, 9000);
    auto sent = Sent(trace);
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0], sent[1]);
    EXPECT_EQ(sent[1], sent[2]);
    EXPECT_EQ(reader.Exchanges().size(), 3u);
    EXPECT_FALSE(comm.Receiver().StartEvent.IsSet());
}

// Waiting for a reply sleeps until bytes come: it used to cost the worker a wake-up
// every millisecond (about 2000 over this wait).
TEST_F(PtyLink, WaitingForAReplyCostsNoWakeUpEveryMillisecond) {
    reader.SetSilent(true);
    comm.SetRetryCount(1);
    auto switches = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return usage.ru_nvcsw;
    };
    const long before = switches();
    const auto start = steady_clock::now();
    EXPECT_FALSE(comm.RequestCard());
    const auto elapsed = duration_cast<milliseconds>(steady_clock::now() - start).count();
    const long woken = switches() - before;
    EXPECT_GE(elapsed, 2000);
    EXPECT_LT(woken, 200) << "voluntary context switches of the whole test program over a 2 s wait";
}

// The reply is taken promptly and the next request follows it at once, however
// the wait for it is done.
TEST(PtyPaced, ReplyIsTakenWithinAFewMillisecondsOfItsLastByte) {
    sim::SimReader paced(true);
    TCommClass comm;
    ASSERT_TRUE(comm.Connect(paced.SlavePath()));
    paced.PlaceCard(sim::MifareCard(0x01020304));
    for (int i = 0; i < 5; ++i) {
        std::uint32_t serial = 0;
        ASSERT_TRUE(comm.RequestCard());
        ASSERT_TRUE(comm.ReadCardSerial(serial));
    }
    const auto log = paced.Exchanges();
    ASSERT_EQ(log.size(), 10u);
    std::vector<double> gapsMs;
    for (std::size_t i = 0; i + 1 < log.size(); ++i) {
        ASSERT_TRUE(log[i].replyEnd);
        gapsMs.push_back(duration<double, std::milli>(log[i + 1].requestStart - *log[i].replyEnd).count());
    }
    std::sort(gapsMs.begin(), gapsMs.end());
    // The quiet gap is 1 ms; a loaded machine adds scheduling delays, hence the margin.
    EXPECT_LT(gapsMs[gapsMs.size() / 2], 25.0);
    comm.Disconnect();
}

// Taking the port away, or ending the worker, while it waits for the line on a
// silent reader returns at once instead of waiting for bytes that never come.
TEST(PtyWorker, PortIsTakenAwayAndWorkerEndsWhileItWaitsForTheLine) {
    sim::SimReader silent;
    silent.SetSilent(true);
    auto opened = platform::OpenSerialPort(silent.SlavePath());
    ASSERT_TRUE(opened.port) << opened.error;
    {
        TRecvClass recv;
        recv.SetPort(opened.port.get());
        recv.StartEvent.Set();  // as if a transaction had begun
        std::this_thread::sleep_for(50ms);
        const auto start = steady_clock::now();
        recv.SetPort(nullptr);
        EXPECT_LT(steady_clock::now() - start, 2s);
        recv.SetPort(opened.port.get());
        std::this_thread::sleep_for(50ms);
    }  // destroyed while waiting: the join must not hang
    opened.port->Close();
}

TEST_F(PtyLink, AnswerToTheSecondWriteOrAfterACorruptReply) {
    harness::TraceCapture trace;
    reader.PlaceCard(sim::MifareCard(0x01020304));
    reader.IgnoreNextRequests(1);
    EXPECT_TRUE(comm.RequestCard());
    EXPECT_EQ(Sent(trace).size(), 2u);

    trace.Clear();
    reader.CorruptNextReplies(1);
    std::uint32_t serial = 0;
    EXPECT_TRUE(comm.ReadCardSerial(serial));
    EXPECT_EQ(serial, 0x01020304u);
    EXPECT_EQ(Sent(trace).size(), 2u);
}

TEST_F(PtyLink, LateReplyIsNeverTakenForTheNextRequest) {
    reader.PlaceCard(sim::MifareCard(0x0A0B0C0D));
    comm.SetRetryCount(1);
    reader.DelayNextReply(2300);  // the card request's answer comes after its time-out
    EXPECT_FALSE(comm.RequestCard());
    std::this_thread::sleep_for(600ms);  // ... and is waiting in the queue now
    std::uint32_t serial = 0;
    EXPECT_TRUE(comm.ReadCardSerial(serial));
    EXPECT_EQ(serial, 0x0A0B0C0Du);
}

// A half-duplex adapter sends every request back ahead of its reply: over such a
// line a whole card (select, both sectors opened and rewritten, the signals) needs
// no repeat, whether the echo and the reply come in one burst or paced apart.
TEST(PtyEcho, ALineThatEchoesEveryRequestFormatsACardWithoutARepeat) {
    for (const bool pace : {false, true}) {
        sim::SimReader reader(pace);
        reader.PlaceCard(sim::MifareCard(0x0A0B0C0D));
        reader.EchoRequests(true);
        TCommClass comm;
        ASSERT_TRUE(comm.Connect(reader.SlavePath()));
        std::uint32_t serial = 0;
        ASSERT_TRUE(comm.RequestCard()) << (pace ? "paced" : "at once");
        ASSERT_TRUE(comm.ReadCardSerial(serial));
        EXPECT_EQ(serial, 0x0A0B0C0Du);
        comm.AuthEnabled = true;
        const SectorKeyBytes installed{0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
        for (const int sector : {5, 6}) {
            comm.SectorNo = sector;
            comm.SectorKey = ByteString(kTransportKey.begin(), kTransportKey.end());
            EXPECT_TRUE(comm.AuthenticateSector()) << "sector " << sector;
            EXPECT_TRUE(comm.WriteSectorTrailer(installed)) << "sector " << sector;
            EXPECT_EQ(reader.CardBySerial(0x0A0B0C0D)->KeyA(sector), sim::Key(installed)) << "sector " << sector;
        }
        EXPECT_TRUE(comm.SendSignal(2));
        EXPECT_TRUE(comm.SendSignal(3));
        EXPECT_EQ(reader.Exchanges().size(), 8u) << (pace ? "paced" : "at once") << ": every request went out once";
        reader.EchoRequests(false);
        comm.Disconnect();
    }
}

TEST_F(PtyLink, UnpluggedAdapterLeavesTheBrokenState) {
    reader.Hangup();
    EXPECT_FALSE(comm.RequestCard());
    EXPECT_FALSE(comm.PortOpen());
    EXPECT_TRUE(comm.Connected);
    EXPECT_THROW(comm.RequestCard(), Exception);
    harness::TraceCapture trace;
    EXPECT_TRUE(comm.Disconnect());
    EXPECT_TRUE(trace.Lines().empty()) << "nothing is sent without a port";
    EXPECT_FALSE(comm.Connected);
    ASSERT_TRUE(reader.Reappear());
    EXPECT_TRUE(comm.Connect(reader.SlavePath()));
    EXPECT_TRUE(comm.ProbeReader());
}

TEST_F(PtyLink, PortIsExclusiveAndRefusedSettingsLeaveNothingOpen) {
    TCommClass second;
    EXPECT_FALSE(second.Connect(reader.SlavePath()));
    EXPECT_NE(second.LastOpenError().find("in use"), std::string::npos) << second.LastOpenError();
    EXPECT_FALSE(second.Connect("/dev/null"));  // not a serial device
    EXPECT_FALSE(second.PortOpen());
    comm.Disconnect();
    EXPECT_TRUE(second.Connect(reader.SlavePath()));
    second.Disconnect();
}

TEST_F(PtyLink, DisconnectSendsModeZeroThenCloses) {
    EXPECT_TRUE(comm.Disconnect());
    auto ex = reader.Exchanges();
    ASSERT_FALSE(ex.empty());
    EXPECT_EQ(ex.back().request, (ByteString{0x38, 0x00}));
    EXPECT_FALSE(comm.PortOpen());
    harness::TraceCapture trace;
    EXPECT_TRUE(comm.Disconnect());
    EXPECT_TRUE(trace.Lines().empty());
}

// The close runs on the UI thread: a reader that went silent costs it one reply
// time-out at most, not RetryCount of them, and none once the link knows.
TEST_F(PtyLink, FarewellToASilentReaderIsSentOnceAndNotAtAllAfterAnUnansweredCommand) {
    const auto farewells = [&] {
        const auto ex = reader.Exchanges();
        return std::count_if(ex.begin(), ex.end(), [](const auto& e) { return e.request == ByteString{0x38, 0x00}; });
    };
    EXPECT_TRUE(comm.ProbeReader());
    reader.SetSilent(true);  // silent since its last answer: the link cannot know
    EXPECT_TRUE(comm.Disconnect());
    EXPECT_EQ(farewells(), 1);

    ASSERT_TRUE(comm.Connect(reader.SlavePath()));
    comm.SetRetryCount(1);
    EXPECT_FALSE(comm.RequestCard());
    ASSERT_EQ(comm.LastFailure(), LinkFailure::NoReply);
    comm.SetRetryCount(3);
    EXPECT_TRUE(comm.Disconnect());
    EXPECT_EQ(farewells(), 1);
    EXPECT_FALSE(comm.PortOpen());
}

// Destroying links while the worker is busy reading, over and over: nothing may
// outlive what it uses (run under ThreadSanitizer in CI).
TEST(PtyShutdown, LinksDieCleanlyWhileReplyBytesAreStillArriving) {
    sim::SimReader paced(true);
    for (int round = 0; round < 4; ++round) {
        auto comm = std::make_unique<TCommClass>();
        ASSERT_TRUE(comm->Connect(paced.SlavePath()));
        comm->SetRetryCount(1);
        comm->ProbeReader();
        paced.SendRaw(ByteString(300, 0xA5));  // noise arriving at line speed
        comm->Receiver().StartEvent.Set();     // as if a transaction had begun
        std::this_thread::sleep_for(milliseconds(5 * round));
        comm.reset();
    }
}
