// The card's protocol states and what it allows in each.
#include "sim/MifareCard.h"

#include <gtest/gtest.h>

namespace {

using sim::CardState;
using sim::MifareCard;

const sim::Key kTransport = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
const sim::Key kOther = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66};

sim::TrailerBytes NewTrailer(const sim::Key& keyA, std::array<std::uint8_t, 4> access, const sim::Key& keyB) {
    sim::TrailerBytes t{};
    std::copy(keyA.begin(), keyA.end(), t.begin());
    std::copy(access.begin(), access.end(), t.begin() + 6);
    std::copy(keyB.begin(), keyB.end(), t.begin() + 10);
    return t;
}

// A card woken, selected and authenticated on `sector` with the transport key.
MifareCard AuthenticatedCard(int sector) {
    MifareCard card(0x12345678);
    card.Wake();
    EXPECT_TRUE(card.Select());
    EXPECT_TRUE(card.Authenticate(sector * 4 + 3, kTransport.data(), kTransport.size()));
    return card;
}

TEST(MifareCardFresh, EverySectorHasTransportKeysAndAccess) {
    const MifareCard card(0xCAFEF00D);
    EXPECT_EQ(card.Serial(), 0xCAFEF00Du);
    EXPECT_EQ(card.State(), CardState::Idle);
    for (int s = 0; s < MifareCard::kSectors; ++s) {
        EXPECT_EQ(card.KeyA(s), kTransport) << s;
        EXPECT_EQ(card.Access(s), (sim::AccessBytes{0xFF, 0x07, 0x80, 0x69})) << s;
        EXPECT_EQ(card.KeyB(s), kTransport) << s;
    }
}

TEST(MifareCardFresh, TrailerPartsMapToTheirBytes) {
    MifareCard card(1);
    const sim::TrailerBytes t = NewTrailer(kOther, {0x7F, 0x07, 0x88, 0x40}, {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5});
    card.SetTrailer(9, t);
    EXPECT_EQ(card.Trailer(9), t);
    EXPECT_EQ(card.KeyA(9), kOther);
    EXPECT_EQ(card.Access(9), (sim::AccessBytes{0x7F, 0x07, 0x88, 0x40}));
    EXPECT_EQ(card.KeyB(9), (sim::Key{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5}));
    EXPECT_EQ(card.KeyA(8), kTransport);
}

TEST(MifareCardStates, SelectNeedsAWakeUp) {
    MifareCard card(1);
    EXPECT_FALSE(card.Select());
    card.Wake();
    EXPECT_EQ(card.State(), CardState::Ready);
    EXPECT_TRUE(card.Select());
    EXPECT_EQ(card.State(), CardState::Active);
    EXPECT_TRUE(card.Select());
}

TEST(MifareCardStates, AuthenticationNeedsSelection) {
    MifareCard card(1);
    card.Wake();
    EXPECT_FALSE(card.Authenticate(7, kTransport.data(), 6));
    EXPECT_EQ(card.State(), CardState::Idle);
}

TEST(MifareCardStates, AuthenticationSucceedsForAnyBlockOfTheSector) {
    for (int block : {20, 21, 22, 23}) {
        MifareCard card(1);
        card.Wake();
        card.Select();
        EXPECT_TRUE(card.Authenticate(block, kTransport.data(), 6)) << block;
        EXPECT_EQ(card.State(), CardState::Authenticated);
        EXPECT_EQ(card.AuthenticatedSector(), 5);
    }
}

TEST(MifareCardStates, FailedAuthenticationDropsToIdleUntilWokenAndSelected) {
    MifareCard card = AuthenticatedCard(5);
    EXPECT_FALSE(card.Authenticate(27, kOther.data(), 6));
    EXPECT_EQ(card.State(), CardState::Idle);
    EXPECT_EQ(card.AuthenticatedSector(), -1);
    // Even the right key is refused now.
    EXPECT_FALSE(card.Authenticate(27, kTransport.data(), 6));
    card.Wake();
    EXPECT_FALSE(card.Authenticate(27, kTransport.data(), 6));
    card.Wake();
    card.Select();
    EXPECT_TRUE(card.Authenticate(27, kTransport.data(), 6));
}

TEST(MifareCardStates, BadBlockOrKeyLengthFailsAndDropsToIdle) {
    struct Case {
        int block;
        std::size_t keyLength;
    };
    for (const Case c : {Case{64, 6}, Case{-1, 6}, Case{255, 6}, Case{3, 5}, Case{3, 7}, Case{3, 0}}) {
        MifareCard card = AuthenticatedCard(0);
        const std::uint8_t key[7] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
        EXPECT_FALSE(card.Authenticate(c.block, key, c.keyLength)) << c.block << "/" << c.keyLength;
        EXPECT_EQ(card.State(), CardState::Idle);
    }
}

TEST(MifareCardStates, WakeUpDropsAuthentication) {
    MifareCard card = AuthenticatedCard(5);
    card.Wake();
    EXPECT_EQ(card.State(), CardState::Ready);
    EXPECT_EQ(card.AuthenticatedSector(), -1);
    const sim::TrailerBytes t = NewTrailer(kOther, {0xFF, 0x07, 0x80, 0x69}, kOther);
    EXPECT_FALSE(card.WriteTrailer(23, t.data(), t.size()));
}

