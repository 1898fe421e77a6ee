// A reader that answers later than the time-out, after the request was sent again:
// its late answer is taken, and the answer to the repeat must not be taken for the
// answer to the next command.
#include "reader_link/CommObjClas.h"
#include "sim/SimReader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

namespace {

using namespace std::chrono_literals;

class RetryStraggler : public ::testing::Test {
protected:
    void SetUp() override {
        reader.PlaceCard(sim::MifareCard(0x0A0B0C0D));
        ASSERT_TRUE(comm.Connect(reader.SlavePath()));
    }
    void TearDown() override { comm.Disconnect(); }

    // Runs the card request with its first answer `lateMs` late and the answer to
    // its repeat `repeatMs` after that (the reader's own working time).
    void LateCardRequest(int lateMs, int repeatMs) {
        reader.DelayNextReply(lateMs);
        auto request = std::async(std::launch::async, [this] { return comm.RequestCard(); });
        // The first sending is being answered late; the delay now set is the repeat's.
        ASSERT_TRUE(reader.WaitForExchanges(1, 10s));
        reader.DelayNextReply(repeatMs);
        ASSERT_TRUE(request.get());
        ASSERT_TRUE(reader.WaitForExchanges(2, 10s)) << "the request was sent again";
    }

    sim::SimReader reader;
    TCommClass comm;
};

}  // namespace

TEST_F(RetryStraggler, AnswerToTheRepeatIsNotTakenForTheNextCommand) {
    LateCardRequest(2300, 30);
    std::uint32_t serial = 0;
    EXPECT_TRUE(comm.ReadCardSerial(serial));
    EXPECT_EQ(serial, 0x0A0B0C0Du);
}

TEST_F(RetryStraggler, AStatusAnswerIsNotShiftedOntoTheCommandAfter) {
    // Two status answers look alike (0A 00): a shift would pass a refused write
    // for a good one. Here the card's sector 6 refuses key A's trailer write.
    sim::MifareCard card(0x0A0B0C0D);
    card.SetAccess(6, sim::AccessBytes{0x7F, 0x07, 0x88, 0x69});
    reader.PlaceCard(card);
    ASSERT_TRUE(comm.RequestCard());
    std::uint32_t serial = 0;
    ASSERT_TRUE(comm.ReadCardSerial(serial));
    comm.SectorNo = 6;
    comm.AuthEnabled = true;
    comm.SectorKey = ByteString(kTransportKey.begin(), kTransportKey.end());
    reader.DelayNextReply(2300);
    auto auth = std::async(std::launch::async, [this] { return comm.AuthenticateSector(); });
    ASSERT_TRUE(reader.WaitForExchanges(3, 10s));
    reader.DelayNextReply(30);
    ASSERT_TRUE(auth.get());
    EXPECT_FALSE(comm.WriteSectorTrailer(kTransportKey)) << "the write was refused";
}

TEST_F(RetryStraggler, NoSettlingWithoutARetry) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(comm.RequestCard());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(5 * TCommClass::kSettleQuietMs));
}
