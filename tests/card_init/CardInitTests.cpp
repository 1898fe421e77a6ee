// Formatting, checking and resetting one card through the simulated reader over a
// pseudo-terminal: every outcome, the exchanges in their order, and the trailers
// left on the card.
#include "card_init/CardCheck.h"
#include "card_init/CardInit.h"
#include "card_init/CardReset.h"
#include "harness/InstallKeys.h"
#include "harness/TraceCapture.h"
#include "reader_link/SectorTrailer.h"
#include "sim/SimReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

namespace {

constexpr std::uint32_t kSerial = 0xC0FFEE01;
// The wire of a run without the final proof, as the tables below pin it.
constexpr InitOptions kPlain{.verify = false};

class CardInit : public ::testing::Test {
protected:
    void SetUp() override {
        key5 = harness::InstallKeyFor(5);
        key6 = harness::InstallKeyFor(6);
        ASSERT_TRUE(comm.Connect(sim.SlavePath()));
    }
    void TearDown() override { comm.Disconnect(); }

    sim::MifareCard Card() { return sim::MifareCard(kSerial); }

    // Lays the card and selects it as a poll of the card watcher does, then runs the
    // procedure; returns the outcome and collects the messages shown.
    InitOutcome Run(const sim::MifareCard& card, const KeyMaterial& keys = InstallationKeyMaterial(),
                    const InitOptions& options = kPlain) {
        LayAndSelect(card);
        return InitializeCard(
            comm, kSerial, keys, [this](const std::string& m) { messages.push_back(m); }, options);
    }

    // Lays the card and selects it as a poll of the card watcher does; the exchanges
    // recorded from then on are the procedure's.
    void LayAndSelect(const sim::MifareCard& card) {
        sim.PlaceCard(card);
        std::uint32_t serial = 0;
        EXPECT_TRUE(comm.RequestCard());
        EXPECT_TRUE(comm.ReadCardSerial(serial));
        EXPECT_EQ(serial, kSerial);
        sim.ClearExchanges();
    }

    // The requests of the procedure as "code block" pairs, e.g. "32 14".
    std::vector<std::string> Requests() {
        std::vector<std::string> out;
        for (const auto& e : sim.Exchanges())
            out.push_back(HexDump(e.request.data(), std::min<std::size_t>(2, e.request.size())));
        return out;
    }

    void ExpectInstalled(int sector) {
        auto card = sim.CardBySerial(kSerial);
        ASSERT_TRUE(card);
        EXPECT_EQ(card->KeyA(sector), sector == 5 ? key5 : key6) << "sector " << sector;
        EXPECT_EQ(card->Access(sector), (sim::AccessBytes{0xFF, 0x07, 0x80, 0x69}));
        EXPECT_EQ(card->KeyB(sector), kTrailerKeyB);
    }
    void ExpectUntouched(int sector, const sim::MifareCard& before) {
        auto card = sim.CardBySerial(kSerial);
        ASSERT_TRUE(card);
        EXPECT_EQ(card->Trailer(sector), before.Trailer(sector)) << "sector " << sector;
    }

    sim::SimReader sim;
    TCommClass comm;
    sim::Key key5{}, key6{};
    std::vector<std::string> messages;
};

using R = std::vector<std::string>;

}  // namespace

TEST_F(CardInit, FreshCardGetsBothInstallKeysAndSignals) {
    harness::TraceCapture trace;
    EXPECT_EQ(Run(Card()), InitOutcome::Ok);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Requests(), (R{"32,14", "34,17", "32,18", "34,1B", "38,02", "38,03"}));
    ExpectInstalled(5);
    ExpectInstalled(6);
    // No key byte of any kind in the trace.
    for (const auto& line : trace.Lines()) {
        for (const sim::Key& k : {key5, key6}) EXPECT_EQ(line.find(HexDump(k.data(), 6)), std::string::npos) << line;
        if (line.find(",32,") != std::string::npos || line.find(",34,") != std::string::npos) {
            EXPECT_NE(line.find("**"), std::string::npos) << line;
        }
    }
}

