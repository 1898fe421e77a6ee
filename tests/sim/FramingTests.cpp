// Frame layout on the wire, checked against byte sequences from the protocol.
#include "sim/Framing.h"

#include <gtest/gtest.h>

#include "harness/HostPort.h"

namespace {

const ByteString kProbeRequest = {0xFF, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0x00,
                                  0x08, 0xF7, 0x00, 0x00, 0xFF, 0xFF, 0x01, 0x00, 0x1C, 0x0F, 0xFF};
const ByteString kOkReply = {0xFF, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0x00, 0x08,
                             0xF7, 0x00, 0x00, 0xFF, 0xFF, 0x0A, 0x00, 0x17, 0x0F, 0xFF};

TEST(Framing, ReplyMatchesTheKnownOkReply) { EXPECT_EQ(sim::FrameReply({0x0A, 0x00}), kOkReply); }

TEST(Framing, RequestMatchesTheKnownProbe) { EXPECT_EQ(sim::FrameRequest({0x01, 0x00}), kProbeRequest); }

TEST(Framing, SizesFollowTheBodyLength) {
    for (std::size_t n : {std::size_t{1}, std::size_t{7}, std::size_t{17}, sim::kMaxBodyLength}) {
        const ByteString body(n, 0x5C);
        const ByteString reply = sim::FrameReply(body);
        const ByteString request = sim::FrameRequest(body);
        EXPECT_EQ(reply.size(), n + 19) << n;
        EXPECT_EQ(request.size(), n + 20) << n;
        EXPECT_EQ(reply[10], n + 6) << n;
        EXPECT_EQ(request[11], n + 6) << n;
    }
}

TEST(Framing, RepliesDecodeWithAnIndependentReader) {
    for (const ByteString& payload : {ByteString{0x36, 0x00, 0x78, 0x56, 0x34, 0x12, 0x08}, ByteString{0x0A, 0x0F},
                                      ByteString{0xFF, 0xFF, 0xFF}, ByteString{0xA5, 0x00, 0xA5}}) {
        EXPECT_EQ(harness::ReplyPayload(sim::FrameReply(payload)), payload);
    }
}

TEST(Framing, OverlongBodyIsCutSoTheLengthByteCannotWrap) {
    const ByteString reply = sim::FrameReply(ByteString(300, 0x11));
    EXPECT_EQ(reply.size(), sim::kMaxBodyLength + 19);
    EXPECT_EQ(reply[10], 255);
    EXPECT_EQ(reply[11], 0);
}

TEST(Framing, SpoiledChecksumNoLongerDecodes) {
    ByteString reply = sim::FrameReply({0x0A, 0x00});
    sim::SpoilChecksum(reply);
    EXPECT_EQ(reply.size(), kOkReply.size());
    EXPECT_EQ(reply.back(), 0xFF);
    EXPECT_FALSE(harness::ReplyPayload(reply).has_value());
}

}  // namespace
