// The simulated reader served over a real pseudo-terminal, seen from a client
// that opens the slave like a serial port.
#include "sim/SimReader.h"

#include <gtest/gtest.h>

#include "harness/HostPort.h"

namespace {

using harness::HostPort;
using harness::ReplyPayload;
using harness::RequestFrame;

const ByteString kOkReply = {0xFF, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0x00, 0x08,
                             0xF7, 0x00, 0x00, 0xFF, 0xFF, 0x0A, 0x00, 0x17, 0x0F, 0xFF};
const ByteString kProbeRequest = {0xFF, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0x00,
                                  0x08, 0xF7, 0x00, 0x00, 0xFF, 0xFF, 0x01, 0x00, 0x1C, 0x0F, 0xFF};

std::optional<ByteString> Ask(HostPort& port, const ByteString& command) {
    if (!port.Write(RequestFrame(command))) return std::nullopt;
    return ReplyPayload(port.ReadReplyFrame());
}

TEST(SimReaderPty, ProbeGetsAWellFormedReply) {
    sim::SimReader reader;
    HostPort port(reader.SlavePath());
    ASSERT_TRUE(port.IsOpen()) << port.LastError();
    ASSERT_TRUE(port.Write(kProbeRequest));
    const auto payload = ReplyPayload(port.ReadReplyFrame());
    ASSERT_TRUE(payload.has_value());
    ASSERT_GE(payload->size(), 3u);
    EXPECT_EQ((*payload)[2], 0x00);
}

TEST(SimReaderPty, SignalReplyIsByteExact) {
    sim::SimReader reader;
    HostPort port(reader.SlavePath());
    ASSERT_TRUE(port.Write(RequestFrame({0x38, 0x01})));
    EXPECT_EQ(port.Read(kOkReply.size()), kOkReply);
}

TEST(SimReaderPty, SlaveCanBeReopenedAfterClose) {
    sim::SimReader reader;
    for (int session = 0; session < 3; ++session) {
        HostPort port(reader.SlavePath());
        ASSERT_TRUE(port.IsOpen()) << "session " << session;
        EXPECT_EQ(Ask(port, {0x38, 0x02}), (ByteString{0x0A, 0x00})) << "session " << session;
    }
    EXPECT_EQ(reader.SignalModes(), (std::vector<std::uint8_t>{2, 2, 2}));
}

TEST(SimReaderPty, RequestSplitAcrossWritesAndNoiseIsAnsweredOnce) {
    sim::SimReader reader;
    reader.PlaceCard(sim::MifareCard(0x01020304));
    HostPort port(reader.SlavePath());
    const ByteString frame = RequestFrame({0x30, 0x01});
    const ByteString noise = {0x00, 0xFF, 0xA5, 0x13};
    ASSERT_TRUE(port.Write(noise));
    ASSERT_TRUE(port.Write(ByteString(frame.begin(), frame.begin() + 9)));
    ASSERT_TRUE(port.Write(ByteString(frame.begin() + 9, frame.end())));
    EXPECT_EQ(ReplyPayload(port.ReadReplyFrame()), (ByteString{0x0A, 0x00, 0x04, 0x00}));
    ASSERT_TRUE(reader.WaitForExchanges(1, harness::kPatience));
    EXPECT_EQ(reader.Exchanges().size(), 1u);
}

TEST(SimReaderPty, BadFrameIsIgnoredAndTheNextOneAnswered) {
    sim::SimReader reader;
    HostPort port(reader.SlavePath());
    ByteString bad = RequestFrame({0x38, 0x05});
    bad[bad.size() - 3] ^= 0x40;
    ASSERT_TRUE(port.Write(bad));
    // Whatever came for the bad frame would be read here instead of this reply.
    EXPECT_EQ(Ask(port, {0x38, 0x06}), (ByteString{0x0A, 0x00}));
    EXPECT_EQ(reader.SignalModes(), (std::vector<std::uint8_t>{6}));
    EXPECT_EQ(reader.RejectedFrames(), 1u);
}

TEST(SimReaderPty, FrameCutShortDoesNotBlockTheNextOne) {
    sim::SimReader reader;
    HostPort port(reader.SlavePath());
    ByteString cut = RequestFrame(ByteString(60, 0x38));
    cut.resize(25);
    ASSERT_TRUE(port.Write(cut));
    // Answered once the reader gives up on the cut frame.
    EXPECT_EQ(Ask(port, {0x38, 0x07}), (ByteString{0x0A, 0x00}));
    EXPECT_EQ(reader.SignalModes(), (std::vector<std::uint8_t>{7}));
}

TEST(SimReaderPty, FormattingASectorChangesTheCard) {
    sim::SimReader reader;
    reader.PlaceCard(sim::MifareCard(0x11223344));
    HostPort port(reader.SlavePath());
    EXPECT_EQ(Ask(port, {0x30, 0x01}), (ByteString{0x0A, 0x00, 0x04, 0x00}));
    EXPECT_EQ(Ask(port, {0x31, 0x00}), (ByteString{0x36, 0x00, 0x44, 0x33, 0x22, 0x11, 0x08}));
    EXPECT_EQ(Ask(port, {0x32, 0x17, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), (ByteString{0x0A, 0x00}));
    ByteString write = {0x34, 0x17, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0x7F,
                        0x07, 0x88, 0x69, 0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5};
    EXPECT_EQ(Ask(port, write), (ByteString{0x0A, 0x00}));
    EXPECT_EQ(Ask(port, {0x38, 0x03}), (ByteString{0x0A, 0x00}));
    reader.RemoveCard();

    const auto card = reader.CardBySerial(0x11223344);
    ASSERT_TRUE(card.has_value());
    EXPECT_EQ(card->KeyA(5), (sim::Key{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5}));
    EXPECT_EQ(card->Access(5), (sim::AccessBytes{0x7F, 0x07, 0x88, 0x69}));
    EXPECT_EQ(card->KeyB(5), (sim::Key{0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5}));
    const auto signals = reader.Signals();
    ASSERT_EQ(signals.size(), 1u);
    EXPECT_EQ(signals[0].mode, 3);
    EXPECT_EQ(signals[0].serial, 0x11223344u);
}

TEST(SimReaderPty, ExchangesRecordRequestReplyAndTimes) {
    sim::SimReader reader;
    HostPort port(reader.SlavePath());
    const auto before = sim::Clock::now();
    ASSERT_TRUE(Ask(port, {0x30, 0x01}).has_value());
    ASSERT_TRUE(Ask(port, {0x77}).has_value());
    ASSERT_TRUE(reader.WaitForExchanges(2, harness::kPatience));
    const auto log = reader.Exchanges();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].request, (ByteString{0x30, 0x01}));
    EXPECT_EQ(log[0].reply, (ByteString{0x0A, 0x01}));
    EXPECT_EQ(log[1].request, (ByteString{0x77}));
    EXPECT_EQ(log[1].reply, (ByteString{0x0A, 0x0F}));
    for (const sim::Exchange& e : log) {
        EXPECT_FALSE(e.replyCorrupted);
        EXPECT_GE(e.requestStart, before);
        ASSERT_TRUE(e.replyEnd.has_value());
        EXPECT_GE(*e.replyEnd, e.requestStart);
    }
    EXPECT_LE(*log[0].replyEnd, log[1].requestStart);
    reader.ClearExchanges();
    EXPECT_TRUE(reader.Exchanges().empty());
}

