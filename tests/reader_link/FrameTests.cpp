// The frame layout, its checksum and the judging of reply frames.
#include "harness/TraceCapture.h"
#include "reader_link/CommObjClas.h"
#include "reader_link/CrcUnit.h"
#include "reader_link/FrameLayout.h"
#include "reader_link/RequestTrace.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const ByteString kProbeFrame{0xFF, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0x00,
                             0x08, 0xF7, 0x00, 0x00, 0xFF, 0xFF, 0x01, 0x00, 0x1C, 0x0F, 0xFF};
const ByteString kOkReply{0xFF, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0x00, 0x08,
                          0xF7, 0x00, 0x00, 0xFF, 0xFF, 0x0A, 0x00, 0x17, 0x0F, 0xFF};

std::uint16_t Crc(const ByteString& b) { return Crc16Frame(b.data(), static_cast<std::int32_t>(b.size())); }

// CRC-16/XMODEM, the common checksum this one is related to.
std::uint16_t Xmodem(const ByteString& b) {
    std::uint16_t crc = 0;
    for (std::uint8_t byte : b) {
        crc ^= static_cast<std::uint16_t>(byte << 8);
        for (int i = 0; i < 8; ++i)
            crc =
                (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021) : static_cast<std::uint16_t>(crc << 1);
    }
    return crc;
}

class Judging : public ::testing::Test {
protected:
    bool Judge(const ByteString& frame, bool preset = false) {
        bool accepted = preset;
        link.OnFrameReceived(frame.data(), static_cast<std::int32_t>(frame.size()), accepted);
        return accepted;
    }
    void Fill(std::uint8_t value) { std::memset(link.ReplyBuffer, value, sizeof link.ReplyBuffer); }
    bool BufferAll(std::uint8_t value) const {
        for (std::uint8_t b : link.ReplyBuffer)
            if (b != value) return false;
        return true;
    }
    TCommClass link{TCommClass::PortOpener{}};
};

}  // namespace

TEST(Checksum, KnownValues) {
    EXPECT_EQ(Crc({0x00, 0x00, 0xFF, 0xFF, 0x01, 0x00}), 0x1C0F);
    EXPECT_EQ(Crc({'a', 'b', 'c'}), 0x1EE4);
    EXPECT_EQ(Crc({0x12, 0x34}), 0x1234);
    EXPECT_EQ(Crc({0x00, 0x00, 0xFF, 0xFF, 0x0A, 0x00}), 0x170F);
}

TEST(Checksum, IsXmodemOfAllButTheLastTwoXoredWithThem) {
    ByteString data;
    for (int len = 2; len < 40; ++len) {
        data.push_back(static_cast<std::uint8_t>(len * 37 + 11));
        if (data.size() < 2) continue;
        ByteString head(data.begin(), data.end() - 2);
        std::uint16_t tail = static_cast<std::uint16_t>(data[data.size() - 2] << 8 | data.back());
        EXPECT_EQ(Crc(data), static_cast<std::uint16_t>(Xmodem(head) ^ tail)) << "length " << data.size();
    }
}

TEST(Checksum, ReadsOnlyTheCountedBytes) {
    std::uint8_t buffer[1024];
    std::memset(buffer, 0x5A, sizeof buffer);
    buffer[0] = 0x12;
    buffer[1] = 0x34;
    EXPECT_EQ(Crc16Frame(buffer, 2), 0x1234);
}

TEST(BuildFrame, ProbeIsTheWorkedExample) { EXPECT_EQ(TCommClass::BuildFrame({0x01, 0x00}, 0), kProbeFrame); }

TEST(BuildFrame, LayoutForEveryLength) {
    for (std::size_t n : {1u, 2u, 8u, 18u, 249u}) {
        ByteString cmd(n, 0x3C);
        ByteString f = TCommClass::BuildFrame(cmd, 0xBEEF);
        ASSERT_EQ(f.size(), n + 20);
        EXPECT_EQ(f[11], n + 6);
        EXPECT_EQ(f[12], 0xFF - (n + 6));
        EXPECT_EQ(f[13], 0xBE);
        EXPECT_EQ(f[14], 0xEF);
        EXPECT_EQ(f[15], 0xFF);
        EXPECT_EQ(f[16], 0xFF);
        std::uint16_t crc = Crc16Frame(f.data() + 13, static_cast<std::int32_t>(n + 4));
        EXPECT_EQ(f[17 + n], crc >> 8);
        EXPECT_EQ(f[18 + n], crc & 0xFF);
        EXPECT_EQ(f.back(), 0xFF);
    }
}

TEST(BuildFrame, EmptyCommandRaises) {
    try {
        TCommClass::BuildFrame({}, 0);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "操作指令不能为空！");
    }
}

