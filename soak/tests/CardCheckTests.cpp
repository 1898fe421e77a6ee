// The soak's invariants fire on the states they are about, and only on those.
#include "soak/CardCheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "reader_link/SectorTrailer.h"

namespace {

using soak::CheckCard;
using soak::InstallKeys;
using soak::Violation;

// Made-up keys: the checker only compares them.
const InstallKeys kKeys = {sim::Key{1, 2, 3, 4, 5, 6}, sim::Key{7, 8, 9, 10, 11, 12}};

bool Has(const std::vector<Violation>& found, const std::string& kind) {
    return std::any_of(found.begin(), found.end(), [&](const Violation& v) { return v.kind == kind; });
}

sim::MifareCard Formatted(std::uint32_t serial) {
    sim::MifareCard card(serial);
    for (int s : soak::kFormattedSectors) card.SetTrailer(s, soak::FormattedTrailer(kKeys, s));
    return card;
}

TEST(CardCheck, FormattedCardReportedOkPasses) {
    EXPECT_TRUE(CheckCard(sim::MifareCard(1), Formatted(1), kKeys, {"ok"}).empty());
}

TEST(CardCheck, UntouchedCardWithoutAReportPasses) {
    EXPECT_TRUE(CheckCard(sim::MifareCard(1), sim::MifareCard(1), kKeys, {}).empty());
}

TEST(CardCheck, OkWithASectorLeftAsItWasIsCaught) {
    sim::MifareCard now = Formatted(1);
    now.SetTrailer(6, sim::MifareCard(1).Trailer(6));
    const auto found = CheckCard(sim::MifareCard(1), now, kKeys, {"ok"});
    EXPECT_TRUE(Has(found, "ok-not-formatted"));
    EXPECT_FALSE(Has(found, "unknown-key"));
}

TEST(CardCheck, SectorKeysSwappedAreCaught) {
    sim::MifareCard now = Formatted(1);
    now.SetKeyA(5, kKeys[1]);
    EXPECT_TRUE(Has(CheckCard(sim::MifareCard(1), now, kKeys, {"ok"}), "ok-not-formatted"));
    EXPECT_TRUE(Has(CheckCard(sim::MifareCard(1), now, kKeys, {"ok"}), "mixed-trailer"));
}

TEST(CardCheck, ChangedCardWithoutAnyLineIsCaught) {
    sim::MifareCard now(1);
    now.SetTrailer(5, soak::FormattedTrailer(kKeys, 5));
    EXPECT_TRUE(Has(CheckCard(sim::MifareCard(1), now, kKeys, {}), "changed-unreported"));
    EXPECT_FALSE(Has(CheckCard(sim::MifareCard(1), now, kKeys, {"初始化包号失败。"}), "changed-unreported"));
}

TEST(CardCheck, KeyNobodyKnowsIsCaught) {
    sim::MifareCard now(1);
    now.SetKeyA(6, sim::Key{0xDE, 0xAD, 0xBE, 0xEF, 0, 1});
    EXPECT_TRUE(Has(CheckCard(sim::MifareCard(1), now, kKeys, {"x"}), "unknown-key"));
    sim::MifareCard badB(1);
    badB.SetKeyB(5, sim::Key{9, 9, 9, 9, 9, 9});
    EXPECT_TRUE(Has(CheckCard(sim::MifareCard(1), badB, kKeys, {"x"}), "unknown-key"));
}

TEST(CardCheck, OriginalForeignKeysAreKnown) {
    sim::MifareCard original(1);
    original.SetKeyA(5, sim::Key{0x42, 0x42, 0x42, 0x42, 0x42, 0x42});
    EXPECT_TRUE(CheckCard(original, original, kKeys, {"扇区密码校验失败，该卡不是新卡。"}).empty());
}

TEST(CardCheck, HalfWrittenTrailerIsCaught) {
    sim::MifareCard now(1);
    now.SetKeyA(5, kKeys[0]);  // key A written, access and key B still the factory's
    const auto found = CheckCard(sim::MifareCard(1), now, kKeys, {"x"});
    EXPECT_TRUE(Has(found, "mixed-trailer"));
    EXPECT_FALSE(Has(found, "unknown-key"));
}

TEST(CardCheck, OtherSectorsMustStayAsTheyWere) {
    sim::MifareCard now = Formatted(1);
    now.SetTrailer(4, soak::FormattedTrailer(kKeys, 5));
    EXPECT_TRUE(Has(CheckCard(sim::MifareCard(1), now, kKeys, {"ok"}), "other-sector-changed"));
}

TEST(CardCheck, ReportedFormattedNeedsTheInstallationKeys) {
    const std::string formatted = OutcomeMessage(InitOutcome::AlreadyInitialized);
    EXPECT_TRUE(CheckCard(Formatted(1), Formatted(1), kKeys, {formatted}).empty());
    EXPECT_TRUE(Has(CheckCard(sim::MifareCard(1), sim::MifareCard(1), kKeys, {formatted}), "formatted-without-key"));
}

TEST(CardDeck, SameSeedSameCardsAndEveryKindComes) {
    soak::CardDeck a(5, kKeys), b(5, kKeys);
    std::set<soak::CardKind> kinds;
    std::set<std::uint32_t> serials;
    for (int i = 0; i < 300; ++i) {
        const soak::SoakCard x = a.Next(), y = b.Next();
        ASSERT_EQ(x.original.Serial(), y.original.Serial());
        ASSERT_EQ(x.kind, y.kind);
        for (int s = 0; s < sim::MifareCard::kSectors; ++s) ASSERT_EQ(x.original.Trailer(s), y.original.Trailer(s));
        kinds.insert(x.kind);
        serials.insert(x.original.Serial());
        EXPECT_NE(x.original.Serial(), 0u);
    }
    EXPECT_EQ(kinds.size(), static_cast<std::size_t>(soak::CardKind::Count));
    EXPECT_EQ(serials.size(), 300u) << "serials never repeat";
}

}  // namespace
