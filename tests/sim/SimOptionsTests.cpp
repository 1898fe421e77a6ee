// The command line of cardfmt-sim.
#include "sim/console/SimOptions.h"

#include <gtest/gtest.h>

namespace {

std::optional<sim::SimOptions> Parse(const std::vector<std::string>& args) {
    std::string error;
    auto options = sim::ParseOptions(args, error);
    EXPECT_EQ(options.has_value(), error.empty()) << error;
    return options;
}

TEST(SimOptions, NoArgumentsMeansPlainReader) {
    const auto o = Parse({});
    ASSERT_TRUE(o.has_value());
    EXPECT_TRUE(o->link.empty());
    EXPECT_FALSE(o->pace || o->help || o->card.has_value());
    EXPECT_EQ(o->demoCards, 0);
}

TEST(SimOptions, AllOptionsTogether) {
    const auto o = Parse({"--pace", "--link", "com4", "--card", "DEADbeef"});
    ASSERT_TRUE(o.has_value());
    EXPECT_TRUE(o->pace);
    EXPECT_EQ(o->link, "com4");
    EXPECT_EQ(o->card, 0xDEADBEEFu);
}

TEST(SimOptions, DemoCount) {
    const auto o = Parse({"--demo", "12"});
    ASSERT_TRUE(o.has_value());
    EXPECT_EQ(o->demoCards, 12);
}

TEST(SimOptions, Help) {
    const auto o = Parse({"--help"});
    ASSERT_TRUE(o.has_value());
    EXPECT_TRUE(o->help);
    EXPECT_NE(sim::UsageText().find("--demo"), std::string::npos);
}

TEST(SimOptions, BadInputIsRefused) {
    for (const auto& args : std::vector<std::vector<std::string>>{{"--link"},
                                                                  {"--card"},
                                                                  {"--demo"},
                                                                  {"--card", "xyz"},
                                                                  {"--card", "123456789"},
                                                                  {"--demo", "0"},
                                                                  {"--demo", "-3"},
                                                                  {"--demo", "many"},
                                                                  {"--link", "/tmp/x"},
                                                                  {"--bogus"},
                                                                  {"--card", "1", "--demo", "2"}}) {
        EXPECT_FALSE(Parse(args).has_value()) << args[0];
    }
}

}  // namespace
