// The line commands of cardfmt-sim.
#include "sim/console/ControlConsole.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "harness/HostPort.h"
#include "harness/TempConfigHome.h"

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

TEST_F(ControlConsoleTest, ExchangesCountEveryRequestAlsoThoseCleared) {
    EXPECT_EQ(Say("exchanges"), "exchanges 0");
    harness::HostPort port(reader.SlavePath());
    ASSERT_TRUE(port.Write(harness::RequestFrame({0x38, 0x01})));
    ASSERT_EQ(port.ReadReplyFrame().size(), 21u);
    reader.ClearExchanges();
    ASSERT_TRUE(port.Write(harness::RequestFrame({0x38, 0x02})));
    ASSERT_EQ(port.ReadReplyFrame().size(), 21u);
    EXPECT_EQ(Say("exchanges"), "exchanges 2");
}

// The adapter pulled out and plugged back as another COM number: the old entry
// leads nowhere meanwhile and goes, the new one leads to the new pty.
TEST_F(ControlConsoleTest, UnplugAndReplugUnderAnotherName) {
    namespace fs = std::filesystem;
    harness::TempConfigHome home;
    const fs::path com3 = fs::path(home.PortsFolder()) / "com3";
    const fs::path com5 = fs::path(home.PortsFolder()) / "com5";
    EXPECT_EQ(Say("link com3"), "ok linked com3");
    EXPECT_EQ(fs::read_symlink(com3).string(), reader.SlavePath());
    EXPECT_EQ(Say("unplug"), "ok unplugged");
    EXPECT_TRUE(reader.HungUp());
    EXPECT_FALSE(fs::exists(com3));
    EXPECT_EQ(Say("replug com5"), "ok replugged as com5");
    EXPECT_FALSE(reader.HungUp());
    EXPECT_FALSE(fs::exists(fs::symlink_status(com3)));
    EXPECT_EQ(fs::read_symlink(com5).string(), reader.SlavePath());
    harness::HostPort port(com5.string());
    ASSERT_TRUE(port.Write(harness::RequestFrame({0x38, 0x01})));
    EXPECT_EQ(port.ReadReplyFrame().size(), 21u);

    EXPECT_EQ(Say("unplug"), "ok unplugged");
    EXPECT_EQ(Say("replug"), "ok replugged");
    EXPECT_EQ(fs::read_symlink(com5).string(), reader.SlavePath());
    for (const char* bad : {"link", "link com3 com4", "link a/b", "replug com5 com6", "unplug now"})
        EXPECT_EQ(Say(bad).rfind("error ", 0), 0u) << bad;
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