TEST(SimReaderPty, ExchangeIsLoggedBeforeItsReplyGoesOut) {
    sim::SimReader reader;
    HostPort port(reader.SlavePath());
    reader.DelayNextReply(60'000);
    ASSERT_TRUE(port.Write(RequestFrame({0x38, 0x01})));
    ASSERT_TRUE(reader.WaitForExchanges(1, harness::kPatience));
    const sim::Exchange pending = reader.Exchanges()[0];
    EXPECT_EQ(pending.reply, (ByteString{0x0A, 0x00}));
    EXPECT_FALSE(pending.replyEnd.has_value());
    reader.Hangup();
}

TEST(SimReaderPty, ManyRequestsInOneWriteAreAnsweredInOrder) {
    sim::SimReader reader;
    HostPort port(reader.SlavePath());
    ByteString burst;
    for (std::uint8_t mode = 1; mode <= 20; ++mode) {
        const ByteString f = RequestFrame({0x38, mode});
        burst.insert(burst.end(), f.begin(), f.end());
    }
    ASSERT_TRUE(port.Write(burst));
    for (int i = 0; i < 20; ++i) ASSERT_EQ(port.Read(kOkReply.size()), kOkReply) << i;
    std::vector<std::uint8_t> expected;
    for (std::uint8_t mode = 1; mode <= 20; ++mode) expected.push_back(mode);
    EXPECT_EQ(reader.SignalModes(), expected);
}

TEST(SimReaderPty, DestructionWithAClientStillAttachedIsClean) {
    auto reader = std::make_unique<sim::SimReader>();
    HostPort port(reader->SlavePath());
    ASSERT_TRUE(port.Write(RequestFrame({0x01, 0x00})));
    reader.reset();
    EXPECT_FALSE(port.Write(RequestFrame({0x01, 0x00})));
}

}  // namespace
