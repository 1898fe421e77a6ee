// Which requests the ordered faults hit.
#include "sim/FaultPlan.h"

#include <gtest/gtest.h>

namespace {

TEST(FaultPlan, NothingOrderedMeansNormalService) {
    sim::FaultPlan plan;
    for (int i = 0; i < 3; ++i) {
        const sim::RequestFate f = plan.Next();
        EXPECT_TRUE(f.execute && f.answer);
        EXPECT_FALSE(f.corrupt || f.removeCard);
        EXPECT_EQ(f.delayMs, 0);
    }
}

TEST(FaultPlan, IgnoredRequestsAreNeitherExecutedNorAnswered) {
    sim::FaultPlan plan;
    plan.IgnoreNext(2);
    for (int i = 0; i < 2; ++i) EXPECT_FALSE(plan.Next().execute);
    EXPECT_TRUE(plan.Next().answer);
}

TEST(FaultPlan, SilenceAndEchoedRequestsLastUntilLifted) {
    sim::FaultPlan plan;
    plan.SetSilent(true);
    plan.SetEchoRequests(true);
    for (int i = 0; i < 5; ++i) {
        const sim::RequestFate f = plan.Next();
        EXPECT_FALSE(f.answer);
        EXPECT_TRUE(f.echoed) << "the adapter echoes what the reader never heard";
    }
    plan.SetSilent(false);
    EXPECT_TRUE(plan.Next().answer);
    plan.SetEchoRequests(false);
    EXPECT_FALSE(plan.Next().echoed);
}

TEST(FaultPlan, CorruptionAndDelayHitAnsweredRepliesOnly) {
    sim::FaultPlan plan;
    plan.IgnoreNext(1);
    plan.CorruptNext(1);
    plan.DelayNextReply(250);
    const sim::RequestFate ignored = plan.Next();
    EXPECT_FALSE(ignored.answer);
    const sim::RequestFate hit = plan.Next();
    EXPECT_TRUE(hit.execute && hit.answer && hit.corrupt);
    EXPECT_EQ(hit.delayMs, 250);
    const sim::RequestFate after = plan.Next();
    EXPECT_FALSE(after.corrupt);
    EXPECT_EQ(after.delayMs, 0);
}

TEST(FaultPlan, DelaysGoInOrderOrByCommandAndDuplicatesHitAnsweredReplies) {
    sim::FaultPlan plan;
    plan.DelayReplies({2300, 300});
    plan.DelayRepliesTo(0x32, 1000);
    plan.DuplicateNext(2, 40);
    plan.IgnoreNext(1);
    const sim::RequestFate unheard = plan.Next(0x32);
    EXPECT_FALSE(unheard.answer);
    EXPECT_EQ(unheard.duplicateGapMs, -1);
    const sim::RequestFate first = plan.Next(0x30);
    EXPECT_EQ(first.delayMs, 2300);
    EXPECT_EQ(first.duplicateGapMs, 40);
    EXPECT_EQ(plan.Next(0x32).delayMs, 1300);
    const sim::RequestFate third = plan.Next(0x32);
    EXPECT_EQ(third.delayMs, 1000);
    EXPECT_EQ(third.duplicateGapMs, -1);
    EXPECT_EQ(plan.Next(0x30).delayMs, 0);
    plan.DelayRepliesTo(0x32, 0);
    EXPECT_EQ(plan.Next(0x32).delayMs, 0);
}

TEST(FaultPlan, CardRemovalCountsEveryRequest) {
    sim::FaultPlan plan;
    plan.RemoveCardAfter(3);
    plan.SetSilent(true);
    EXPECT_FALSE(plan.Next().removeCard);
    plan.SetSilent(false);
    EXPECT_FALSE(plan.Next().removeCard);
    EXPECT_TRUE(plan.Next().removeCard);
    EXPECT_FALSE(plan.Next().removeCard);
}

TEST(FaultPlan, NonPositiveCountsDisarm) {
    sim::FaultPlan plan;
    plan.IgnoreNext(2);
    plan.IgnoreNext(-1);
    plan.CorruptNext(0);
    plan.RemoveCardAfter(2);
    plan.RemoveCardAfter(0);
    const sim::RequestFate f = plan.Next();
    EXPECT_TRUE(f.answer);
    EXPECT_FALSE(f.corrupt || f.removeCard);
    EXPECT_FALSE(plan.Next().removeCard);
}

}  // namespace
