// Which random faults a soak run gets, and what they do to a reply's bytes.
#include "sim/RandomFaults.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "reader_link/FrameLayout.h"
#include "sim/Framing.h"

namespace {

using sim::FaultKind;

sim::FaultRates Only(FaultKind kind, double chance = 1.0) {
    sim::FaultRates rates;
    rates[kind] = chance;
    return rates;
}

const ByteString kReply = sim::FrameReply({0x0A, 0x00});

TEST(RandomFaults, DisarmedDrawsNothing) {
    sim::RandomFaults faults;
    sim::FaultRates all;
    all.chance.fill(1.0);
    faults.Arm(all, 1);
    faults.Disarm();
    const sim::ReplyDamage d = faults.Draw(true, true, kReply.size());
    EXPECT_EQ(d.kinds, 0u);
    EXPECT_EQ(d.Apply(kReply), kReply);
    EXPECT_EQ(faults.Counts()[FaultKind::LostByte], 0u);
}

TEST(RandomFaults, ZeroRatesLeaveEveryReplyIntact) {
    sim::RandomFaults faults;
    faults.Arm(sim::FaultRates{}, 42);
    for (int i = 0; i < 500; ++i) {
        const sim::ReplyDamage d = faults.Draw(true, true, kReply.size());
        ASSERT_EQ(d.kinds, 0u);
        ASSERT_EQ(d.delayMs, 0);
    }
}

TEST(RandomFaults, LostByteShortensTheReplyByOne) {
    sim::RandomFaults faults;
    faults.Arm(Only(FaultKind::LostByte), 3);
    for (int i = 0; i < 50; ++i) {
        const sim::ReplyDamage d = faults.Draw(false, true, kReply.size());
        ASSERT_TRUE(d.Has(FaultKind::LostByte));
        const ByteString wire = d.Apply(kReply);
        ASSERT_EQ(wire.size(), kReply.size() - 1);
        ByteString back = wire;
        back.insert(back.begin() + static_cast<std::ptrdiff_t>(d.lostAt), kReply[d.lostAt]);
        EXPECT_EQ(back, kReply);
    }
    EXPECT_EQ(faults.Counts()[FaultKind::LostByte], 50u);
}

TEST(RandomFaults, FlipsChangeExactlyOneByte) {
    constexpr auto kLengthAt = static_cast<std::size_t>(frame::kReply.LengthAt());
    for (const FaultKind kind : {FaultKind::FlippedByte, FaultKind::FlippedLength}) {
        sim::RandomFaults faults;
        faults.Arm(Only(kind), 4);
        for (int i = 0; i < 50; ++i) {
            const ByteString wire = faults.Draw(false, true, kReply.size()).Apply(kReply);
            ASSERT_EQ(wire.size(), kReply.size());
            int differing = 0;
            for (std::size_t j = 0; j < wire.size(); ++j) differing += wire[j] != kReply[j];
            EXPECT_EQ(differing, 1) << sim::FaultKindName(kind);
            if (kind != FaultKind::FlippedLength) continue;
            const auto flipped = static_cast<unsigned>(wire[kLengthAt] ^ kReply[kLengthAt]);
            EXPECT_TRUE(flipped != 0 && (flipped & (flipped - 1)) == 0)
                << "one bit of the length byte, not " << flipped;
        }
    }
}

// The reply itself goes out intact, only later (or again, later).
TEST(RandomFaults, LateRepliesAndEchoesWaitWithinTheGivenRange) {
    sim::FaultRates rates = Only(FaultKind::LateReply);
    rates[FaultKind::Echo] = 1.0;
    rates.lateMinMs = 2100;
    rates.lateMaxMs = 2200;
    rates.echoMinMs = 20;
    rates.echoMaxMs = 300;
    sim::RandomFaults faults;
    faults.Arm(rates, 5);
    for (int i = 0; i < 50; ++i) {
        const sim::ReplyDamage d = faults.Draw(false, true, kReply.size());
        EXPECT_GE(d.delayMs, 2100);
        EXPECT_LE(d.delayMs, 2200);
        EXPECT_GE(d.echoGapMs, 20);
        EXPECT_LE(d.echoGapMs, 300);
        EXPECT_EQ(d.Apply(kReply), kReply);
    }
}

TEST(RandomFaults, LateAndSlowRepeatsMakeTheNextAnsweredReplyLaterStill) {
    for (const FaultKind kind : {FaultKind::LateRepeat, FaultKind::SlowRepeat}) {
        sim::FaultRates rates = Only(kind);
        rates.lateMinMs = rates.lateMaxMs = 2200;
        rates.repeatMinMs = 30;
        rates.repeatMaxMs = 40;
        rates.slowRepeatMinMs = 3000;
        rates.slowRepeatMaxMs = 3010;
        const int carried = kind == FaultKind::SlowRepeat ? 3000 : 30;
        sim::RandomFaults faults;
        faults.Arm(rates, 11);
        EXPECT_EQ(faults.Draw(false, true, kReply.size()).delayMs, 2200);
        EXPECT_EQ(faults.Draw(false, false, 0).delayMs, 0) << "an unanswered request carries nothing away";
        const sim::ReplyDamage next = faults.Draw(false, true, kReply.size());
        EXPECT_GE(next.delayMs, 2200 + carried) << sim::FaultKindName(kind);
        EXPECT_LE(next.delayMs, 2200 + carried + 10) << sim::FaultKindName(kind);
        EXPECT_EQ(faults.Counts()[kind], 2u);
    }
}

TEST(RandomFaults, GarbageGoesInsideTheReplyOrAfterIt) {
    sim::FaultRates rates = Only(FaultKind::GarbageInside);
    rates[FaultKind::GarbageAfter] = 1.0;
    rates.bigGarbage = 0.0;
    sim::RandomFaults faults;
    faults.Arm(rates, 6);
    for (int i = 0; i < 50; ++i) {
        const sim::ReplyDamage d = faults.Draw(false, true, kReply.size());
        ASSERT_FALSE(d.inside.empty());
        ASSERT_FALSE(d.after.empty());
        EXPECT_LE(d.inside.size(), 64u);
        EXPECT_GE(d.insertAt, 1u);
        EXPECT_LT(d.insertAt, kReply.size());
        const ByteString wire = d.Apply(kReply);
        ASSERT_EQ(wire.size(), kReply.size() + d.inside.size());
        EXPECT_TRUE(std::equal(kReply.begin(), kReply.begin() + static_cast<std::ptrdiff_t>(d.insertAt), wire.begin()));
        EXPECT_TRUE(
            std::equal(d.inside.begin(), d.inside.end(), wire.begin() + static_cast<std::ptrdiff_t>(d.insertAt)));
    }
    EXPECT_EQ(faults.Counts().bigBursts, 0u);
}

TEST(RandomFaults, BigBurstsOverflowTheHostQueue) {
    sim::FaultRates rates = Only(FaultKind::GarbageAfter);
    rates.bigGarbage = 1.0;
    sim::RandomFaults faults;
    faults.Arm(rates, 7);
    for (int i = 0; i < 20; ++i) {
        const sim::ReplyDamage d = faults.Draw(false, true, kReply.size());
        EXPECT_GT(d.after.size(), sim::kHostQueueLimit);
        EXPECT_LE(d.after.size(), rates.bigGarbageMax);
    }
    EXPECT_EQ(faults.Counts().bigBursts, 20u);
}

TEST(RandomFaults, DuplicateSendsAnIntactSecondCopy) {
    sim::FaultRates rates = Only(FaultKind::DuplicateReply);
    rates[FaultKind::FlippedByte] = 1.0;
    sim::RandomFaults faults;
    faults.Arm(rates, 8);
    const ByteString wire = faults.Draw(false, true, kReply.size()).Apply(kReply);
    ASSERT_EQ(wire.size(), 2 * kReply.size());
    EXPECT_NE(ByteString(wire.begin(), wire.begin() + static_cast<std::ptrdiff_t>(kReply.size())), kReply);
    EXPECT_EQ(ByteString(wire.begin() + static_cast<std::ptrdiff_t>(kReply.size()), wire.end()), kReply);
}

TEST(RandomFaults, CardIsTakenOnlyWhenOneIsThere) {
    sim::RandomFaults faults;
    faults.Arm(Only(FaultKind::CardTaken), 9);
    EXPECT_FALSE(faults.Draw(false, true, kReply.size()).Has(FaultKind::CardTaken));
    EXPECT_TRUE(faults.Draw(true, false, 0).Has(FaultKind::CardTaken));
    EXPECT_EQ(faults.Counts()[FaultKind::CardTaken], 1u);
}

TEST(RandomFaults, UnansweredRequestsGetNoReplyDamageButAreEchoed) {
    sim::FaultRates all;
    all.chance.fill(1.0);
    sim::RandomFaults faults;
    faults.Arm(all, 10);
    const sim::ReplyDamage d = faults.Draw(false, false, 0);
    EXPECT_EQ(d.kinds, sim::FaultBit(FaultKind::EchoedRequest)) << "the adapter echoes what the reader never heard";
}

TEST(RandomFaults, SameSeedReplaysTheSameFaults) {
    sim::FaultRates rates;
    rates.chance.fill(0.2);
    sim::RandomFaults a, b, c;
    a.Arm(rates, 77);
    b.Arm(rates, 77);
    c.Arm(rates, 78);
    bool differs = false;
    for (int i = 0; i < 300; ++i) {
        const sim::ReplyDamage da = a.Draw(true, true, kReply.size());
        const sim::ReplyDamage db = b.Draw(true, true, kReply.size());
        const sim::ReplyDamage dc = c.Draw(true, true, kReply.size());
        ASSERT_EQ(da.kinds, db.kinds);
        ASSERT_EQ(da.Apply(kReply), db.Apply(kReply));
        ASSERT_EQ(da.after, db.after);
        ASSERT_EQ(da.delayMs, db.delayMs);
        differs = differs || da.kinds != dc.kinds;
    }
    EXPECT_TRUE(differs);
}

TEST(RandomFaults, EveryKindHasAName) {
    std::set<std::string> names;
    for (std::size_t k = 0; k < sim::kFaultKinds; ++k) names.insert(sim::FaultKindName(static_cast<FaultKind>(k)));
    EXPECT_EQ(names.size(), sim::kFaultKinds);
    EXPECT_EQ(names.count("?"), 0u);
}

}  // namespace