TEST_F(CardInit, OneSectorAlreadyInstalledStillCountsAsSuccess) {
    auto card = Card();
    card.SetKeyA(6, key6);
    EXPECT_EQ(Run(card), InitOutcome::Ok);
    EXPECT_EQ(Requests(), (R{"32,14", "34,17", "32,18", "30,01", "31,00", "32,18", "34,1B", "38,02", "38,03"}));
    ExpectInstalled(5);
    ExpectInstalled(6);

    auto other = sim::MifareCard(kSerial);
    other.SetKeyA(5, key5);
    messages.clear();
    EXPECT_EQ(Run(other), InitOutcome::Ok);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Requests(), (R{"32,14", "30,01", "31,00", "32,14", "34,17", "32,18", "34,1B", "38,02", "38,03"}));
}

TEST_F(CardInit, BothSectorsInstalledIsReportedAndRewritten) {
    auto card = Card();
    card.SetKeyA(5, key5);
    card.SetKeyA(6, key6);
    card.SetKeyB(5, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(Run(card), InitOutcome::AlreadyInitialized);
    EXPECT_EQ(messages, (R{"该卡已初始化。"}));
    ExpectInstalled(5);  // rewritten all the same
    ExpectInstalled(6);
    EXPECT_TRUE(sim.SignalModes().empty());
}

TEST_F(CardInit, BothInstalledAndSecondWriteFailsIsStillAlreadyInitialized) {
    auto card = Card();
    card.SetKeyA(5, key5);
    card.SetKeyA(6, key6);
    card.SetAccess(6, harness::kKeyBOnlyAccess);
    EXPECT_EQ(Run(card), InitOutcome::AlreadyInitialized);
    EXPECT_EQ(messages, (R{"该卡已初始化。"}));
}

TEST_F(CardInit, FirstWriteFailsLeavesSectorSixUntouched) {
    auto card = Card();
    card.SetAccess(5, harness::kKeyBOnlyAccess);
    EXPECT_EQ(Run(card), InitOutcome::InitFailed);
    EXPECT_EQ(messages, (R{"初始化包号失败。"}));
    EXPECT_EQ(Requests(), (R{"32,14", "34,17"}));
    ExpectUntouched(5, card);
    ExpectUntouched(6, card);
    EXPECT_TRUE(sim.SignalModes().empty());
}

TEST_F(CardInit, SecondWriteFailsAfterTransportOrInstallKey) {
    auto transport6 = Card();
    transport6.SetAccess(6, harness::kKeyBOnlyAccess);
    EXPECT_EQ(Run(transport6), InitOutcome::InitFailed);
    ExpectInstalled(5);
    ExpectUntouched(6, transport6);

    auto install6 = Card();
    install6.SetKeyA(6, key6);
    install6.SetAccess(6, harness::kKeyBOnlyAccess);
    messages.clear();
    EXPECT_EQ(Run(install6), InitOutcome::InitFailed);
    EXPECT_EQ(messages, (R{"初始化包号失败。"}));
}

TEST_F(CardInit, ForeignSectorFiveIsNotANewCardAndNothingIsWritten) {
    auto card = Card();
    card.SetKeyA(5, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66});
    EXPECT_EQ(Run(card), InitOutcome::NotANewCard);
    EXPECT_EQ(messages, (R{"扇区密码校验失败，该卡不是新卡。"}));
    // The transport key gets a second try after the installation key failed.
    EXPECT_EQ(Requests(), (R{"32,14", "30,01", "31,00", "32,14", "30,01", "31,00", "32,14"}));
    ExpectUntouched(5, card);
    ExpectUntouched(6, card);
}

// A fresh card lifted right after its sector 5 trailer was written and laid
// straight back: the first try on sector 6 finds no card, the installation key
// does not open it, the transport key does.
TEST_F(CardInit, FreshCardLaidBackBetweenSectorsIsFormatted) {
    sim::MifareCard card = Card();
    sim.PlaceCard(card);
    std::uint32_t serial = 0;
    ASSERT_TRUE(comm.RequestCard());
    ASSERT_TRUE(comm.ReadCardSerial(serial));
    sim.ClearExchanges();
    sim.LiftCardAfterRequests(2, 1);  // away for the sector 6 try, back for the next wake-up
    EXPECT_EQ(
        InitializeCard(
            comm, kSerial, InstallationKeyMaterial(), [this](const std::string& m) { messages.push_back(m); }, kPlain),
        InitOutcome::Ok);
    EXPECT_TRUE(messages.empty()) << messages.front();
    ExpectInstalled(5);
    ExpectInstalled(6);
}

