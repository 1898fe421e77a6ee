// Finding request frames in a byte stream that arrives in arbitrary pieces and
// may carry noise.
#include "sim/RequestParser.h"

#include <gtest/gtest.h>

#include <random>

#include "harness/HostPort.h"
#include "reader_link/CrcUnit.h"

namespace {

using harness::RequestFrame;
using sim::RequestParser;

const ByteString kProbe = {0x01, 0x00};
const ByteString kAuth = {0x32, 0x17, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

ByteString Join(std::initializer_list<ByteString> parts) {
    ByteString all;
    for (const ByteString& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

std::vector<ByteString> FeedAll(RequestParser& parser, const ByteString& bytes) {
    return parser.Feed(bytes.data(), bytes.size());
}

TEST(RequestParserChunks, WholeFrameAtOnce) {
    RequestParser parser;
    EXPECT_EQ(FeedAll(parser, RequestFrame(kProbe)), std::vector<ByteString>{kProbe});
    EXPECT_EQ(parser.Buffered(), 0u);
}

TEST(RequestParserChunks, ByteByByteYieldsTheCommandOnlyWithTheLastByte) {
    RequestParser parser;
    const ByteString frame = RequestFrame(kAuth);
    for (std::size_t i = 0; i + 1 < frame.size(); ++i) ASSERT_TRUE(parser.Feed(&frame[i], 1).empty()) << i;
    EXPECT_EQ(parser.Feed(&frame.back(), 1), std::vector<ByteString>{kAuth});
}

TEST(RequestParserChunks, EverySplitPointOfTwoFrames) {
    const ByteString stream = Join({RequestFrame(kProbe), RequestFrame(kAuth)});
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        RequestParser parser;
        auto got = parser.Feed(stream.data(), cut);
        const auto rest = parser.Feed(stream.data() + cut, stream.size() - cut);
        got.insert(got.end(), rest.begin(), rest.end());
        EXPECT_EQ(got, (std::vector<ByteString>{kProbe, kAuth})) << "cut at " << cut;
    }
}

TEST(RequestParserChunks, RandomChunkingGivesTheSameCommands) {
    std::vector<ByteString> sent;
    ByteString stream;
    std::mt19937 rng(7);
    for (int i = 0; i < 50; ++i) {
        ByteString command(1 + rng() % 40);
        for (auto& b : command) b = static_cast<std::uint8_t>(rng());
        sent.push_back(command);
        const ByteString noise(rng() % 5, 0xA5);
        stream.insert(stream.end(), noise.begin(), noise.end());
        const ByteString frame = RequestFrame(command);
        stream.insert(stream.end(), frame.begin(), frame.end());
    }
    RequestParser parser;
    std::vector<ByteString> got;
    for (std::size_t at = 0; at < stream.size();) {
        const std::size_t n = std::min<std::size_t>(1 + rng() % 37, stream.size() - at);
        for (auto& c : parser.Feed(stream.data() + at, n)) got.push_back(c);
        at += n;
    }
    EXPECT_EQ(got, sent);
}

TEST(RequestParserChunks, ReportsWhereEachFrameStarted) {
    const ByteString garbage = {0x00, 0x13, 0xFF, 0xA5};
    const ByteString first = RequestFrame(kProbe);
    const ByteString stream = Join({garbage, first, RequestFrame(kAuth)});
    RequestParser parser;
    const auto requests = parser.FeedRequests(stream.data(), stream.size());
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].startOffset, garbage.size());
    EXPECT_EQ(requests[0].frameLength, first.size());
    EXPECT_EQ(requests[1].startOffset, garbage.size() + first.size());
}

TEST(RequestParserChunks, LongestCommandIsAccepted) {
    const ByteString command(sim::kMaxBodyLength, 0x42);
    RequestParser parser;
    EXPECT_EQ(FeedAll(parser, RequestFrame(command)), std::vector<ByteString>{command});
}

TEST(RequestParserNoise, GarbageAroundFramesIsSkipped) {
    // Noise that looks like the start of a frame: FF and a short run of A5.
    const ByteString noise = {0xFF, 0xA5, 0xA5, 0xA5, 0x00, 0xFF, 0xFF, 0x12};
    RequestParser parser;
    const auto got = FeedAll(parser, Join({noise, RequestFrame(kProbe), noise, RequestFrame(kAuth), noise}));
    EXPECT_EQ(got, (std::vector<ByteString>{kProbe, kAuth}));
    EXPECT_GT(parser.SkippedBytes(), 0u);
}

TEST(RequestParserNoise, ReplyShapedFramesAreNotRequests) {
    // Eight A5 is what the reader sends; an echo of it must not count as a request.
    ByteString replyShaped = RequestFrame(kProbe);
    replyShaped.erase(replyShaped.begin() + 1);
    RequestParser parser;
    EXPECT_TRUE(FeedAll(parser, replyShaped).empty());
}

TEST(RequestParserNoise, BadChecksumIsDroppedAndCounted) {
    ByteString bad = RequestFrame(kAuth);
    bad[bad.size() - 2] ^= 0x01;
    RequestParser parser;
    EXPECT_EQ(FeedAll(parser, Join({bad, RequestFrame(kProbe)})), std::vector<ByteString>{kProbe});
    EXPECT_EQ(parser.RejectedFrames(), 1u);
}

TEST(RequestParserNoise, BadComplementIsDropped) {
    ByteString bad = RequestFrame(kAuth);
    bad[12] ^= 0x10;
    RequestParser parser;
    EXPECT_EQ(FeedAll(parser, Join({bad, RequestFrame(kProbe)})), std::vector<ByteString>{kProbe});
    EXPECT_EQ(parser.RejectedFrames(), 1u);
}

TEST(RequestParserNoise, BadTerminatorIsDropped) {
    ByteString bad = RequestFrame(kAuth);
    bad.back() = 0xFE;
    RequestParser parser;
    EXPECT_EQ(FeedAll(parser, Join({bad, RequestFrame(kProbe)})), std::vector<ByteString>{kProbe});
    EXPECT_EQ(parser.RejectedFrames(), 1u);
}

TEST(RequestParserNoise, ChangedCommandByteFailsTheChecksum) {
    ByteString bad = RequestFrame(kAuth);
    bad[18] ^= 0x04;
    RequestParser parser;
    EXPECT_TRUE(FeedAll(parser, bad).empty());
}

TEST(RequestParserNoise, LengthBelowOneCommandByteIsRejected) {
    // L = 6 would mean an empty command; checksum and terminator made valid anyway.
    ByteString frame = {0xFF, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5,
                        0xA5, 0x00, 0x06, 0xF9, 0x00, 0x00, 0xFF, 0xFF};
    const std::uint16_t crc = Crc16Frame(frame.data() + 13, 4);
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    frame.push_back(static_cast<std::uint8_t>(crc));
    frame.push_back(0xFF);
    RequestParser parser;
    EXPECT_EQ(FeedAll(parser, Join({frame, RequestFrame(kProbe)})), std::vector<ByteString>{kProbe});
    EXPECT_EQ(parser.RejectedFrames(), 1u);
}

TEST(RequestParserNoise, FrameBehindAPartlyReceivedOneWaitsForTheLineToGoQuiet) {
    // A frame cut short (the line dropped bytes) is followed by a complete one.
    // The cut frame claims more bytes than it has, so they overlap the good frame,
    // which is held back until the owner reports the line idle.
    ByteString cut = RequestFrame(ByteString(40, 0x77));
    cut.resize(20);
    RequestParser parser;
    EXPECT_TRUE(FeedAll(parser, Join({cut, RequestFrame(kProbe)})).empty());
    const auto found = parser.LineIdle();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].command, kProbe);
    EXPECT_EQ(found[0].startOffset, cut.size());
    EXPECT_EQ(parser.RejectedFrames(), 1u);
    EXPECT_EQ(parser.Buffered(), 0u);
}

