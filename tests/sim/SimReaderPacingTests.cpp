// Replies at the real line speed. Only lower bounds are checked: a slow machine
// can make things later, never earlier.
#include "sim/SimReader.h"

#include <gtest/gtest.h>

#include "harness/HostPort.h"

namespace {

using harness::HostPort;
using harness::RequestFrame;

// 10 bits per byte at 9600 baud, computed here on its own.
std::chrono::nanoseconds BytesOnTheLine(std::size_t count) {
    return std::chrono::nanoseconds(static_cast<std::int64_t>(count) * 10 * 1'000'000'000 / 9600);
}

TEST(SimReaderPacing, ReplyEndsNoSoonerThanBothFramesTakeOnTheLine) {
    sim::SimReader reader(true);
    HostPort port(reader.SlavePath());
    const ByteString request = RequestFrame({0x38, 0x01});
    ASSERT_TRUE(port.Write(request));
    const ByteString reply = port.ReadReplyFrame();
    ASSERT_EQ(reply.size(), 21u);
    ASSERT_TRUE(reader.WaitForExchanges(1, harness::kPatience));
    const sim::Exchange e = reader.Exchanges()[0];
    ASSERT_TRUE(e.replyEnd.has_value());
    EXPECT_GE(*e.replyEnd - e.requestStart, BytesOnTheLine(request.size() + reply.size()));
}

TEST(SimReaderPacing, FirstReplyByteWaitsForTheRequestAndItsOwnWireTime) {
    sim::SimReader reader(true);
    HostPort port(reader.SlavePath());
    const ByteString request = RequestFrame({0x38, 0x01});
    const auto written = sim::Clock::now();
    ASSERT_TRUE(port.Write(request));
    ASSERT_EQ(port.Read(1).size(), 1u);
    EXPECT_GE(sim::Clock::now() - written, BytesOnTheLine(request.size() + 1));
    EXPECT_EQ(port.Read(20).size(), 20u);
}

TEST(SimReaderPacing, RawBytesArePacedToo) {
    sim::SimReader reader(true);
    HostPort port(reader.SlavePath());
    const auto start = sim::Clock::now();
    reader.SendRaw(ByteString(48, 0x55));
    EXPECT_EQ(port.Read(48).size(), 48u);
    EXPECT_GE(sim::Clock::now() - start, BytesOnTheLine(48));
}

TEST(SimReaderPacing, UnpacedReplyStillComplete) {
    sim::SimReader reader(false);
    HostPort port(reader.SlavePath());
    ASSERT_TRUE(port.Write(RequestFrame({0x01, 0x00})));
    EXPECT_TRUE(harness::ReplyPayload(port.ReadReplyFrame()).has_value());
}

}  // namespace