TEST_F(CardInit, ForeignSectorSixKeepsTheNewSectorFive) {
    auto card = Card();
    card.SetKeyA(6, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66});
    EXPECT_EQ(Run(card), InitOutcome::NotANewCard);
    EXPECT_EQ(messages, (R{"扇区密码校验失败，该卡不是新卡。"}));
    ExpectInstalled(5);
    ExpectUntouched(6, card);
}

TEST_F(CardInit, CardTakenAwayOrSerialUnreadable) {
    auto card = Card();
    card.SetKeyA(5, key5);
    sim.PlaceCard(card);
    std::uint32_t serial = 0;
    ASSERT_TRUE(comm.RequestCard());
    ASSERT_TRUE(comm.ReadCardSerial(serial));
    comm.SetRetryCount(1);
    sim.RemoveCardAfterRequests(1);  // gone right after the transport-key attempt
    EXPECT_EQ(InitializeCard(comm, kSerial, InstallationKeyMaterial(),
                             [this](const std::string& m) { messages.push_back(m); }),
              InitOutcome::CardNotPlaced);
    EXPECT_EQ(messages, (R{"请放置IC卡"}));

    messages.clear();
    sim.PlaceCard(card);
    ASSERT_TRUE(comm.RequestCard());
    ASSERT_TRUE(comm.ReadCardSerial(serial));
    sim.RemoveCardAfterRequests(2);  // the wake-up still answers, the select does not
    EXPECT_EQ(InitializeCard(comm, kSerial, InstallationKeyMaterial(),
                             [this](const std::string& m) { messages.push_back(m); }),
              InitOutcome::SerialReadFailed);
    EXPECT_EQ(messages, (R{"读卡序列号失败。"}));
}

TEST_F(CardInit, KeysThatDoNotDecipherStopTheRunBeforeAnyExchange) {
    KeyMaterial keys = InstallationKeyMaterial();
    keys.keyName = keys.keyName + "x";
    EXPECT_EQ(Run(Card(), keys), InitOutcome::KeysUnavailable);
    EXPECT_EQ(messages, (R{"扇区密码解密失败。"}));
    EXPECT_TRUE(Requests().empty());

    KeyMaterial oneToken = InstallationKeyMaterial();
    oneToken.tokenList = oneToken.tokenList.substr(0, oneToken.tokenList.find(','));
    EXPECT_EQ(Run(Card(), oneToken), InitOutcome::KeysUnavailable);

    KeyMaterial failing = InstallationKeyMaterial();
    failing.decrypt = [](const std::string&, const std::string&) -> std::string {
        throw std::runtime_error("no library");
    };
    EXPECT_EQ(Run(Card(), failing), InitOutcome::KeysUnavailable);
    EXPECT_TRUE(Requests().empty());

    // A key library refused at load: the trace says which and why.
    KeyMaterial refused = InstallationKeyMaterial();
    refused.decrypt = [](const std::string&, const std::string&) { return std::string(); };
    refused.problemForTrace = "C:\\Tolvane\\Cryptel.dll 不是本程序的密钥库";
    harness::TraceCapture trace;
    EXPECT_EQ(Run(Card(), refused), InitOutcome::KeysUnavailable);
    ASSERT_FALSE(trace.Lines().empty());
    EXPECT_EQ(trace.Lines().back(), "密钥库不可用：" + refused.problemForTrace);
    EXPECT_TRUE(Requests().empty());
}

TEST_F(CardInit, NoPortPassesTheLinkErrorToTheCaller) {
    TCommClass closed;
    EXPECT_THROW(InitializeCard(closed, kSerial, InstallationKeyMaterial(), {}), Exception);
}