TEST(RequestParserNoise, IdleLineDropsAllUnfinishedBytes) {
    ByteString start = RequestFrame(kAuth);
    start.pop_back();
    RequestParser parser;
    FeedAll(parser, start);
    EXPECT_TRUE(parser.LineIdle().empty());
    EXPECT_EQ(parser.Buffered(), 0u);
    // The missing terminator arriving late is just noise now.
    EXPECT_EQ(FeedAll(parser, Join({{0xFF}, RequestFrame(kProbe)})), std::vector<ByteString>{kProbe});
}

TEST(RequestParserNoise, IdleLineWithNothingPendingIsHarmless) {
    RequestParser parser;
    EXPECT_TRUE(parser.LineIdle().empty());
    FeedAll(parser, RequestFrame(kProbe));
    EXPECT_TRUE(parser.LineIdle().empty());
    EXPECT_EQ(parser.RejectedFrames(), 0u);
}

TEST(RequestParserNoise, BufferStaysBoundedOnEndlessGarbage) {
    RequestParser parser;
    std::mt19937 rng(11);
    ByteString chunk(4096);
    for (int round = 0; round < 256; ++round) {
        for (auto& b : chunk) b = static_cast<std::uint8_t>(rng());
        parser.Feed(chunk.data(), chunk.size());
        ASSERT_LE(parser.Buffered(), RequestParser::kMaxBuffered);
    }
    // Still in step afterwards.
    EXPECT_EQ(FeedAll(parser, Join({ByteString(300, 0x00), RequestFrame(kProbe)})), std::vector<ByteString>{kProbe});
}

TEST(RequestParserNoise, BufferStaysBoundedOnSyncRunsClaimingLongFrames) {
    // Endless would-be frame starts with a valid length pair that never complete.
    ByteString start = RequestFrame(ByteString(200, 0x01));
    start.resize(30);
    ByteString stream;
    for (int i = 0; i < 2000; ++i) stream.insert(stream.end(), start.begin(), start.end());
    RequestParser parser;
    parser.Feed(stream.data(), stream.size());
    EXPECT_LE(parser.Buffered(), RequestParser::kMaxBuffered);
}

TEST(RequestParserNoise, NullDataIsHarmless) {
    RequestParser parser;
    EXPECT_TRUE(parser.Feed(nullptr, 10).empty());
    EXPECT_EQ(parser.Buffered(), 0u);
}

}  // namespace
