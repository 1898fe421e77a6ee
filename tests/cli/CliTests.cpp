// The cardfmt command as an operator runs it: its lines, its exit codes and what it
// leaves on the cards of the simulated reader.
#include "cryptel/InstallationKeys.h"
#include "harness/InstallKeys.h"
#include "harness/PortTable.h"
#include "platform/SerialPort.h"
#include "reader_link/ByteString.h"
#include "reader_link/SectorTrailer.h"
#include "sim/SimReader.h"
#include "tests/cli/CardfmtProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

using harness::Cardfmt;
using harness::Outcome;
using harness::RunCardfmt;

// Polls `condition` for up to 30 s.
template <typename F>
bool Eventually(F condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sim.LinkAs("com3")); }

    void ExpectInstalled(std::uint32_t serial) {
        auto card = sim.CardBySerial(serial);
        ASSERT_TRUE(card);
        for (int sector : {5, 6}) {
            EXPECT_EQ(card->KeyA(sector), harness::InstallKeyFor(sector)) << "sector " << sector;
            EXPECT_EQ(card->Access(sector), (sim::AccessBytes{0xFF, 0x07, 0x80, 0x69}));
            EXPECT_EQ(card->KeyB(sector), kTrailerKeyB);
        }
    }

    std::vector<ByteString> Requests() const {
        std::vector<ByteString> out;
        for (const sim::Exchange& e : sim.Exchanges()) out.push_back(e.request);
        return out;
    }

    harness::PortTable table;
    sim::SimReader sim;
};

std::string HexDump32(std::uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
    return text;
}

std::size_t Occurrences(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

}  // namespace

TEST_F(Cli, InitFormatsAFreshCardThenReportsItInitialized) {
    sim.PlaceCard(sim::MifareCard(0x0A1B2C3D));
    Outcome first = RunCardfmt({"init", "--port", "com3"});
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.OutLines(), std::vector<std::string>{"0A1B2C3D ok"});
    ExpectInstalled(0x0A1B2C3D);
    // Success signals 2 then 3; closing the port signals 0.
    EXPECT_EQ(sim.SignalModes(), (std::vector<std::uint8_t>{2, 3, 0}));

    Outcome second = RunCardfmt({"init", "--port", "com3"});
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_EQ(second.OutLines(), std::vector<std::string>{"0A1B2C3D 该卡已初始化。"});
    ExpectInstalled(0x0A1B2C3D);
}

