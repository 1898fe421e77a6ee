// Random faults as a client on the pty meets them.
#include "sim/SimReader.h"

#include <gtest/gtest.h>

#include "harness/HostPort.h"
#include "sim/Framing.h"

namespace {

using harness::HostPort;
using harness::ReplyPayload;
using harness::RequestFrame;
using sim::FaultKind;

const ByteString kSignalOk = sim::FrameReply({0x0A, 0x00});

sim::FaultRates Only(FaultKind kind) {
    sim::FaultRates rates;
    rates[kind] = 1.0;
    return rates;
}

TEST(SimReaderRandomFaults, LostByteArrivesOneShortAndIsRecorded) {
    sim::SimReader reader;
    HostPort port(reader.SlavePath());
    reader.SetRandomFaults(Only(FaultKind::LostByte), 1);
    ASSERT_TRUE(port.Write(RequestFrame({0x38, 0x01})));
    const ByteString got = port.Read(kSignalOk.size(), std::chrono::milliseconds(500));
    EXPECT_EQ(got.size(), kSignalOk.size() - 1);
    ASSERT_TRUE(reader.WaitForExchanges(1, harness::kPatience));
    EXPECT_EQ(reader.Exchanges()[0].randomFaults, sim::FaultBit(FaultKind::LostByte));
    EXPECT_EQ(reader.RandomFaultCounts()[FaultKind::LostByte], 1u);
    // The command itself was carried out.
    EXPECT_EQ(reader.SignalModes(), (std::vector<std::uint8_t>{1}));
}

TEST(SimReaderRandomFaults, DuplicateReplyComesTwice) {
    sim::SimReader reader;
    HostPort port(reader.SlavePath());
    reader.SetRandomFaults(Only(FaultKind::DuplicateReply), 2);
    ASSERT_TRUE(port.Write(RequestFrame({0x38, 0x01})));
    EXPECT_EQ(ReplyPayload(port.ReadReplyFrame()), (ByteString{0x0A, 0x00}));
    EXPECT_EQ(ReplyPayload(port.ReadReplyFrame()), (ByteString{0x0A, 0x00}));
    EXPECT_EQ(reader.SignalModes().size(), 1u);
}

TEST(SimReaderRandomFaults, EchoSendsTheReplyAgainOnItsOwn) {
    sim::FaultRates rates = Only(FaultKind::Echo);
    rates.echoMinMs = rates.echoMaxMs = 200;
    sim::SimReader reader;
    HostPort port(reader.SlavePath());
    reader.SetRandomFaults(rates, 2);
    ASSERT_TRUE(port.Write(RequestFrame({0x38, 0x01})));
    EXPECT_EQ(ReplyPayload(port.ReadReplyFrame()), (ByteString{0x0A, 0x00}));
    EXPECT_TRUE(port.Read(1, std::chrono::milliseconds(100)).empty()) << "not glued to the reply";
    EXPECT_EQ(ReplyPayload(port.ReadReplyFrame()), (ByteString{0x0A, 0x00}));
    EXPECT_EQ(reader.SignalModes().size(), 1u);
}

TEST(SimReaderRandomFaults, LateReplyComesAfterTheDrawnDelay) {
    sim::FaultRates rates = Only(FaultKind::LateReply);
    rates.lateMinMs = rates.lateMaxMs = 300;
    sim::SimReader reader;
    HostPort port(reader.SlavePath());
    reader.SetRandomFaults(rates, 3);
    const auto sent = sim::Clock::now();
    ASSERT_TRUE(port.Write(RequestFrame({0x38, 0x01})));
    EXPECT_TRUE(port.Read(1, std::chrono::milliseconds(200)).empty());
    EXPECT_EQ(ReplyPayload(port.ReadReplyFrame()), (ByteString{0x0A, 0x00}));
    EXPECT_GE(sim::Clock::now() - sent, std::chrono::milliseconds(300));
}

TEST(SimReaderRandomFaults, GarbageFollowsTheIntactReply) {
    sim::FaultRates rates = Only(FaultKind::GarbageAfter);
    rates.bigGarbage = 0.0;
    sim::SimReader reader;
    HostPort port(reader.SlavePath());
    reader.SetRandomFaults(rates, 4);
    ASSERT_TRUE(port.Write(RequestFrame({0x38, 0x01})));
    EXPECT_EQ(ReplyPayload(port.ReadReplyFrame()), (ByteString{0x0A, 0x00}));
    EXPECT_FALSE(port.Read(1, std::chrono::milliseconds(1000)).empty());
}

TEST(SimReaderRandomFaults, BigBurstReachesTheClientWhole) {
    sim::FaultRates rates = Only(FaultKind::GarbageAfter);
    rates.bigGarbage = 1.0;
    rates.bigGarbageMax = 2500;
    sim::SimReader reader;
    HostPort port(reader.SlavePath());
    reader.SetRandomFaults(rates, 5);
    ASSERT_TRUE(port.Write(RequestFrame({0x38, 0x01})));
    const ByteString got = port.Read(kSignalOk.size() + sim::kHostQueueLimit + 1);
    EXPECT_EQ(got.size(), kSignalOk.size() + sim::kHostQueueLimit + 1);
    EXPECT_EQ(reader.RandomFaultCounts().bigBursts, 1u);
}

TEST(SimReaderRandomFaults, CardIsTakenAtTheDrawnRequest) {
    sim::SimReader reader;
    reader.PlaceCard(sim::MifareCard(0x77));
    HostPort port(reader.SlavePath());
    reader.SetRandomFaults(Only(FaultKind::CardTaken), 6);
    ASSERT_TRUE(port.Write(RequestFrame({0x30, 0x01})));
    // The request was served with the card there; it left right after.
    EXPECT_EQ(ReplyPayload(port.ReadReplyFrame()), (ByteString{0x0A, 0x00, 0x04, 0x00}));
    EXPECT_FALSE(reader.CardOnReader().has_value());
    EXPECT_EQ(reader.RandomFaultCounts()[FaultKind::CardTaken], 1u);
}

TEST(SimReaderRandomFaults, StoppedFaultsMeanNormalServiceAgain) {
    sim::FaultRates all;
    all.chance.fill(1.0);
    all.lateMinMs = all.lateMaxMs = 10;
    sim::SimReader reader;
    HostPort port(reader.SlavePath());
    reader.SetRandomFaults(all, 7);
    reader.StopRandomFaults();
    ASSERT_TRUE(port.Write(RequestFrame({0x38, 0x01})));
    EXPECT_EQ(port.Read(kSignalOk.size() + 1, std::chrono::milliseconds(500)), kSignalOk);
    ASSERT_TRUE(reader.WaitForExchanges(1, harness::kPatience));
    EXPECT_EQ(reader.Exchanges()[0].randomFaults, 0u);
}

TEST(SimReaderRandomFaults, HangupCutsALateReplyShort) {
    sim::FaultRates rates = Only(FaultKind::LateReply);
    rates.lateMinMs = rates.lateMaxMs = 60'000;
    sim::SimReader reader;
    HostPort port(reader.SlavePath());
    reader.SetRandomFaults(rates, 8);
    ASSERT_TRUE(port.Write(RequestFrame({0x38, 0x01})));
    ASSERT_TRUE(reader.WaitForExchanges(1, harness::kPatience));
    const auto start = std::chrono::steady_clock::now();
    reader.Hangup();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    ASSERT_TRUE(reader.Reappear());
    reader.StopRandomFaults();
    HostPort again(reader.SlavePath());
    ASSERT_TRUE(again.Write(RequestFrame({0x38, 0x02})));
    EXPECT_EQ(ReplyPayload(again.ReadReplyFrame()), (ByteString{0x0A, 0x00}));
}

}  // namespace
