#include "soak/CardDeck.h"

#include <algorithm>

#include "harness/InstallKeys.h"
#include "reader_link/SectorTrailer.h"

namespace soak {
namespace {

// Shares out of 100, in the order of CardKind.
constexpr std::array<int, static_cast<std::size_t>(CardKind::Count)> kShares = {70, 8, 7, 8, 7};

}  // namespace

const char* CardKindName(CardKind kind) {
    switch (kind) {
        case CardKind::Fresh: return "fresh";
        case CardKind::Formatted: return "formatted";
        case CardKind::HalfFormatted: return "half-formatted";
        case CardKind::ForeignKeys: return "foreign-keys";
        case CardKind::KeyBOnly: return "key-b-only";
        case CardKind::Count: break;
    }
    return "?";
}

sim::TrailerBytes FormattedTrailer(const InstallKeys& keys, int sector) {
    sim::TrailerBytes t{};
    const sim::Key& a = keys[sector == kFormattedSectors[0] ? 0 : 1];
    std::copy(a.begin(), a.end(), t.begin());
    std::copy(kTrailerAccessBytes.begin(), kTrailerAccessBytes.end(), t.begin() + 6);
    std::copy(kTrailerKeyB.begin(), kTrailerKeyB.end(), t.begin() + 10);
    return t;
}

std::uint32_t CardDeck::NewSerial() {
    for (;;) {
        const auto serial = static_cast<std::uint32_t>(prng_.Between(1, 0xFFFFFFFFll));
        if (used_.insert(serial).second) return serial;
    }
}

sim::Key CardDeck::ForeignKey() {
    for (;;) {
        sim::Key k{};
        for (auto& b : k) b = static_cast<std::uint8_t>(prng_.Next());
        if (k != sim::kTransportKey && k != keys_[0] && k != keys_[1]) return k;
    }
}

SoakCard CardDeck::Next() {
    SoakCard card;
    card.original = sim::MifareCard(NewSerial());
    int pick = static_cast<int>(prng_.Below(100));
    std::size_t kind = 0;
    while (pick >= kShares[kind]) pick -= kShares[kind++];
    card.kind = static_cast<CardKind>(kind);
    // Which of the two sectors is special: 0 sector 5, 1 sector 6, 2 both.
    const int which = static_cast<int>(prng_.Below(3));
    const auto marked = [&](int index) { return which == 2 || which == index; };
    sim::MifareCard& c = card.original;
    switch (card.kind) {
        case CardKind::Fresh: card.expected = InitOutcome::Ok; break;
        case CardKind::Formatted:
            for (int s : kFormattedSectors) c.SetTrailer(s, FormattedTrailer(keys_, s));
            card.expected = InitOutcome::AlreadyInitialized;
            break;
        case CardKind::HalfFormatted: {
            const int s = kFormattedSectors[prng_.Below(2)];
            c.SetTrailer(s, FormattedTrailer(keys_, s));
            card.expected = InitOutcome::Ok;
            break;
        }
        case CardKind::ForeignKeys:
            for (int i = 0; i < 2; ++i) {
                if (!marked(i)) continue;
                c.SetKeyA(kFormattedSectors[i], ForeignKey());
                c.SetKeyB(kFormattedSectors[i], ForeignKey());
            }
            card.expected = InitOutcome::NotANewCard;
            break;
        case CardKind::KeyBOnly:
            for (int i = 0; i < 2; ++i)
                if (marked(i)) c.SetAccess(kFormattedSectors[i], harness::kKeyBOnlyAccess);
            card.expected = InitOutcome::InitFailed;
            break;
        case CardKind::Count: break;
    }
    return card;
}

}  // namespace soak