// Sector 5 of the first card is written, then a card that already carries the
// installation keys lies there instead: it must get nothing, and the first card must
// not be reported formatted.
TEST_F(CardInit, CardSwappedBeforeAReselectionStopsTheRun) {
    sim::MifareCard other(0x0BADCAFE);
    other.SetKeyA(5, key5);
    other.SetKeyA(6, key6);
    const sim::MifareCard first = Card();
    sim.PlaceCard(first);
    std::uint32_t serial = 0;
    ASSERT_TRUE(comm.RequestCard());
    ASSERT_TRUE(comm.ReadCardSerial(serial));
    sim.ClearExchanges();
    sim.SwapCardAfterRequests(2, other);  // right after the sector 5 trailer write
    EXPECT_EQ(InitializeCard(comm, kSerial, InstallationKeyMaterial(),
                             [this](const std::string& m) { messages.push_back(m); }),
              InitOutcome::CardSwapped);
    EXPECT_EQ(messages, (R{"卡片已更换，初始化中止。"}));
    EXPECT_EQ(Requests(), (R{"32,14", "34,17", "32,18", "30,01", "31,00"}));
    ExpectInstalled(5);
    ExpectUntouched(6, first);
    EXPECT_EQ(sim.CardBySerial(0x0BADCAFE)->Trailer(6), other.Trailer(6));
    EXPECT_TRUE(sim.SignalModes().empty());

    // A caller that does not know the card: the first re-selection names it, the
    // second must find the same card.
    auto installed5 = Card();
    installed5.SetKeyA(5, key5);
    sim.PlaceCard(installed5);
    ASSERT_TRUE(comm.RequestCard());
    ASSERT_TRUE(comm.ReadCardSerial(serial));
    sim.ClearExchanges();
    sim.SwapCardAfterRequests(5, other);
    messages.clear();
    EXPECT_EQ(
        InitializeCard(comm, 0, InstallationKeyMaterial(), [this](const std::string& m) { messages.push_back(m); }),
        InitOutcome::CardSwapped);
    EXPECT_EQ(Requests(), (R{"32,14", "30,01", "31,00", "32,14", "34,17", "32,18", "30,01", "31,00"}));
}

TEST_F(CardInit, VerifyOpensBothSectorsWithTheNewKeysBeforeTheSignals) {
    const auto run = [&](const sim::MifareCard& card, int pretended = 0) {
        sim.PlaceCard(card);
        std::uint32_t serial = 0;
        EXPECT_TRUE(comm.RequestCard());
        EXPECT_TRUE(comm.ReadCardSerial(serial));
        sim.ClearExchanges();
        sim.PretendNextRequests(pretended);
        messages.clear();
        return InitializeCard(comm, kSerial, InstallationKeyMaterial(),
                              [this](const std::string& m) { messages.push_back(m); });
    };
    // On by default; it ends with a select.
    EXPECT_EQ(run(Card()), InitOutcome::Ok);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Requests(), (R{"32,14", "34,17", "32,18", "34,1B", "30,01", "31,00", "32,14", "32,18", "30,01", "31,00",
                             "38,02", "38,03"}));

    // A reader that acknowledges the writes without carrying them out: the card
    // still opens with the transport key only.
    const std::size_t signals = sim.SignalModes().size();
    EXPECT_EQ(run(Card(), 4), InitOutcome::VerifyFailed);
    EXPECT_EQ(messages, (R{"扇区密码写入后校验失败。"}));
    EXPECT_EQ(Requests(), (R{"32,14", "34,17", "32,18", "34,1B", "30,01", "31,00", "32,14"}));
    EXPECT_EQ(sim.SignalModes().size(), signals);

    // An initialized card is proven the same way before it is reported.
    auto installed = Card();
    installed.SetKeyA(5, key5);
    installed.SetKeyA(6, key6);
    EXPECT_EQ(run(installed), InitOutcome::AlreadyInitialized);
    EXPECT_EQ(messages, (R{"该卡已初始化。"}));
    EXPECT_EQ(Requests().size(), 16u);
    EXPECT_EQ(Requests().back(), "31,00");
}

