// The soak's command line.
#include "soak/SoakOptions.h"

#include <gtest/gtest.h>

namespace {

std::optional<soak::SoakOptions> Parse(const std::vector<std::string>& args, std::string* error = nullptr) {
    std::string e;
    auto o = soak::ParseSoakOptions(args, e);
    if (error) *error = e;
    return o;
}

TEST(SoakOptions, DefaultsExerciseEveryFaultKind) {
    const auto o = Parse({});
    ASSERT_TRUE(o);
    EXPECT_EQ(o->cards, 500);
    EXPECT_FALSE(o->seedGiven);
    EXPECT_FALSE(o->pace);
    for (double chance : o->rates.chance) EXPECT_GT(chance, 0.0);
    EXPECT_GT(o->rates.bigGarbage, 0.0);
    EXPECT_GT(o->rates.bigGarbageMax, sim::kHostQueueLimit);
    EXPECT_GT(o->rates.lateMinMs, 2000) << "late means later than the link's time-out";
    EXPECT_GT(o->rates.slowRepeatMinMs, 2000) << "a slow repeat outlasts the repeat's own time-out";
    EXPECT_GT(o->vanishChance, 0.0);
    EXPECT_EQ(o->sigintStops, 5);
}

TEST(SoakOptions, CardsSeedPaceRatesAndStops) {
    const auto o = Parse({"50", "--seed", "0x10", "--pace", "--rate", "late-reply=0.5", "--rate", "vanish=0", "--late",
                          "6100-7000", "--sigint", "0"});
    ASSERT_TRUE(o);
    EXPECT_EQ(o->cards, 50);
    EXPECT_TRUE(o->seedGiven);
    EXPECT_EQ(o->seed, 16u);
    EXPECT_TRUE(o->pace);
    EXPECT_EQ(o->rates[sim::FaultKind::LateReply], 0.5);
    EXPECT_EQ(o->vanishChance, 0.0);
    EXPECT_EQ(o->rates.lateMinMs, 6100);
    EXPECT_EQ(o->rates.lateMaxMs, 7000);
    EXPECT_EQ(o->sigintStops, 0);
    EXPECT_EQ(Parse({"50"})->sigintStops, 3) << "at least a few";
}

TEST(SoakOptions, NoFaultsClearsEveryRate) {
    const auto o = Parse({"--no-faults"});
    ASSERT_TRUE(o);
    for (double chance : o->rates.chance) EXPECT_EQ(chance, 0.0);
    EXPECT_EQ(o->vanishChance, 0.0);
}

TEST(SoakOptions, MistakesAreRefusedWithAReason) {
    std::string error;
    for (const std::vector<std::string>& bad : {std::vector<std::string>{"0"},
                                                {"-5"},
                                                {"many"},
                                                {"--seed"},
                                                {"--seed", "x"},
                                                {"--rate", "late-reply"},
                                                {"--rate", "nosuch=0.1"},
                                                {"--rate", "lost-byte=2"},
                                                {"--late", "3000-2000"},
                                                {"--bogus"},
                                                {"5", "6"}}) {
        EXPECT_FALSE(Parse(bad, &error)) << bad[0];
        EXPECT_FALSE(error.empty());
    }
}

}  // namespace
