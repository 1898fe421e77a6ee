// How the receive worker cuts reply frames out of the byte stream, driven one step
// at a time over an in-memory port.
#include "harness/MemoryPort.h"
#include "reader_link/FrameLayout.h"
#include "reader_link/RecvClass.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

namespace {

class Collector : public ::testing::Test {
protected:
    void SetUp() override {
        shared = std::make_shared<harness::MemoryPort::Shared>();
        port = std::make_unique<harness::MemoryPort>(shared);
        recv.SetPort(port.get());
        recv.SetFrameHandler([this](const std::uint8_t* d, std::int32_t n, bool& accepted) {
            delivered.emplace_back(d, d + n);
            accepted = acceptFrames;
        });
    }
    void TearDown() override { recv.SetPort(nullptr); }

    void Queue(const ByteString& b) { harness::MemoryPort::Queue(*shared, b); }
    void Step(int n = 1) {
        for (int i = 0; i < n; ++i) recv.ReadStep();
    }

    std::shared_ptr<harness::MemoryPort::Shared> shared;
    std::unique_ptr<harness::MemoryPort> port;
    // Its thread idles while StartEvent is reset; a test that sets it shares the
    // steps with the worker, so it sets it only where either may take the step.
    TRecvClass recv;
    std::vector<ByteString> delivered;
    bool acceptFrames = true;
};

const ByteString kReply = frame::BuildReply({0x0A, 0x00});
const ByteString kSerialReply = frame::BuildReply({0x36, 0x00, 1, 2, 3, 4});

ByteString Join(std::initializer_list<ByteString> parts) {
    ByteString out;
    for (const ByteString& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
ByteString WithByte(ByteString frame, std::size_t at, std::uint8_t flip) {
    frame[at] ^= flip;
    return frame;
}
// What a half-duplex adapter sends back of the request it just transmitted.
const ByteString kEchoedRequest = frame::BuildRequest({0x30, 0x01}, 0);
// One bit of the length byte flipped: 08 reads as 88, a frame of 149 bytes.
const ByteString kFlippedLength = WithByte(kReply, frame::kReply.LengthAt(), 0x80);
const ByteString kBadChecksum = WithByte(kReply, kReply.size() - 2, 0x01);
// Starts like a reply and breaks off.
const ByteString kJunk{0x3C, 0xFF, 0xA5, 0xA5, 0xA5, 0x17, 0x00, 0xFF};

// Bursts that reach the collector one after another, the line going quiet after
// each, and the frames it hands over; the owner takes a frame as the link does.
struct Collection {
    const char* name;
    std::vector<ByteString> bursts;
    std::vector<ByteString> delivered;
};

void PrintTo(const Collection& c, std::ostream* os) { *os << c.name; }

const Collection kCollections[] = {
    {"FrameWithAWrongTerminatorIsNoise", {WithByte(kReply, kReply.size() - 1, 0xFF)}, {}},
    {"StrayZeroAheadOfAReply", {Join({{0x00}, kReply})}, {kReply}},
    {"JunkGluedAheadOfAReply", {Join({kJunk, kReply})}, {kReply}},
    // The line went quiet in the middle of the reply: its start is kept, the junk goes.
    {"JunkThenAReplyInPieces",
     {Join({kJunk, ByteString(kReply.begin(), kReply.begin() + 5)}), ByteString(kReply.begin() + 5, kReply.end())},
     {kReply}},
    {"FlippedLengthBitThenAGoodReply", {Join({kFlippedLength, kSerialReply})}, {kSerialReply}},
    // The repeat's answer: the flipped frame was dropped at once, not waited on.
    {"FlippedLengthBitThenTheRepeatsReply", {kFlippedLength, kSerialReply}, {kSerialReply}},
    {"EchoedRequestAndReplyInOneBurst", {Join({kEchoedRequest, kReply})}, {kReply}},
    {"EchoedRequestThenReply", {kEchoedRequest, kReply}, {kEchoedRequest, kReply}},
    // A garbled frame skipped on the way to a good one is not handed over: its
    // verdict would wipe the reply buffer.
    {"BadChecksumThenAGoodReply", {Join({kBadChecksum, kSerialReply})}, {kSerialReply}},
    {"BadChecksumAloneIsHandedOverForItsVerdict", {kBadChecksum}, {kBadChecksum}},
    // Whatever follows a reply that was taken is dropped: a straggler, never an answer.
    {"GoodReplyThenJunk", {Join({kReply, kJunk})}, {kReply}},
    {"TwoRepliesBackToBack", {Join({kReply, kSerialReply})}, {kReply}},
};

class Collections : public Collector, public ::testing::WithParamInterface<Collection> {};

}  // namespace

TEST_F(Collector, FrameInPiecesIsDeliveredOnceWhenTheLineGoesQuiet) {
    Queue(ByteString(kReply.begin(), kReply.begin() + 5));
    Step();
    EXPECT_TRUE(recv.InFrame());
    Step(3);  // idle steps with an incomplete frame keep collecting
    EXPECT_TRUE(recv.InFrame());
    Queue(ByteString(kReply.begin() + 5, kReply.begin() + 15));
    Step(2);
    EXPECT_TRUE(delivered.empty()) << "the length says more is to come";
    Queue(ByteString(kReply.begin() + 15, kReply.end()));
    Step();
    EXPECT_TRUE(delivered.empty()) << "never judged in a step that read bytes";
    recv.StartEvent.Set();  // the transaction is waiting: the worker may deliver first
    Step();
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0], kReply);
    EXPECT_FALSE(recv.InFrame());
    EXPECT_TRUE(recv.DoneEvent.Wait(0));
    EXPECT_FALSE(recv.StartEvent.IsSet());
    Step(3);
    EXPECT_EQ(delivered.size(), 1u);
}