TEST_F(Judging, GoodReplyFillsBufferAndTraces) {
    harness::TraceCapture trace;
    Fill(0x33);
    EXPECT_TRUE(Judge(kOkReply));
    EXPECT_EQ(link.ReplyBuffer[0], 0x0A);
    EXPECT_EQ(link.ReplyBuffer[1], 0x00);
    EXPECT_EQ(link.ReplyBuffer[2], 0x33) << "bytes past the payload keep older values";
    auto lines = trace.Lines();
    ASSERT_EQ(lines.size(), 1u);
    std::string expected = "接收指令：0A,00";
    for (int i = 0; i < 39; ++i) expected += ",33";
    EXPECT_EQ(lines[0], expected);
}

TEST_F(Judging, BadChecksumFillsBufferWithFF) {
    for (std::size_t pos : {kOkReply.size() - 3, kOkReply.size() - 2}) {
        Fill(0x11);
        ByteString bad = kOkReply;
        bad[pos] ^= 0x01;
        harness::TraceCapture trace;
        EXPECT_FALSE(Judge(bad, true)) << "a checksum mismatch clears accepted";
        EXPECT_TRUE(BufferAll(0xFF));
        EXPECT_TRUE(trace.Lines().empty());
    }
}

TEST_F(Judging, StructuralRejectionsLeaveBufferAndAcceptedAlone) {
    auto variants = std::vector<ByteString>{};
    ByteString c = kOkReply;
    c[11] ^= 0x01;  // not the complement of the length
    variants.push_back(c);
    ByteString nine = kOkReply;
    nine.insert(nine.begin() + 1, 0xA5);  // a request's preamble
    variants.push_back(nine);
    ByteString seven = kOkReply;
    seven.erase(seven.begin() + 1);
    variants.push_back(seven);
    ByteString term = kOkReply;
    term.back() = 0xFE;
    variants.push_back(term);
    variants.push_back(ByteString(kOkReply.begin(), kOkReply.begin() + 11));
    for (const auto& v : variants) {
        Fill(0x44);
        EXPECT_TRUE(Judge(v, true)) << "accepted is left as it was";
        EXPECT_FALSE(Judge(v, false));
        EXPECT_TRUE(BufferAll(0x44));
    }
}

TEST_F(Judging, FramesTooShortForTheirChecksumAreRejected) {
    for (int count = 12; count <= 16; ++count) {
        ByteString f{0xFF, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0x00, 0x01, 0xFE};
        while (f.size() < static_cast<std::size_t>(count) - 1) f.push_back(0x00);
        f.push_back(0xFF);
        Fill(0x22);
        EXPECT_FALSE(Judge(f)) << count;
        EXPECT_TRUE(BufferAll(0x22)) << count;
    }
}

TEST_F(Judging, EmptyPayloadAcceptedWithoutTouchingBuffer) {
    Fill(0x66);
    EXPECT_TRUE(Judge(frame::BuildReply({})));
    EXPECT_TRUE(BufferAll(0x66));
}

TEST_F(Judging, SeventeenByteFrameJudgedByTwoHeaderBytes) {
    // Header of two bytes only: the checksum covers those two, read as a word.
    ByteString f{0xFF, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0x00, 0x04, 0xFB, 0x12, 0x34, 0x12, 0x34, 0xFF};
    EXPECT_TRUE(Judge(f));
    f[14] = 0x13;
    EXPECT_FALSE(Judge(f));
}

TEST_F(Judging, LongPayloadTracedToFortyOneBytes) {
    ByteString payload(60);
    for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<std::uint8_t>(i);
    harness::TraceCapture trace;
    EXPECT_TRUE(Judge(frame::BuildReply(payload)));
    EXPECT_EQ(link.ReplyBuffer[59], 59);
    ASSERT_EQ(trace.Lines().size(), 1u);
    EXPECT_EQ(trace.Lines()[0], "接收指令：" + HexDump(payload.data(), 41));
}

TEST(RequestTraceText, PlainFramesAreDumpedWhole) {
    EXPECT_EQ(RequestTraceLine(kProbeFrame),
              "发送指令：FF,A5,A5,A5,A5,A5,A5,A5,A5,A5,00,08,F7,00,00,FF,FF,01,00,1C,0F,FF");
}

TEST(RequestTraceText, KeysAndChecksumsAreMasked) {
    ByteString auth = TCommClass::BuildFrame({0x32, 0x14, 0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6}, 0);
    EXPECT_EQ(RequestTraceLine(auth),
              "发送指令：FF,A5,A5,A5,A5,A5,A5,A5,A5,A5,00,0E,F1,00,00,FF,FF,32,14,**,**,**,**,**,**,**,**,FF");
    ByteString write{0x34, 0x1B, 0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6, 0xFF, 0x07, 0x80, 0x69, 1, 2, 3, 4, 5, 6};
    std::string line = RequestTraceLine(TCommClass::BuildFrame(write, 0));
    EXPECT_NE(line.find(",34,1B,**,**,**,**,**,**,FF,07,80,69,**,**,**,**,**,**,**,**,FF"), std::string::npos) << line;
    EXPECT_EQ(line.find("A1"), std::string::npos);
}
