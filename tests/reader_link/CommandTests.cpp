// Reader commands and the connection rules, over an in-memory port that answers
// like a reader.
#include "harness/MemoryPort.h"
#include "harness/TraceCapture.h"
#include "platform/Clock.h"
#include "reader_link/CommObjClas.h"
#include "reader_link/FrameLayout.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

class Commands : public ::testing::Test {
protected:
    Commands()
        : link([this](const std::string& name) {
              platform::OpenResult r;
              ++opens;
              if (name.empty()) {
                  r.error = "no port name given";
                  return r;
              }
              r.device = name;
              r.port = std::make_unique<harness::MemoryPort>(shared);
              return r;
          }) {}

    // The reply payload for each command written, by command code.
    void Answer(std::function<ByteString(const ByteString& command)> reply) {
        std::lock_guard lock(shared->mutex);
        shared->responder = [reply](const ByteString& frame, std::deque<std::uint8_t>& in) {
            ByteString command(frame.begin() + 17, frame.end() - 3);
            ByteString payload = reply(command);
            if (payload.empty()) return;
            ByteString f = frame::BuildReply(payload);
            in.insert(in.end(), f.begin(), f.end());
        };
    }
    void AnswerAlways(const ByteString& payload) {
        Answer([payload](const ByteString&) { return payload; });
    }
    std::vector<ByteString> Written() {
        std::lock_guard lock(shared->mutex);
        return shared->written;
    }
    ByteString LastCommand() {
        auto w = Written();
        return w.empty() ? ByteString{} : ByteString(w.back().begin() + 17, w.back().end() - 3);
    }

    std::shared_ptr<harness::MemoryPort::Shared> shared = std::make_shared<harness::MemoryPort::Shared>();
    int opens = 0;
    TCommClass link;
};

}  // namespace

TEST_F(Commands, ProbeLooksAtByteTwoOnly) {
    ASSERT_TRUE(link.Connect("com1"));
    AnswerAlways({0x55, 0x66, 0x00});
    EXPECT_TRUE(link.ProbeReader());
    EXPECT_EQ(Written().back(), TCommClass::BuildFrame({0x01, 0x00}, 0));
    AnswerAlways({0x0A, 0x00, 0x01});
    EXPECT_FALSE(link.ProbeReader());
}

