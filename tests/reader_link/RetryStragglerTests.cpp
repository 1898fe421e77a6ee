// A reader that answers later than the time-out, after the request was sent again:
// its late answer is taken, and the answers still owed to the other sendings must
// not be taken for the answer to the next command.
#include "reader_link/CommObjClas.h"
#include "sim/SimReader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <vector>

namespace {

using namespace std::chrono_literals;

class RetryStraggler : public ::testing::Test {
protected:
    void SetUp() override {
        reader.PlaceCard(sim::MifareCard(0x0A0B0C0D));
        ASSERT_TRUE(comm.Connect(reader.SlavePath()));
    }
    void TearDown() override { comm.Disconnect(); }

    std::vector<ByteString> Requests() const {
        std::vector<ByteString> out;
        for (const sim::Exchange& e : reader.Exchanges()) out.push_back(e.request);
        return out;
    }

    sim::SimReader reader;
    TCommClass comm;
};

// How the reader answers the authentication of a sector whose trailer it then
// refuses to write: waits for the replies in the order they go out, sendings it
// never hears, replies it sends twice.
struct Trailing {
    const char* name;
    std::vector<int> delaysMs;
    int lostSendings = 0;
    int duplicated = 0;
    int duplicateGapMs = 0;
};

void PrintTo(const Trailing& t, std::ostream* os) { *os << t.name; }

class TrailingAnswers : public RetryStraggler, public ::testing::WithParamInterface<Trailing> {};

const Trailing kTrailing[] = {
    // The first answer 2.3 s late, the repeat's this long after it.
    {"Repeat30ms", {2300, 30}},
    {"Repeat300ms", {2300, 300}},
    {"Repeat1500ms", {2300, 1500}},
    {"Repeat2500ms", {2300, 2500}},
    // The first sending never heard: nothing is owed, the write's own answer counts.
    {"FirstSendingLost", {}, 1},
    // Both answers sent twice, the copies apart from them.
    {"DuplicatedAnswers", {2300, 300}, 0, 2, 40},
};

}  // namespace

// Two status answers look alike (0A 00): a shift would pass a refused write for a
// good one. The card's sector 6 refuses key A's trailer write (access 7F 07 88).
TEST_P(TrailingAnswers, ARefusedTrailerWriteBehindThemIsAFailure) {
    const Trailing& t = GetParam();
    sim::MifareCard card(0x0A0B0C0D);
    card.SetAccess(6, sim::AccessBytes{0x7F, 0x07, 0x88, 0x69});
    reader.PlaceCard(card);
    ASSERT_TRUE(comm.RequestCard());
    std::uint32_t serial = 0;
    ASSERT_TRUE(comm.ReadCardSerial(serial));
    comm.SectorNo = 6;
    comm.AuthEnabled = true;
    comm.SectorKey = ByteString(kTransportKey.begin(), kTransportKey.end());

    reader.DelayReplies(t.delaysMs);
    reader.IgnoreNextRequests(t.lostSendings);
    reader.DuplicateNextReplies(t.duplicated, t.duplicateGapMs);
    ASSERT_TRUE(comm.AuthenticateSector());
    EXPECT_FALSE(comm.WriteSectorTrailer(kTransportKey)) << "the write was refused";
    EXPECT_EQ(comm.LastFailure(), LinkFailure::Refused);

    const std::vector<ByteString> requests = Requests();
    ASSERT_EQ(requests.size(), 5u) << "card request, serial, two authentications, one write";
    EXPECT_EQ(requests[2], requests[3]);
    EXPECT_EQ(requests[4][0], 0x34);
    EXPECT_EQ(reader.CardBySerial(0x0A0B0C0D)->Trailer(6), card.Trailer(6));
}

INSTANTIATE_TEST_SUITE_P(RetryStraggler, TrailingAnswers, ::testing::ValuesIn(kTrailing),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RetryStraggler, AnswerToTheRepeatIsNotTakenForTheNextCommand) {
    reader.DelayReplies({2300, 30});
    ASSERT_TRUE(comm.RequestCard());
    std::uint32_t serial = 0;
    EXPECT_TRUE(comm.ReadCardSerial(serial));
    EXPECT_EQ(serial, 0x0A0B0C0Du);
}

// Waiting for owed answers takes at least one and a half time-outs: commands
// sent once must not pay it.
TEST_F(RetryStraggler, NoWaitingWithoutARetry) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(comm.RequestCard());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(TCommClass::kReplyTimeoutMs));
}
