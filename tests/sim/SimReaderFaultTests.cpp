// The misbehaviours link tests can order from the simulated reader.
#include "sim/SimReader.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <future>
#include <mutex>

#include "harness/HostPort.h"

namespace {

using harness::HostPort;
using harness::ReplyPayload;
using harness::RequestFrame;

const ByteString kOkPayload = {0x0A, 0x00};

std::optional<ByteString> Ask(HostPort& port, const ByteString& command) {
    if (!port.Write(RequestFrame(command))) return std::nullopt;
    return ReplyPayload(port.ReadReplyFrame());
}

TEST(SimReaderFaults, SilentReaderNeitherAnswersNorActs) {
    sim::SimReader reader;
    HostPort port(reader.SlavePath());
    reader.SetSilent(true);
    ASSERT_TRUE(port.Write(RequestFrame({0x38, 0x01})));
    ASSERT_TRUE(reader.WaitForExchanges(1, harness::kPatience));
    reader.SetSilent(false);
    // The first bytes to come back belong to this request, not the silenced one.
    EXPECT_EQ(Ask(port, {0x38, 0x02}), kOkPayload);
    EXPECT_EQ(reader.SignalModes(), (std::vector<std::uint8_t>{2}));
    ASSERT_TRUE(reader.WaitForExchanges(2, harness::kPatience));
    const auto log = reader.Exchanges();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_FALSE(log[0].reply.has_value());
    EXPECT_FALSE(log[0].replyEnd.has_value());
}

TEST(SimReaderFaults, IgnoredRequestsAreLostThenServiceResumes) {
    sim::SimReader reader;
    HostPort port(reader.SlavePath());
    reader.IgnoreNextRequests(2);
    ASSERT_TRUE(port.Write(RequestFrame({0x38, 0x01})));
    ASSERT_TRUE(port.Write(RequestFrame({0x38, 0x02})));
    EXPECT_EQ(Ask(port, {0x38, 0x03}), kOkPayload);
    EXPECT_EQ(reader.SignalModes(), (std::vector<std::uint8_t>{3}));
}

TEST(SimReaderFaults, CorruptedReplyFailsItsChecksumButTheCommandTookEffect) {
    sim::SimReader reader;
    HostPort port(reader.SlavePath());
    reader.CorruptNextReplies(1);
    ASSERT_TRUE(port.Write(RequestFrame({0x38, 0x04})));
    const ByteString spoiled = port.ReadReplyFrame();
    EXPECT_EQ(spoiled.size(), 21u);
    EXPECT_FALSE(ReplyPayload(spoiled).has_value());
    EXPECT_EQ(Ask(port, {0x38, 0x05}), kOkPayload);
    EXPECT_EQ(reader.SignalModes(), (std::vector<std::uint8_t>{4, 5}));
    ASSERT_TRUE(reader.WaitForExchanges(2, harness::kPatience));
    const auto log = reader.Exchanges();
    EXPECT_TRUE(log[0].replyCorrupted);
    EXPECT_FALSE(log[1].replyCorrupted);
}

TEST(SimReaderFaults, DelayedReplyComesNoSoonerThanAsked) {
    sim::SimReader reader;
    HostPort port(reader.SlavePath());
    reader.DelayNextReply(300);
    EXPECT_EQ(Ask(port, {0x38, 0x01}), kOkPayload);
    EXPECT_EQ(Ask(port, {0x38, 0x01}), kOkPayload);
    ASSERT_TRUE(reader.WaitForExchanges(2, harness::kPatience));
    const auto log = reader.Exchanges();
    EXPECT_GE(*log[0].replyEnd - log[0].requestStart, std::chrono::milliseconds(300));
}

TEST(SimReaderFaults, EchoedRequestsComeBackAheadOfTheirRepliesHeardOrNot) {
    sim::SimReader reader;
    HostPort port(reader.SlavePath());
    reader.EchoRequests(true);
    reader.IgnoreNextRequests(1);
    const ByteString unheard = RequestFrame({0x38, 0x01});
    ASSERT_TRUE(port.Write(unheard));
    EXPECT_EQ(port.Read(unheard.size()), unheard);
    const ByteString heard = RequestFrame({0x38, 0x02});
    ASSERT_TRUE(port.Write(heard));
    EXPECT_EQ(port.Read(heard.size()), heard);
    EXPECT_EQ(ReplyPayload(port.ReadReplyFrame()), kOkPayload);
    reader.EchoRequests(false);
    EXPECT_EQ(Ask(port, {0x38, 0x03}), kOkPayload);
    EXPECT_EQ(reader.SignalModes(), (std::vector<std::uint8_t>{2, 3}));
}

TEST(SimReaderFaults, RawBytesReachTheClientAsTheyAre) {
    sim::SimReader reader;
    HostPort port(reader.SlavePath());
    const ByteString raw = {0xFF, 0xA5, 0x00, 0x42, 0x13, 0x37};
    reader.SendRaw(raw);
    EXPECT_EQ(port.Read(raw.size()), raw);
}

TEST(SimReaderFaults, CardLeavesAfterTheGivenNumberOfRequests) {
    sim::SimReader reader;
    reader.PlaceCard(sim::MifareCard(0x99));
    HostPort port(reader.SlavePath());
    reader.RemoveCardAfterRequests(2);
    EXPECT_EQ(Ask(port, {0x30, 0x01}), (ByteString{0x0A, 0x00, 0x04, 0x00}));
    EXPECT_EQ(Ask(port, {0x31, 0x00}), (ByteString{0x36, 0x00, 0x99, 0x00, 0x00, 0x00, 0x08}));
    EXPECT_EQ(Ask(port, {0x30, 0x01}), (ByteString{0x0A, 0x01}));
    EXPECT_FALSE(reader.CardOnReader().has_value());
    EXPECT_TRUE(reader.CardBySerial(0x99).has_value());
}

TEST(SimReaderFaults, RemovalCountOfZeroTakesTheCardAtOnce) {
    sim::SimReader reader;
    reader.PlaceCard(sim::MifareCard(0x99));
    reader.RemoveCardAfterRequests(0);
    EXPECT_FALSE(reader.CardOnReader().has_value());
}

TEST(SimReaderFaults, HangupMakesClientWritesFail) {
    sim::SimReader reader;
    HostPort port(reader.SlavePath());
    ASSERT_EQ(Ask(port, {0x38, 0x01}), kOkPayload);
    reader.Hangup();
    EXPECT_TRUE(reader.HungUp());
    EXPECT_FALSE(port.Write(RequestFrame({0x38, 0x01})));
    EXPECT_EQ(port.LastError(), EIO);
    EXPECT_TRUE(port.Read(1, std::chrono::milliseconds(2000)).empty());
}

TEST(SimReaderFaults, ReappearedReaderServesOnANewPty) {
    sim::SimReader reader;
    reader.PlaceCard(sim::MifareCard(5));
    reader.Hangup();
    ASSERT_TRUE(reader.Reappear());
    EXPECT_FALSE(reader.HungUp());
    HostPort port(reader.SlavePath());
    ASSERT_TRUE(port.IsOpen());
    EXPECT_EQ(Ask(port, {0x30, 0x01}), (ByteString{0x0A, 0x00, 0x04, 0x00}));
}

TEST(SimReaderFaults, HangupInterruptsALongDelayedReply) {
    sim::SimReader reader;
    HostPort port(reader.SlavePath());
    std::promise<void> executed;
    reader.SetSignalObserver([&](const sim::SignalRecord&) { executed.set_value(); });
    reader.DelayNextReply(60'000);
    ASSERT_TRUE(port.Write(RequestFrame({0x38, 0x01})));
    // The command is carried out before the reply waits, so once the signal is
    // seen the service thread is in that wait (or about to be).
    ASSERT_EQ(executed.get_future().wait_for(harness::kPatience), std::future_status::ready);
    const auto start = std::chrono::steady_clock::now();
    reader.Hangup();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    ASSERT_TRUE(reader.WaitForExchanges(1, harness::kPatience));
    EXPECT_FALSE(reader.Exchanges()[0].replyEnd.has_value());
}

TEST(SimReaderFaults, SignalObserverSeesEachSignal) {
    sim::SimReader reader;
    std::mutex m;
    std::vector<sim::SignalRecord> seen;
    reader.SetSignalObserver([&](const sim::SignalRecord& s) {
        std::lock_guard lock(m);
        seen.push_back(s);
    });
    reader.PlaceCard(sim::MifareCard(0xAB));
    HostPort port(reader.SlavePath());
    EXPECT_EQ(Ask(port, {0x38, 0x03}), kOkPayload);
    reader.SetSignalObserver(nullptr);
    EXPECT_EQ(Ask(port, {0x38, 0x04}), kOkPayload);
    std::lock_guard lock(m);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].mode, 3);
    EXPECT_EQ(seen[0].serial, 0xABu);
}

}  // namespace