TEST_F(Cli, InitWithoutACardAsksForOne) {
    Outcome run = RunCardfmt({"init", "--port", "com3"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.OutLines(), std::vector<std::string>{"请放置IC卡"});
}

// Silence is not an empty reader. The wire stays as it was: no probe is added.
TEST_F(Cli, InitWhereNothingAnswersSaysSoInsteadOfAskingForACard) {
    sim.SetSilent(true);
    Outcome run = RunCardfmt({"init", "--port", "com3"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_NE(run.err.find("no reader answers on com3"), std::string::npos) << run.err;
    // The reader did not answer, so the port closes without a farewell.
    const ByteString request{0x30, 0x01};
    EXPECT_EQ(Requests(), (std::vector<ByteString>{request, request, request}));
}

// Every authentication answered 2.3 s late, and sector 6 refusing trailer writes
// with key A: the answer still owed to the repeated authentication must not pass
// for the write's.
TEST_F(Cli, InitReportsARefusedWriteBehindLateAuthenticationAnswers) {
    sim::MifareCard card(0x0C0D0E0F);
    card.SetAccess(6, sim::AccessBytes{0x7F, 0x07, 0x88, 0x69});
    sim.PlaceCard(card);
    sim.DelayRepliesTo(0x32, 2300);
    Outcome run = RunCardfmt({"init", "--port", "com3"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.OutLines(), std::vector<std::string>{"0C0D0E0F 初始化包号失败。"});
    EXPECT_EQ(sim.SignalModes(), std::vector<std::uint8_t>{0}) << "no success signals";
    EXPECT_EQ(sim.CardBySerial(0x0C0D0E0F)->Trailer(6), card.Trailer(6));
}

TEST_F(Cli, InitOnACardWithForeignKeysLeavesItAsItWas) {
    sim::MifareCard card(0x00000042);
    card.SetKeyA(5, sim::Key{1, 2, 3, 4, 5, 6});
    sim.PlaceCard(card);
    Outcome run = RunCardfmt({"init", "--port", "com3"});
    EXPECT_EQ(run.exitCode, 1);
    ASSERT_EQ(run.OutLines().size(), 1u);
    EXPECT_EQ(run.OutLines()[0].rfind("00000042 ", 0), 0u) << run.out;
    EXPECT_NE(run.OutLines()[0], "00000042 ok");
    EXPECT_EQ(sim.CardBySerial(0x42)->Trailer(5), card.Trailer(5));
    EXPECT_EQ(sim.CardBySerial(0x42)->Trailer(6), card.Trailer(6));
}

// The water-control software's own Cryptel found before ours (here through
// LD_LIBRARY_PATH, on Windows beside the program): it deciphers every token into
// 51 52 53 54 55 56, or lacks CryptelWipe. No card is written with it, and stderr
// names the file.
TEST_F(Cli, InitRefusesAKeyLibraryNotItsOwnBeforeTouchingTheCard) {
    std::uint32_t serial = 0x51525300;
    for (const char* folder : {FOREIGN_LOOKALIKE_FOLDER, FOREIGN_PARTIAL_FOLDER}) {
        SCOPED_TRACE(folder);
        const sim::MifareCard card(++serial);
        sim.PlaceCard(card);
        ::setenv("LD_LIBRARY_PATH", folder, 1);
        Outcome run = RunCardfmt({"init", "--port", "com3"});
        ::unsetenv("LD_LIBRARY_PATH");
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.OutLines(), std::vector<std::string>{HexDump32(serial) + " 扇区密码解密失败。"});
        EXPECT_NE(run.err.find(std::string(folder) + "/libCryptel.so is not cardfmt's key library"), std::string::npos)
            << run.err;
        EXPECT_EQ(sim.CardBySerial(serial)->Trailer(5), card.Trailer(5));
        EXPECT_EQ(sim.CardBySerial(serial)->Trailer(6), card.Trailer(6));
    }
    const std::vector<std::uint8_t> modes = sim.SignalModes();
    EXPECT_EQ(std::count(modes.begin(), modes.end(), 2), 0) << "no success signal";
}

TEST_F(Cli, PortsThatCannotBeOpenedAndUsageErrors) {
    Outcome dead = RunCardfmt({"init", "--port", "com2"});
    EXPECT_EQ(dead.exitCode, 2);
    EXPECT_TRUE(dead.out.empty());
    EXPECT_NE(dead.err.find("com2"), std::string::npos) << dead.err;

    Outcome missing = RunCardfmt({"init"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find("--port"), std::string::npos) << missing.err;

    Outcome unknown = RunCardfmt({"format", "--port", "com3"});
    EXPECT_EQ(unknown.exitCode, 2);

    Outcome badCount = RunCardfmt({"watch", "--port", "com3", "--cards", "many"});
    EXPECT_EQ(badCount.exitCode, 2);
    EXPECT_TRUE(sim.Exchanges().empty()) << "a usage error must not touch the reader";
}

// Every malformed command line is a usage error that never reaches the reader.
TEST_F(Cli, UsageErrorsNeverTouchTheReader) {
    const std::vector<std::vector<std::string>> rows = {
        {"scan", "--passes", "2147483648"},                              // past the largest int
        {"watch", "--port", "com3", "--cards", "99999999999999999999"},  // past any integer
        {"watch", "--port", "com3", "--cards", "+1"},
        {"watch", "--port", "com3", "--cards", " 1"},
        {"watch", "--port", "com3", "--cards", "1 "},
        {"watch", "--port", "com3", "--cards", "-1"},
        {"watch", "--port", "com3", "--cards", "0"},
        {"scan", "--passes", "0x10"},
    };
    for (const auto& args : rows) {
        Outcome run = RunCardfmt(args);
        EXPECT_EQ(run.exitCode, 2) << args.back();
        EXPECT_NE(run.err.find("Try 'cardfmt " + args[0] + " --help'"), std::string::npos) << run.err;
    }
    EXPECT_TRUE(sim.Exchanges().empty()) << "a usage error must not touch the reader";
}

TEST_F(Cli, DemoKeysAreNamedOnceOnStderr) {
    sim.PlaceCard(sim::MifareCard(0x0D0D0D0D));
    Outcome init = RunCardfmt({"init", "--port", "com3"});
    Cardfmt watchRun({"watch", "--port", "com3", "--cards", "1"});
    Outcome watch = watchRun.Finish();
    for (const Outcome* run : {&init, &watch}) {
        const std::size_t first = run->err.find("demo keys in use");
        if (!InstallationKeysAreDemo()) {
            EXPECT_EQ(first, std::string::npos) << run->err;
            continue;
        }
        ASSERT_NE(first, std::string::npos) << run->err;
        EXPECT_EQ(run->err.find("demo keys in use", first + 1), std::string::npos) << run->err;
    }
}

// Verified by default, in init and in watch; --no-verify is the plain wire.
TEST_F(Cli, VerifySelectsTheCardAgainAndOpensBothSectorsBeforeTheSignals) {
    const auto codes = [&] {
        std::string out;
        for (const auto& e : sim.Exchanges())
            out += HexDump(e.request.data(), std::min<std::size_t>(2, e.request.size())) + " ";
        return out;
    };
    const std::string verified = "30,01 31,00 32,14 34,17 32,18 34,1B 30,01 31,00 32,14 32,18 30,01 31,00 38,02 38,03 ";
    sim.PlaceCard(sim::MifareCard(0x0D0D0D0D));
    Outcome init = RunCardfmt({"init", "--port", "com3"});
    EXPECT_EQ(init.exitCode, 0) << init.err;
    EXPECT_EQ(codes(), verified + "38,00 ");

    sim.PlaceCard(sim::MifareCard(0x0E0E0E0E));
    sim.ClearExchanges();
    Outcome plain = RunCardfmt({"init", "--port", "com3", "--no-verify"});
    EXPECT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_EQ(codes(), "30,01 31,00 32,14 34,17 32,18 34,1B 38,02 38,03 38,00 ");

    sim.PlaceCard(sim::MifareCard(0x0F0F0F0F));
    sim.ClearExchanges();
    Outcome watch = RunCardfmt({"watch", "--port", "com3", "--cards", "1"});
    EXPECT_EQ(watch.exitCode, 0) << watch.err;
    EXPECT_EQ(watch.OutLines(), std::vector<std::string>{"0F0F0F0F ok"});
    EXPECT_NE(codes().find(verified), std::string::npos) << codes();

    Outcome both = RunCardfmt({"init", "--port", "com3", "--verify", "--no-verify"});
    EXPECT_EQ(both.exitCode, 2);
}

TEST_F(Cli, ProbeAnswersOnlyWhereTheReaderIs) {
    Outcome here = RunCardfmt({"probe", "--port", "com3"});
    EXPECT_EQ(here.exitCode, 0) << here.err;
    sim.SetSilent(true);
    Outcome silent = RunCardfmt({"probe", "--port", "com3"});
    EXPECT_EQ(silent.exitCode, 1);

    // Answered only at its second sending: waiting for what the first might still
    // owe must not eat the closing signal's answer.
    sim.SetSilent(false);
    sim.ClearExchanges();
    sim.IgnoreNextRequests(1);
    Outcome second = RunCardfmt({"probe", "--port", "com3"});
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(Requests(), (std::vector<ByteString>{{0x01, 0x00}, {0x01, 0x00}, {0x38, 0x00}}));
}

TEST_F(Cli, TraceMasksEveryKeyOfAFullRun) {
    sim.PlaceCard(sim::MifareCard(0x11223344));
    Outcome run = RunCardfmt({"init", "--port", "com3", "--trace"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("发送指令："), std::string::npos);
    EXPECT_NE(run.err.find("接收指令："), std::string::npos);
    for (int sector : {5, 6}) {
        const sim::Key key = harness::InstallKeyFor(sector);
        EXPECT_EQ(run.err.find(HexDump(key.data(), key.size())), std::string::npos) << "sector " << sector;
    }
    EXPECT_EQ(run.err.find(HexDump(kTrailerKeyB.data(), kTrailerKeyB.size())), std::string::npos);
    EXPECT_NE(run.err.find(",32,14,**,**,**,**,**,**,**,**,FF"), std::string::npos) << run.err;
}

TEST_F(Cli, WatchFormatsEachCardOnceAndStopsAfterTheCount) {
    Cardfmt watch({"watch", "--port", "com3", "--cards", "2"});
    sim.PlaceCard(sim::MifareCard(0x01010101));
    ASSERT_TRUE(Eventually([&] { return watch.OutSoFar().find("01010101 ok") != std::string::npos; }))
        << watch.OutSoFar();
    // The same card stays: it is not reported again.
    const std::size_t signals = sim.SignalModes().size();
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(sim.SignalModes().size(), signals);
    sim.RemoveCard();
    sim.PlaceCard(sim::MifareCard(0x02020202));
    Outcome run = watch.Finish();
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.OutLines(), (std::vector<std::string>{"01010101 ok", "02020202 ok"}));
    ExpectInstalled(0x01010101);
    ExpectInstalled(0x02020202);
}

// An unplugged USB adapter that comes back: the watch says so on stderr, opens
// the port again and goes on with the next card.
TEST_F(Cli, WatchWaitsForAnUnpluggedReaderAndCarriesOn) {
    Cardfmt watch({"watch", "--port", "com3", "--cards", "2"});
    sim.PlaceCard(sim::MifareCard(0x03030303));
    ASSERT_TRUE(Eventually([&] { return watch.OutSoFar().find("03030303 ok") != std::string::npos; }))
        << watch.OutSoFar();
    sim.RemoveCard();
    sim.Hangup();
    std::this_thread::sleep_for(std::chrono::milliseconds(700));  // polls fail meanwhile
    ASSERT_TRUE(sim.Reappear());
    sim.PlaceCard(sim::MifareCard(0x04040404));
    Outcome run = watch.Finish();
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.OutLines(), (std::vector<std::string>{"03030303 ok", "04040404 ok"}));
    ExpectInstalled(0x04040404);
    EXPECT_NE(run.err.find("lost the reader on com3"), std::string::npos) << run.err;
}

// The reader goes away during a card's run (while an answer is late): the run is cut
// short, the watcher forgets that card and formats it again once the reader is
// back. It is still one card of the count. (A card whose run had ended is not run
// again: WatchSessionTests.)
TEST_F(Cli, WatchCountsACardOnceWhenAnErrorMadeTheWatcherForgetIt) {
    Cardfmt watch({"watch", "--port", "com3", "--cards", "2"});
    sim.DelayRepliesTo(0x32, 400);
    sim.PlaceCard(sim::MifareCard(0x05050505));
    ASSERT_TRUE(Eventually([&] {
        for (const auto& e : sim.Exchanges())
            if (!e.request.empty() && e.request[0] == 0x32) return true;
        return false;
    }));
    sim.Hangup();
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    sim.DelayRepliesTo(0x32, 0);
    ASSERT_TRUE(sim.Reappear());
    ASSERT_TRUE(Eventually([&] {
        return watch.OutSoFar().find("05050505 ", watch.OutSoFar().find("05050505 ") + 1) != std::string::npos;
    })) << watch.OutSoFar();
    sim.RemoveCard();
    sim.PlaceCard(sim::MifareCard(0x06060606));
    Outcome run = watch.Finish();
    EXPECT_EQ(run.exitCode, 0) << run.err;
    ASSERT_FALSE(run.OutLines().empty());
    EXPECT_EQ(run.OutLines().back(), "06060606 ok") << run.out;
    ExpectInstalled(0x05050505);
    ExpectInstalled(0x06060606);
}

// A reader that answers nothing is waited for, as an unplugged one is: said once,
// polled as before (no probe), and the next card is formatted once it answers.
TEST_F(Cli, WatchSaysOnceThatNothingAnswersAndWaitsForTheReader) {
    sim.SetSilent(true);
    Cardfmt watch({"watch", "--port", "com3", "--cards", "1"});
    ASSERT_TRUE(Eventually([&] { return watch.ErrSoFar().find("no reader answers on com3") != std::string::npos; }))
        << watch.ErrSoFar();
    sim.SetSilent(false);
    sim.PlaceCard(sim::MifareCard(0x05050505));
    Outcome run = watch.Finish();
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.OutLines(), std::vector<std::string>{"05050505 ok"});
    EXPECT_EQ(Occurrences(run.err, "no reader answers"), 1u) << run.err;
    for (const ByteString& r : Requests()) EXPECT_NE(r[0], 0x01) << "no probe";
}

// The water-control software holding the reader's port: said once, not every pass,
// and even with --quiet.
TEST_F(Cli, ScanSaysOnceThatAnotherProgramHoldsThePort) {
    auto holder = platform::OpenSerialPort("com3");
    ASSERT_TRUE(holder.port) << holder.error;
    Outcome run = RunCardfmt({"scan", "--passes", "3", "--quiet"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Occurrences(run.err, "com3 is held by another program"), 1u) << run.err;
}

TEST_F(Cli, WatchStopsCleanlyOnInterrupt) {
    Cardfmt watch({"watch", "--port", "com3"});
    ASSERT_TRUE(sim.WaitForExchanges(3, std::chrono::seconds(30)));
    watch.Interrupt();
    Outcome run = watch.Finish(std::chrono::seconds(10));
    EXPECT_EQ(run.exitCode, 0) << run.err;
}

TEST_F(Cli, ScanFindsTheReaderBehindDeadPorts) {
    Outcome run = RunCardfmt({"scan", "--passes", "1"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    ASSERT_EQ(run.OutLines().size(), 1u) << run.out;
    EXPECT_EQ(run.OutLines()[0].rfind("com3 ", 0), 0u) << run.out;
    EXPECT_NE(run.err.find("正在打开com1..."), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("正在打开com3..."), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("正在打开com4..."), std::string::npos) << run.err;

    sim.SetSilent(true);
    table.Dead(3);
    Outcome none = RunCardfmt({"scan", "--passes", "1", "--quiet"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.out.empty());
}

// The desk's check and reset, as an operator types them: check writes nothing and
// signals nothing; reset refuses without --force before touching the reader.
TEST_F(Cli, CheckThenResetAnInitializedCard) {
    const std::uint32_t serial = 0x0B0B0B0B;
    sim::MifareCard card(serial);
    for (int sector : {5, 6}) card.SetKeyA(sector, harness::InstallKeyFor(sector));
    sim.PlaceCard(card);
    const std::string s = HexDump32(serial) + " ";

    Outcome check = RunCardfmt({"check", "--port", "com3"});
    EXPECT_EQ(check.exitCode, 0) << check.err;
    EXPECT_EQ(check.OutLines(),
              (std::vector<std::string>{s + "5号包：本系统密码", s + "6号包：本系统密码", s + "该卡已初始化。"}));
    for (const ByteString& r : Requests()) EXPECT_NE(r[0], 0x34) << "nothing written";
    EXPECT_EQ(sim.SignalModes(), std::vector<std::uint8_t>{0}) << "only the closing signal";

    sim.ClearExchanges();
    Outcome refused = RunCardfmt({"reset", "--port", "com3"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("needs --force"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("FF078069"), std::string::npos) << "says what it would write";
    EXPECT_TRUE(sim.Exchanges().empty()) << "refused before the reader is touched";

    Outcome reset = RunCardfmt({"reset", "--port", "com3", "--force"});
    EXPECT_EQ(reset.exitCode, 0) << reset.err;
    EXPECT_EQ(reset.OutLines(), (std::vector<std::string>{s + "5号包：已改写为出厂密码", s + "6号包：已改写为出厂密码",
                                                          s + "该卡已恢复出厂密码。"}));
    for (int sector : {5, 6}) EXPECT_EQ(sim.CardBySerial(serial)->Trailer(sector), sim::MifareCard(1).Trailer(sector));

    Outcome fresh = RunCardfmt({"check", "--port", "com3"});
    EXPECT_EQ(fresh.exitCode, 1);
    ASSERT_FALSE(fresh.OutLines().empty());
    EXPECT_EQ(fresh.OutLines().back(), s + "新卡，尚未初始化。");

    // Another build's tokens: both options or neither.
    sim::MifareCard other(0x0C0C0C0C);
    other.SetKeyA(5, {0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6});
    other.SetKeyA(6, {0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6});
    sim.PlaceCard(other);
    Outcome theirs = RunCardfmt(
        {"check", "--port", "com3", "--key-name", "DESK02", "--key-tokens", "EECB888222BE40,ACC97EB6927EA4"});
    EXPECT_EQ(theirs.exitCode, 0) << theirs.out << theirs.err;
    EXPECT_EQ(RunCardfmt({"reset", "--port", "com3", "--force", "--key-name", "DESK02"}).exitCode, 2);
}

// One journal line per card, a header only in a new file, and the counts at the end.
TEST_F(Cli, WatchJournalAndSummary) {
    const std::string journal = ::testing::TempDir() + "cardfmt-watch-journal-" + std::to_string(::getpid()) + ".csv";
    std::remove(journal.c_str());
    sim::MifareCard done(0x0D0D0D0E);
    for (int sector : {5, 6}) done.SetKeyA(sector, harness::InstallKeyFor(sector));
    Cardfmt watch({"watch", "--port", "com3", "--cards", "2", "--journal", journal});
    sim.PlaceCard(sim::MifareCard(0x0D0D0D0D));
    ASSERT_TRUE(Eventually([&] { return watch.OutSoFar().find("0D0D0D0D ok") != std::string::npos; }));
    sim.RemoveCard();
    sim.PlaceCard(done);
    Outcome run = watch.Finish();
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("cardfmt: 2 cards seen, 1 formatted, 1 already initialized, 0 failed"), std::string::npos)
        << run.err;
    const std::string text = harness::ReadFile(journal);
    EXPECT_EQ(text.rfind("\xEF\xBB\xBF" "time,serial,outcome,message,port,version,verified\r\n", 0), 0u) << text;
    EXPECT_NE(text.find(",0D0D0D0D,ok,,com3,"), std::string::npos) << text;
    EXPECT_NE(text.find(",0D0D0D0E,already-initialized,该卡已初始化。,com3,"), std::string::npos) << text;
    EXPECT_EQ(Occurrences(text, "\r\n"), 3u) << text;
    std::remove(journal.c_str());

    // A journal that cannot be written: the cards go on, and it is said once.
    sim.RemoveCard();
    Cardfmt blocked({"watch", "--port", "com3", "--cards", "2", "--journal", "/proc/self/cardfmt/cards.csv"});
    sim.PlaceCard(sim::MifareCard(0x0D0D0D10));
    ASSERT_TRUE(Eventually([&] { return blocked.OutSoFar().find("0D0D0D10 ok") != std::string::npos; }));
    sim.RemoveCard();
    sim.PlaceCard(sim::MifareCard(0x0D0D0D11));
    Outcome noJournal = blocked.Finish();
    EXPECT_EQ(noJournal.OutLines(), (std::vector<std::string>{"0D0D0D10 ok", "0D0D0D11 ok"}));
    EXPECT_EQ(Occurrences(noJournal.err, "cannot write the card journal"), 1u) << noJournal.err;
}