// A port may hold a finer system timer while a transaction is in flight (Windows):
// it must be told when each transaction begins and, once answered, that it ended.
TEST_F(Commands, PortIsToldWhenATransactionIsInFlightAndWhenItEnded) {
    ASSERT_TRUE(link.Connect("com1"));
    AnswerAlways({0x0A, 0x00});
    ASSERT_TRUE(link.RequestCard());
    std::vector<bool> told;
    for (int i = 0; i < 500; ++i) {  // the worker goes back to idle after the answer
        {
            std::lock_guard lock(shared->mutex);
            told = shared->inFlight;
        }
        if (!told.empty() && !told.back()) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(told, (std::vector<bool>{true, false}));
}

TEST_F(Commands, RequestCardStatus) {
    ASSERT_TRUE(link.Connect("com1"));
    AnswerAlways({0x0A, 0x00});
    EXPECT_TRUE(link.RequestCard());
    EXPECT_EQ(LastCommand(), (ByteString{0x30, 0x01}));
    AnswerAlways({0x0A, 0x01});
    EXPECT_FALSE(link.RequestCard());
    AnswerAlways({0x0B, 0x00});
    EXPECT_FALSE(link.RequestCard());
}

TEST_F(Commands, ReadCardSerialIsLittleEndianAndLeftAloneOnFailure) {
    ASSERT_TRUE(link.Connect("com1"));
    AnswerAlways({0x36, 0x00, 0x78, 0x56, 0x34, 0x12});
    std::uint32_t serial = 0;
    EXPECT_TRUE(link.ReadCardSerial(serial));
    EXPECT_EQ(serial, 0x12345678u);
    EXPECT_EQ(LastCommand(), (ByteString{0x31, 0x00}));
    AnswerAlways({0x0A, 0x00, 0x01, 0x02, 0x03, 0x04});
    EXPECT_FALSE(link.ReadCardSerial(serial));
    EXPECT_EQ(serial, 0x12345678u);
}

TEST_F(Commands, AuthenticateSendsBlockAndWholeKey) {
    ASSERT_TRUE(link.Connect("com1"));
    AnswerAlways({0x0A, 0x00});
    link.AuthEnabled = true;
    link.SectorNo = 5;
    link.SectorKey = {1, 2, 3, 4, 5, 6};
    EXPECT_TRUE(link.AuthenticateSector());
    EXPECT_EQ(LastCommand(), (ByteString{0x32, 0x14, 1, 2, 3, 4, 5, 6}));
    link.SectorNo = 64;
    link.AuthenticateSector();
    EXPECT_EQ(LastCommand()[1], 0x00);
    link.SectorNo = 63;
    link.AuthenticateSector();
    EXPECT_EQ(LastCommand()[1], 0xFC);
    AnswerAlways({0x0A, 0x02});
    EXPECT_FALSE(link.AuthenticateSector());
}

TEST_F(Commands, AuthenticateWhileDisabledDoesNothingEvenWithoutPort) {
    harness::TraceCapture trace;
    link.AuthEnabled = false;
    EXPECT_NO_THROW(EXPECT_TRUE(link.AuthenticateSector()));
    EXPECT_TRUE(Written().empty());
    EXPECT_TRUE(trace.Lines().empty());
}

TEST_F(Commands, WriteTrailerLayout) {
    ASSERT_TRUE(link.Connect("com1"));
    AnswerAlways({0x0A, 0x00});
    link.SectorNo = 6;
    EXPECT_TRUE(link.WriteSectorTrailer({9, 8, 7, 6, 5, 4}));
    ByteString expected{0x34, 0x1B, 9, 8, 7, 6, 5, 4, 0xFF, 0x07, 0x80, 0x69};
    expected.insert(expected.end(), kTrailerKeyB.begin(), kTrailerKeyB.end());
    EXPECT_EQ(LastCommand(), expected);
    link.SectorNo = 63;
    link.WriteSectorTrailer({9, 8, 7, 6, 5, 4});
    EXPECT_EQ(LastCommand()[1], 0xFF);
    link.SectorNo = 64;
    link.WriteSectorTrailer({9, 8, 7, 6, 5, 4});
    EXPECT_EQ(LastCommand()[1], 0x03);

    // A card returned to the factory: transport key A and B, transport access bytes.
    link.SectorNo = 5;
    EXPECT_TRUE(link.WriteTransportTrailer());
    EXPECT_EQ(LastCommand(), (ByteString{0x34, 0x17, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x07, 0x80, 0x69, 0xFF,
                                         0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST_F(Commands, SignalAndDisconnect) {
    ASSERT_TRUE(link.Connect("com1"));
    AnswerAlways({0x0A, 0x00});
    EXPECT_TRUE(link.SendSignal(3));
    EXPECT_EQ(LastCommand(), (ByteString{0x38, 0x03}));
    link.SectorKey = {1, 2, 3, 4, 5, 6};
    EXPECT_TRUE(link.Disconnect());
    EXPECT_TRUE(link.SectorKey.empty()) << "the last key tried does not outlive the connection";
    EXPECT_EQ(LastCommand(), (ByteString{0x38, 0x00}));
    EXPECT_TRUE(shared->closed);
    EXPECT_FALSE(link.Connected);
    EXPECT_FALSE(link.PortOpen());
}

TEST_F(Commands, RetryCountBounds) {
    link.SetRetryCount(0);
    EXPECT_EQ(link.RetryCount, 1);
    link.SetRetryCount(-5);
    EXPECT_EQ(link.RetryCount, 1);
    link.SetRetryCount(7);
    EXPECT_EQ(link.RetryCount, 7);
}

TEST_F(Commands, NoPortRaisesAndZeroAttemptsDoNothing) {
    harness::TraceCapture trace;
    ByteString frame = TCommClass::BuildFrame({0x01, 0x00}, 0);
    EXPECT_NO_THROW(EXPECT_FALSE(link.SendCommand(frame, 0)));
    try {
        link.SendCommand(frame, 1);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "未打开相应com口");
    }
    EXPECT_THROW(link.RequestCard(), Exception);
    EXPECT_TRUE(trace.Lines().empty());
}

TEST_F(Commands, OpenPortKeepsTheOpenPortAndEmptyNameFails) {
    AnswerAlways({0x0A, 0x00});
    EXPECT_FALSE(link.OpenPort(""));
    EXPECT_FALSE(link.Connect(""));
    EXPECT_FALSE(link.Connected);
    EXPECT_TRUE(link.OpenPort("com1"));
    EXPECT_FALSE(link.Connected) << "open, not connected";
    EXPECT_TRUE(link.OpenPort("com9"));
    EXPECT_EQ(opens, 3) << "nothing is reopened";
    EXPECT_TRUE(link.Connect("com2"));
    EXPECT_TRUE(link.Connected);
    EXPECT_EQ(opens, 3);
}

TEST_F(Commands, FailedWriteLeavesTheBrokenState) {
    ASSERT_TRUE(link.Connect("com1"));
    shared->failWrites = true;
    EXPECT_FALSE(link.RequestCard());
    EXPECT_EQ(Written().size(), 0u);
    EXPECT_FALSE(link.PortOpen());
    EXPECT_TRUE(link.Connected) << "broken: closed but still flagged connected";
    EXPECT_FALSE(link.Receiver().StartEvent.IsSet());
    EXPECT_THROW(link.RequestCard(), Exception);
    EXPECT_TRUE(link.Disconnect());
    EXPECT_FALSE(link.Connected);
    shared->failWrites = false;
    shared->closed = false;
    EXPECT_TRUE(link.Connect("com1"));
    AnswerAlways({0x0A, 0x00});
    EXPECT_TRUE(link.RequestCard());
}

TEST_F(Commands, StaleInputNeverAnswersANewRequest) {
    ASSERT_TRUE(link.Connect("com1"));
    // A late "card present" reply sits in the driver's queue when the serial read goes out.
    harness::MemoryPort::Queue(*shared, frame::BuildReply({0x0A, 0x00}));
    Answer([](const ByteString& c) {
        return c[0] == 0x31 ? ByteString{0x36, 0x00, 4, 3, 2, 1} : ByteString{0x0A, 0x00};
    });
    std::uint32_t serial = 0;
    EXPECT_TRUE(link.ReadCardSerial(serial));
    EXPECT_EQ(serial, 0x01020304u);
    EXPECT_EQ(Written().size(), 1u);
}

TEST_F(Commands, RequestTraceIsWrittenPerAttempt) {
    ASSERT_TRUE(link.Connect("com1"));
    AnswerAlways({0x0A, 0x00});
    harness::TraceCapture trace;
    EXPECT_TRUE(link.SendSignal(2));
    auto lines = trace.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "发送指令：" + HexDump(Written().back().data(), Written().back().size()));
    EXPECT_EQ(lines[1].rfind("接收指令：0A,00,", 0), 0u);
}

TEST_F(Commands, LastFailureTellsSilenceFromRefusalAndALostPort) {
    ASSERT_TRUE(link.Connect("com1"));
    link.SetRetryCount(1);
    std::uint32_t serial = 0;
    AnswerAlways({0x0A, 0x01, 0x01});
    EXPECT_FALSE(link.RequestCard());
    EXPECT_EQ(link.LastFailure(), LinkFailure::Refused);
    AnswerAlways({0x0A, 0x00, 0x01});
    EXPECT_TRUE(link.SendSignal(2));
    EXPECT_EQ(link.LastFailure(), LinkFailure::None);
    EXPECT_FALSE(link.ProbeReader());
    EXPECT_EQ(link.LastFailure(), LinkFailure::Refused);
    EXPECT_TRUE(link.RequestCard());
    EXPECT_FALSE(link.ReadCardSerial(serial));
    EXPECT_EQ(link.LastFailure(), LinkFailure::Refused);

    Answer([](const ByteString&) { return ByteString{}; });  // nothing answers
    EXPECT_FALSE(link.RequestCard());
    EXPECT_EQ(link.LastFailure(), LinkFailure::NoReply);
    link.AuthEnabled = false;
    EXPECT_TRUE(link.AuthenticateSector());
    EXPECT_EQ(link.LastFailure(), LinkFailure::None);

    shared->failWrites = true;
    EXPECT_FALSE(link.RequestCard());
    EXPECT_EQ(link.LastFailure(), LinkFailure::PortLost);
    AnswerAlways({0x0A, 0x00});
    EXPECT_THROW(link.RequestCard(), Exception);
    EXPECT_EQ(link.LastFailure(), LinkFailure::PortLost);
}

// The late answer to the first sending is taken right after that sending timed
// out, before the repeat's wait began: the transaction ends at once, and the worker
// must stop reading with it, or it goes on filling ReplyBuffer between transactions.
TEST_F(Commands, AnAnswerTakenBeforeTheRepeatsWaitLeavesTheWorkerIdle) {
    ASSERT_TRUE(link.Connect("com1"));
    link.SetRetryCount(2);
    shared->afterWrite = [this](std::size_t writes) {
        if (writes != 2) return;
        harness::MemoryPort::Queue(*shared, frame::BuildReply({0x0A, 0x00}));
        // Still reading for the first sending, the worker takes it and stops.
        for (int i = 0; i < 5000 && link.Receiver().StartEvent.IsSet(); ++i) platform::SleepMs(1);
    };
    EXPECT_TRUE(link.RequestCard());
    EXPECT_EQ(Written().size(), 2u);
    EXPECT_FALSE(link.Receiver().StartEvent.IsSet());
    AnswerAlways({0x0A, 0x00});  // for the closing signal
}
