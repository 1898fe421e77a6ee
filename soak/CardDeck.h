// The cards a soak run lays on the reader, drawn from a seed: mostly fresh ones,
// some already formatted (wholly or in one sector), some locked with keys this
// installation does not know, some whose trailers only key B may rewrite.
#pragma once

#include <array>
#include <cstdint>
#include <set>

#include "card_init/CardInit.h"
#include "sim/MifareCard.h"
#include "sim/Prng.h"

namespace soak {

inline constexpr std::array<int, 2> kFormattedSectors = {5, 6};

// The two installation keys, index 0 for sector 5 and 1 for sector 6.
using InstallKeys = std::array<sim::Key, 2>;

enum class CardKind { Fresh, Formatted, HalfFormatted, ForeignKeys, KeyBOnly, Count };
const char* CardKindName(CardKind kind);

struct SoakCard {
    CardKind kind = CardKind::Fresh;
    sim::MifareCard original{1};
    // What the tool reports for it when nothing goes wrong on the line.
    InitOutcome expected = InitOutcome::Ok;
};

// The trailer the tool writes into `sector`.
sim::TrailerBytes FormattedTrailer(const InstallKeys& keys, int sector);

class CardDeck {
public:
    CardDeck(std::uint64_t seed, const InstallKeys& keys) : prng_(seed), keys_(keys) {}
    SoakCard Next();

private:
    std::uint32_t NewSerial();
    sim::Key ForeignKey();

    sim::Prng prng_;
    InstallKeys keys_;
    std::set<std::uint32_t> used_;
};

}  // namespace soak