// Replies shifted by a reader that answers twice or very late: sector 6 refuses
// trailer writes (key B only), yet without the proof at the end a status reply
// meant for another command passes for the write's and the card reads "ok".
TEST_F(CardInit, AnswersShiftedByARepeatingOrLateReaderNeverPassForOk) {
    const struct {
        const char* what;
        int duplicated;
        std::vector<int> delaysMs;
    } rows[] = {
        {"a reply sent twice, the copy 40 ms later", 1, {}},
        {"sector 6's authentication answered 2.1 s late, its repeat 3.3 s later", 0, {0, 0, 2100, 3300}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        auto card = Card();
        card.SetAccess(6, harness::kKeyBOnlyAccess);
        sim.PlaceCard(card);
        std::uint32_t serial = 0;
        ASSERT_TRUE(comm.RequestCard());
        ASSERT_TRUE(comm.ReadCardSerial(serial));
        sim.ClearExchanges();
        const std::size_t signals = sim.SignalModes().size();
        if (row.duplicated) sim.DuplicateNextReplies(row.duplicated, 40);
        if (!row.delaysMs.empty()) sim.DelayReplies(row.delaysMs);
        messages.clear();
        const InitOutcome outcome = InitializeCard(comm, kSerial, InstallationKeyMaterial(),
                                                   [this](const std::string& m) { messages.push_back(m); });
        EXPECT_NE(outcome, InitOutcome::Ok);
        EXPECT_EQ(messages.size(), 1u);
        const auto modes = sim.SignalModes();
        EXPECT_EQ(std::count(modes.begin() + static_cast<std::ptrdiff_t>(signals), modes.end(), 2), 0)
            << "no success signals";
        EXPECT_EQ(sim.CardBySerial(kSerial)->Trailer(6), card.Trailer(6));
        // Let the late and repeated answers of this row die away before the next.
        std::this_thread::sleep_for(std::chrono::seconds(4));
    }
}

// Checking writes nothing and signals nothing, and asks the card as few times as it
// allows: the key that opened sector 5 is tried first on sector 6.
TEST_F(CardInit, CheckTellsWhichKeyOpensEachSectorWithoutWriting) {
    using O = SectorOpener;
    const sim::Key foreign{0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    const struct Row {
        const char* what;
        std::function<void(sim::MifareCard&)> lay;
        O sector5, sector6;
        CheckVerdict verdict;
        std::size_t requests;
    } rows[] = {
        {"fresh", [](sim::MifareCard&) {}, O::Transport, O::Transport, CheckVerdict::NewCard, 2},
        {"initialized",
         [&](sim::MifareCard& c) {
             c.SetKeyA(5, key5);
             c.SetKeyA(6, key6);
         },
         O::Installation, O::Installation, CheckVerdict::Initialized, 5},
        {"half done, sector 5", [&](sim::MifareCard& c) { c.SetKeyA(5, key5); }, O::Installation, O::Transport,
         CheckVerdict::HalfDone, 8},
        {"half done, sector 6", [&](sim::MifareCard& c) { c.SetKeyA(6, key6); }, O::Transport, O::Installation,
         CheckVerdict::HalfDone, 5},
        {"foreign sector 5", [&](sim::MifareCard& c) { c.SetKeyA(5, foreign); }, O::Neither, O::Transport,
         CheckVerdict::Foreign, 7},
        // Key B is ours, key A is not: the reader opens with key A only.
        {"key B only", [&](sim::MifareCard& c) { c.SetKeyA(6, foreign), c.SetKeyB(6, key6); }, O::Transport,
         O::Neither, CheckVerdict::Foreign, 5},
        // Access bytes that let only key B rewrite the trailer cannot be seen.
        {"key B writes the trailer", [&](sim::MifareCard& c) { c.SetAccess(5, harness::kKeyBOnlyAccess); },
         O::Transport, O::Transport, CheckVerdict::NewCard, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        sim::MifareCard card = Card();
        row.lay(card);
        LayAndSelect(card);
        const std::size_t signals = sim.SignalModes().size();
        const CheckReport report = CheckCard(comm, kSerial, InstallationKeyMaterial());
        EXPECT_EQ(report.verdict, row.verdict);
        ASSERT_EQ(report.sectors.size(), 2u);
        EXPECT_EQ(report.sectors[0].opener, row.sector5);
        EXPECT_EQ(report.sectors[1].opener, row.sector6);
        EXPECT_EQ(Requests().size(), row.requests);
        for (const std::string& request : Requests()) EXPECT_EQ(request.rfind("34", 0), std::string::npos);
        EXPECT_EQ(sim.SignalModes().size(), signals);
        for (int sector = 0; sector < sim::MifareCard::kSectors; ++sector) ExpectUntouched(sector, card);
    }
}

// Only sectors on the installation key are written, only ever with the factory
// trailer, and the card is proven on the transport key afterwards.
TEST_F(CardInit, ResetWritesOnlyTheFactoryTrailerIntoInstallationSectors) {
    const sim::Key foreign{0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    sim::TrailerBytes factory{};
    std::copy(kTransportTrailer.begin(), kTransportTrailer.end(), factory.begin());
    const struct Row {
        const char* what;
        std::function<void(sim::MifareCard&)> lay;
        ResetOutcome outcome;
        bool reset5, reset6;  // else untouched
    } rows[] = {
        {"initialized",
         [&](sim::MifareCard& c) {
             c.SetKeyA(5, key5), c.SetKeyB(5, kTrailerKeyB);
             c.SetKeyA(6, key6), c.SetKeyB(6, kTrailerKeyB);
         },
         ResetOutcome::Reset, true, true},
        {"half done", [&](sim::MifareCard& c) { c.SetKeyA(6, key6), c.SetKeyB(6, kTrailerKeyB); },
         ResetOutcome::Reset, false, true},
        {"fresh", [](sim::MifareCard&) {}, ResetOutcome::AlreadyFactory, false, false},
        {"foreign sector 6", [&](sim::MifareCard& c) { c.SetKeyA(5, key5), c.SetKeyA(6, foreign); },
         ResetOutcome::ForeignLeft, true, false},
        {"foreign card", [&](sim::MifareCard& c) { c.SetKeyA(5, foreign), c.SetKeyA(6, foreign); },
         ResetOutcome::ForeignLeft, false, false},
        {"trailer only key B may write", [&](sim::MifareCard& c) {
             c.SetKeyA(5, key5), c.SetAccess(5, harness::kKeyBOnlyAccess), c.SetKeyA(6, key6);
         },
         ResetOutcome::WriteFailed, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        sim::MifareCard card = Card();
        row.lay(card);
        LayAndSelect(card);
        const std::size_t signals = sim.SignalModes().size();
        EXPECT_EQ(ResetCard(comm, kSerial, InstallationKeyMaterial()).outcome, row.outcome);
        for (const auto& [sector, reset] : {std::pair{5, row.reset5}, std::pair{6, row.reset6}}) {
            if (reset)
                EXPECT_EQ(sim.CardBySerial(kSerial)->Trailer(sector), factory) << "sector " << sector;
            else
                ExpectUntouched(sector, card);
        }
        for (const sim::Exchange& e : sim.Exchanges()) {
            if (e.request[0] == 0x34) {
                EXPECT_EQ(ByteString(e.request.begin() + 2, e.request.end()), ByteString(factory.begin(), factory.end()));
            }
        }
        EXPECT_EQ(sim.SignalModes().size(), signals);
        if (row.reset5 || row.reset6) {
            EXPECT_EQ(Requests().back(), "31,00") << "proven by a last select";
        }
    }
}

// A card formatted by another build: its tokens under its key name, deciphered by
// this program's own key library.
TEST_F(CardInit, CheckAndResetWithAnotherBuildsTokens) {
    const sim::Key other5{0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6}, other6{0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6};
    const KeyMaterial others = OtherKeyMaterial("EECB888222BE40,ACC97EB6927EA4", "DESK02");
    auto card = Card();
    card.SetKeyA(5, other5);
    card.SetKeyA(6, other6);
    sim.PlaceCard(card);
    std::uint32_t serial = 0;
    ASSERT_TRUE(comm.RequestCard());
    ASSERT_TRUE(comm.ReadCardSerial(serial));
    EXPECT_EQ(CheckCard(comm, kSerial, InstallationKeyMaterial()).verdict, CheckVerdict::Foreign);
    ASSERT_TRUE(comm.RequestCard());
    ASSERT_TRUE(comm.ReadCardSerial(serial));
    EXPECT_EQ(CheckCard(comm, kSerial, others).verdict, CheckVerdict::Initialized);
    ASSERT_TRUE(comm.RequestCard());
    ASSERT_TRUE(comm.ReadCardSerial(serial));
    EXPECT_EQ(ResetCard(comm, kSerial, others).outcome, ResetOutcome::Reset);
    EXPECT_EQ(sim.CardBySerial(kSerial)->KeyA(5), sim::kTransportKey);
    EXPECT_EQ(sim.CardBySerial(kSerial)->KeyA(6), sim::kTransportKey);
}