TEST(MifareCardStates, AuthenticationUsesKeyAOnly) {
    MifareCard card(1);
    card.SetTrailer(2, NewTrailer(kOther, {0xFF, 0x07, 0x80, 0x69}, kTransport));
    card.Wake();
    card.Select();
    EXPECT_FALSE(card.Authenticate(11, kTransport.data(), 6));
    card.Wake();
    card.Select();
    EXPECT_TRUE(card.Authenticate(11, kOther.data(), 6));
}

TEST(MifareCardTrailerWrite, ReplacesTheTrailerWhenAllowed) {
    MifareCard card = AuthenticatedCard(6);
    const sim::TrailerBytes t = NewTrailer(kOther, {0x7F, 0x07, 0x88, 0x69}, {1, 2, 3, 4, 5, 6});
    EXPECT_TRUE(card.WriteTrailer(27, t.data(), t.size()));
    EXPECT_EQ(card.Trailer(6), t);
    EXPECT_EQ(card.KeyA(5), kTransport);
    EXPECT_EQ(card.KeyA(7), kTransport);
}

TEST(MifareCardTrailerWrite, RefusedWithoutAuthentication) {
    MifareCard card(1);
    card.Wake();
    card.Select();
    const sim::TrailerBytes t = NewTrailer(kOther, {0xFF, 0x07, 0x80, 0x69}, kOther);
    EXPECT_FALSE(card.WriteTrailer(23, t.data(), t.size()));
    EXPECT_EQ(card.KeyA(5), kTransport);
}

TEST(MifareCardTrailerWrite, RefusedForAnotherSector) {
    MifareCard card = AuthenticatedCard(5);
    const sim::TrailerBytes t = NewTrailer(kOther, {0xFF, 0x07, 0x80, 0x69}, kOther);
    EXPECT_FALSE(card.WriteTrailer(27, t.data(), t.size()));
    EXPECT_EQ(card.KeyA(6), kTransport);
}

TEST(MifareCardTrailerWrite, RefusedForDataBlocks) {
    MifareCard card = AuthenticatedCard(5);
    const sim::TrailerBytes t = NewTrailer(kOther, {0xFF, 0x07, 0x80, 0x69}, kOther);
    for (int block : {20, 21, 22}) EXPECT_FALSE(card.WriteTrailer(block, t.data(), t.size())) << block;
    EXPECT_EQ(card.Trailer(5), NewTrailer(kTransport, {0xFF, 0x07, 0x80, 0x69}, kTransport));
}

TEST(MifareCardTrailerWrite, RefusedWithWrongLength) {
    MifareCard card = AuthenticatedCard(5);
    const std::uint8_t bytes[17] = {};
    EXPECT_FALSE(card.WriteTrailer(23, bytes, 15));
    EXPECT_FALSE(card.WriteTrailer(23, bytes, 17));
    EXPECT_EQ(card.KeyA(5), kTransport);
}

TEST(MifareCardTrailerWrite, RefusedWhenAccessBitsForbidKeyA) {
    // Every trailer condition C1C2C3 but 001, and bytes whose inverted halves
    // do not match (such a sector is blocked).
    for (const sim::AccessBytes& access : {
             sim::AccessBytes{0xFF, 0x0F, 0x00, 0x69},  // 000: access bits read-only
             sim::AccessBytes{0x7F, 0x0F, 0x08, 0x69},  // 010
             sim::AccessBytes{0x7F, 0x07, 0x88, 0x69},  // 011: key B writes
             sim::AccessBytes{0xF7, 0x8F, 0x00, 0x69},  // 100
             sim::AccessBytes{0xF7, 0x87, 0x80, 0x69},  // 101
             sim::AccessBytes{0x77, 0x8F, 0x08, 0x69},  // 110
             sim::AccessBytes{0x77, 0x87, 0x88, 0x69},  // 111
             sim::AccessBytes{0x00, 0x00, 0x80, 0x69},  // malformed, though C1C2C3 reads 001
         }) {
        MifareCard card(1);
        card.SetAccess(5, access);
        card.Wake();
        card.Select();
        ASSERT_TRUE(card.Authenticate(23, kTransport.data(), 6));
        const sim::TrailerBytes t = NewTrailer(kOther, {0xFF, 0x07, 0x80, 0x69}, kOther);
        EXPECT_FALSE(card.WriteTrailer(23, t.data(), t.size()));
        EXPECT_EQ(card.KeyA(5), kTransport);
    }
}

TEST(MifareCardTrailerWrite, SecondWriteFollowsTheNewAccessBits) {
    MifareCard card = AuthenticatedCard(5);
    const sim::TrailerBytes locked = NewTrailer(kOther, {0x7F, 0x07, 0x88, 0x69}, kOther);
    ASSERT_TRUE(card.WriteTrailer(23, locked.data(), locked.size()));
    const sim::TrailerBytes back = NewTrailer(kTransport, {0xFF, 0x07, 0x80, 0x69}, kTransport);
    EXPECT_FALSE(card.WriteTrailer(23, back.data(), back.size()));
    EXPECT_EQ(card.Trailer(5), locked);
}

TEST(MifareCardPower, PowerOffForgetsStateButKeepsMemory) {
    MifareCard card = AuthenticatedCard(5);
    const sim::TrailerBytes t = NewTrailer(kOther, {0xFF, 0x07, 0x80, 0x69}, kOther);
    ASSERT_TRUE(card.WriteTrailer(23, t.data(), t.size()));
    card.PowerOff();
    EXPECT_EQ(card.State(), CardState::Idle);
    EXPECT_EQ(card.Trailer(5), t);
}

}  // namespace
