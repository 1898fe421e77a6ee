// Decoding the access bytes of a sector trailer.
#include "sim/AccessBits.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using Bytes = std::array<std::uint8_t, 4>;

// Encodes conditions the way the card lays them out, one C1C2C3 per block.
Bytes Encode(const std::array<int, 4>& conditions) {
    unsigned c1 = 0, c2 = 0, c3 = 0;
    for (unsigned block = 0; block < 4; ++block) {
        const int c = conditions[block];
        c1 |= ((c >> 2) & 1u) << block;
        c2 |= ((c >> 1) & 1u) << block;
        c3 |= (c & 1u) << block;
    }
    const auto b6 = static_cast<std::uint8_t>(((~c2 & 0xF) << 4) | (~c1 & 0xF));
    const auto b7 = static_cast<std::uint8_t>((c1 << 4) | (~c3 & 0xF));
    const auto b8 = static_cast<std::uint8_t>((c3 << 4) | c2);
    return {b6, b7, b8, 0x69};
}

TEST(AccessBits, TransportBytesGiveConditionZeroForDataAndOneForTheTrailer) {
    const Bytes transport = {0xFF, 0x07, 0x80, 0x69};
    for (int block = 0; block < 3; ++block) EXPECT_EQ(sim::AccessCondition(transport.data(), block), 0) << block;
    EXPECT_EQ(sim::AccessCondition(transport.data(), 3), 1);
    EXPECT_TRUE(sim::KeyAMayWriteTrailer(transport.data()));
}

TEST(AccessBits, EveryConditionRoundTripsOnEveryBlock) {
    for (int c = 0; c < 8; ++c) {
        for (int block = 0; block < 4; ++block) {
            std::array<int, 4> conditions = {0, 0, 0, 0};
            conditions[static_cast<std::size_t>(block)] = c;
            const Bytes bytes = Encode(conditions);
            for (int other = 0; other < 4; ++other)
                EXPECT_EQ(sim::AccessCondition(bytes.data(), other), other == block ? c : 0)
                    << "condition " << c << " on block " << block << ", looking at " << other;
        }
    }
}

TEST(AccessBits, OnlyTrailerConditionOneLetsKeyAWriteTheTrailer) {
    for (int c = 0; c < 8; ++c) {
        const Bytes bytes = Encode({0, 0, 0, c});
        EXPECT_EQ(sim::KeyAMayWriteTrailer(bytes.data()), c == 1) << c;
    }
}

TEST(AccessBits, EachBrokenInverseBitMakesTheBytesInconsistent) {
    const Bytes good = {0xFF, 0x07, 0x80, 0x69};
    for (int byte = 0; byte < 3; ++byte) {
        for (int bit = 0; bit < 8; ++bit) {
            Bytes bad = good;
            bad[static_cast<std::size_t>(byte)] ^= static_cast<std::uint8_t>(1u << bit);
            EXPECT_FALSE(sim::AccessBytesConsistent(bad.data())) << byte << ":" << bit;
            EXPECT_FALSE(sim::AccessCondition(bad.data(), 3).has_value());
            EXPECT_FALSE(sim::KeyAMayWriteTrailer(bad.data()));
        }
    }
}

TEST(AccessBits, UserByteDoesNotMatter) {
    Bytes bytes = {0xFF, 0x07, 0x80, 0x00};
    EXPECT_TRUE(sim::KeyAMayWriteTrailer(bytes.data()));
    bytes[3] = 0xFF;
    EXPECT_TRUE(sim::KeyAMayWriteTrailer(bytes.data()));
}

TEST(AccessBits, NonInvertedBitsAloneAreNotEnough) {
    // Trailer bits read 001 if the inverted halves are ignored, yet the bytes are
    // malformed: a card treats that sector as blocked.
    const Bytes malformed = {0x00, 0x00, 0x80, 0x69};
    EXPECT_FALSE(sim::KeyAMayWriteTrailer(malformed.data()));
}

TEST(AccessBits, BlockOutsideTheSectorHasNoCondition) {
    const Bytes transport = {0xFF, 0x07, 0x80, 0x69};
    EXPECT_FALSE(sim::AccessCondition(transport.data(), 4).has_value());
    EXPECT_FALSE(sim::AccessCondition(transport.data(), -1).has_value());
}

}  // namespace