TEST_P(Collections, DeliverWhatTheLinkCanTake) {
    recv.SetFrameHandler([this](const std::uint8_t* d, std::int32_t n, bool& accepted) {
        delivered.emplace_back(d, d + n);
        accepted = frame::JudgeReply(d, n) == frame::ReplyVerdict::Good;
    });
    for (const ByteString& burst : GetParam().bursts) {
        Queue(burst);
        Step(2);  // one step reads, the next finds the line quiet
    }
    EXPECT_EQ(delivered, GetParam().delivered);
    EXPECT_FALSE(recv.InFrame()) << "nothing is left waiting";
}

INSTANTIATE_TEST_SUITE_P(Collector, Collections, ::testing::ValuesIn(kCollections),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Collector, ShortCollectionWaitsInsteadOfDropping) {
    Queue({0x00, 0x01, 0x02});  // garbage, but too little to judge
    Step(2);
    EXPECT_TRUE(recv.InFrame());
    EXPECT_EQ(recv.FrameCount(), 3);
}

TEST_F(Collector, SevenPreambleBytesAreDeliveredAndRejectionTouchesNoEvent) {
    acceptFrames = false;
    ByteString seven = kReply;
    seven.erase(seven.begin() + 1);
    recv.StartEvent.Set();
    Queue(seven);
    Step(2);
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_FALSE(recv.DoneEvent.IsSet());
    EXPECT_TRUE(recv.StartEvent.IsSet()) << "reading goes on";
}

TEST_F(Collector, MoreThan2048QueuedBytesArePurgedAndTheFrameInProgressKept) {
    Queue(ByteString(kReply.begin(), kReply.begin() + 6));
    Step();
    const auto before = recv.FrameCount();
    Queue(ByteString(2049, 0xA5));
    Step();
    EXPECT_EQ(shared->purges, 1);
    EXPECT_EQ(port->BytesWaiting(), 0);
    EXPECT_TRUE(recv.InFrame());
    EXPECT_EQ(recv.FrameCount(), before);
    Queue(ByteString(kReply.begin() + 6, kReply.end()));
    Step(2);
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0], kReply);
}

TEST_F(Collector, NothingPastTheFrameBufferIsWrittenOrDelivered) {
    // A plausible start, then more bytes than any frame: no overflow, no delivery,
    // and a good frame afterwards still gets through.
    ByteString head{0xFF, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5};
    Queue(head);
    Step();
    Queue(ByteString(1020, 0xA5));
    Step();
    Step();
    EXPECT_TRUE(delivered.empty());
    Queue(ByteString(2000, 0xA5));  // one read larger than the buffer
    Step(2);
    EXPECT_TRUE(delivered.empty());
    Queue(kReply);
    Step(2);
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_LE(delivered[0].size(), 1024u);
}

TEST_F(Collector, IncompleteFrameIsContinuedByLaterBytes) {
    Queue(ByteString(kReply.begin(), kReply.begin() + 14));
    Step(2);
    EXPECT_TRUE(recv.InFrame());
    Queue(ByteString(kReply.begin() + 14, kReply.end()));
    Step(2);
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0], kReply);
}

TEST_F(Collector, UnknownQueueLengthOrNoPortDoesNothing) {
    Queue(kReply);
    shared->failQuery = true;
    Step(3);
    EXPECT_FALSE(recv.InFrame());
    shared->failQuery = false;
    recv.SetPort(nullptr);
    Step(3);
    EXPECT_FALSE(recv.InFrame());
    EXPECT_TRUE(delivered.empty());
}

TEST_F(Collector, DiscardStaleDropsDoneSignalQueueAndHalfFrame) {
    Queue(kReply);
    Step(2);
    ASSERT_TRUE(recv.DoneEvent.IsSet());
    Queue(ByteString(kReply.begin(), kReply.begin() + 8));
    Step();
    ASSERT_TRUE(recv.InFrame());
    Queue({0x01, 0x02});
    recv.DiscardStale();
    EXPECT_FALSE(recv.DoneEvent.IsSet());
    EXPECT_FALSE(recv.InFrame());
    EXPECT_EQ(port->BytesWaiting(), 0);
}
