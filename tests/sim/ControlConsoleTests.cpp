// The line commands of cardfmt-sim.
#include "sim/console/ControlConsole.h"

#include <gtest/gtest.h>

#include "harness/HostPort.h"

namespace {

using sim::ControlConsole;

class ControlConsoleTest : public ::testing::Test {
protected:
    std::string Say(const std::string& line) { return console.Handle(line).line; }

    sim::SimReader reader;
    ControlConsole console{reader};
};

TEST_F(ControlConsoleTest, PlaceFreshCardAndDumpIt) {
    EXPECT_EQ(Say("place 12345678"), "ok placed 12345678");
    ASSERT_TRUE(reader.CardOnReader().has_value());
    EXPECT_EQ(reader.CardOnReader()->Serial(), 0x12345678u);
    EXPECT_EQ(Say("dump"), "card 12345678 s5 FFFFFFFFFFFF FF078069 FFFFFFFFFFFF s6 FFFFFFFFFFFF FF078069 FFFFFFFFFFFF");
}

TEST_F(ControlConsoleTest, ShortSerialsArePaddedInAnswers) {
    EXPECT_EQ(Say("place ab"), "ok placed 000000AB");
    EXPECT_EQ(reader.CardOnReader()->Serial(), 0xABu);
}

TEST_F(ControlConsoleTest, PlaceWithSettingsChangesOnlyThose) {
    EXPECT_EQ(Say("place 1 key6=a0a1a2a3a4a5 acc5=7F078869"), "ok placed 00000001");
    const sim::MifareCard card = *reader.CardOnReader();
    EXPECT_EQ(card.KeyA(6), (sim::Key{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5}));
    EXPECT_EQ(card.Access(5), (sim::AccessBytes{0x7F, 0x07, 0x88, 0x69}));
    EXPECT_EQ(card.KeyA(5), sim::kTransportKey);
    EXPECT_EQ(card.Access(6), sim::kTransportAccess);
    EXPECT_EQ(card.KeyB(6), sim::kTransportKey);
    EXPECT_EQ(Say("dump 00000001"),
              "card 00000001 s5 FFFFFFFFFFFF 7F078869 FFFFFFFFFFFF s6 A0A1A2A3A4A5 FF078069 FFFFFFFFFFFF");
}

TEST_F(ControlConsoleTest, KnownCardComesBackAsLeftUnlessFresh) {
    sim::MifareCard used(0x77);
    used.SetKeyA(5, {1, 2, 3, 4, 5, 6});
    reader.PlaceCard(used);
    EXPECT_EQ(Say("remove"), "ok removed 00000077");
    EXPECT_EQ(Say("place 77"), "ok placed 00000077");
    EXPECT_EQ(reader.CardOnReader()->KeyA(5), (sim::Key{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(Say("place 77 fresh"), "ok placed 00000077");
    EXPECT_EQ(reader.CardOnReader()->KeyA(5), sim::kTransportKey);
}

TEST_F(ControlConsoleTest, BadPlaceArgumentsChangeNothing) {
    for (const char* bad :
         {"place", "place xyz", "place 123456789", "place 1 key5=FFFF", "place 1 key7=FFFFFFFFFFFF",
          "place 1 acc5=FF0780", "place 1 keyb5=FFFFFFFFFFFF", "place 1 key5=GGFFFFFFFFFF", "place 1 stale"}) {
        EXPECT_EQ(Say(bad).rfind("error ", 0), 0u) << bad;
    }
    EXPECT_FALSE(reader.CardOnReader().has_value());
}

TEST_F(ControlConsoleTest, RemoveWithoutCard) { EXPECT_EQ(Say("remove"), "ok no card"); }

TEST_F(ControlConsoleTest, DumpOfMissingCards) {
    EXPECT_EQ(Say("dump").rfind("error ", 0), 0u);
    EXPECT_EQ(Say("dump 5").rfind("error ", 0), 0u);
    EXPECT_EQ(Say("dump zz").rfind("error ", 0), 0u);
}

TEST_F(ControlConsoleTest, DumpOfARemovedCardShowsItsState) {
    Say("place 2 key5=010203040506");
    Say("remove");
    EXPECT_EQ(Say("dump 2"),
              "card 00000002 s5 010203040506 FF078069 FFFFFFFFFFFF s6 FFFFFFFFFFFF FF078069 FFFFFFFFFFFF");
}

TEST_F(ControlConsoleTest, SignalsListModesWithTheirCards) {
    EXPECT_EQ(Say("signals"), "signals");
    harness::HostPort port(reader.SlavePath());
    ASSERT_TRUE(port.Write(harness::RequestFrame({0x38, 0x01})));
    ASSERT_EQ(port.ReadReplyFrame().size(), 21u);
    Say("place CAFE");
    ASSERT_TRUE(port.Write(harness::RequestFrame({0x38, 0x03})));
    ASSERT_EQ(port.ReadReplyFrame().size(), 21u);
    EXPECT_EQ(Say("signals"), "signals 01@00000000 03@0000CAFE");
}

TEST_F(ControlConsoleTest, SilentSwitchesTheReader) {
    EXPECT_EQ(Say("silent on"), "ok silent on");
    harness::HostPort port(reader.SlavePath());
    ASSERT_TRUE(port.Write(harness::RequestFrame({0x38, 0x01})));
    ASSERT_TRUE(reader.WaitForExchanges(1, harness::kPatience));
    EXPECT_FALSE(reader.Exchanges()[0].reply.has_value());
    EXPECT_EQ(Say("silent off"), "ok silent off");
    ASSERT_TRUE(port.Write(harness::RequestFrame({0x38, 0x02})));
    EXPECT_EQ(harness::ReplyPayload(port.ReadReplyFrame()), (ByteString{0x0A, 0x00}));
    EXPECT_EQ(Say("silent maybe").rfind("error ", 0), 0u);
}

TEST_F(ControlConsoleTest, QuitAndUnknownCommands) {
    const ControlConsole::Answer quit = console.Handle("quit");
    EXPECT_TRUE(quit.quit);
    EXPECT_FALSE(quit.line.empty());
    for (const char* other : {"", "   ", "frobnicate", "quit now", "remove 1"}) {
        const ControlConsole::Answer a = console.Handle(other);
        EXPECT_FALSE(a.quit) << other;
        EXPECT_EQ(a.line.rfind("error ", 0), 0u) << other;
        EXPECT_EQ(a.line.find('\n'), std::string::npos);
    }
}

}  // namespace
