// The sector trailer this tool writes: key A, the access bytes and key B. Constants
// only: nothing here runs, raises or belongs to a thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

using SectorKeyBytes = std::array<std::uint8_t, 6>;

// Access bytes: key A reads and writes the data blocks and may rewrite the trailer
// (the transport configuration), plus the general-purpose byte.
inline constexpr std::array<std::uint8_t, 4> kTrailerAccessBytes{0xFF, 0x07, 0x80, 0x69};

// Key B of every trailer written; a fixed value the installation never uses to
// authenticate, so that no factory default is left on the card.
inline constexpr SectorKeyBytes kTrailerKeyB{0x57, 0x43, 0x4B, 0x45, 0x59, 0x42};

// The published factory transport key of MIFARE Classic cards.
inline constexpr SectorKeyBytes kTransportKey{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

using TrailerBytes = std::array<std::uint8_t, 16>;

// The trailer of a card as it leaves the factory: transport key A, the access bytes
// above, transport key B. The only trailer a card is ever returned to; it is
// assembled here from constants, so no caller can hand in other access bytes (a
// wrong access byte can lock a sector for good).
inline constexpr TrailerBytes kTransportTrailer = [] {
    TrailerBytes t{};
    for (std::size_t i = 0; i < 6; ++i) t[i] = kTransportKey[i];
    for (std::size_t i = 0; i < 4; ++i) t[6 + i] = kTrailerAccessBytes[i];
    for (std::size_t i = 0; i < 6; ++i) t[10 + i] = kTransportKey[i];
    return t;
}();
static_assert(kTransportTrailer[6] == 0xFF && kTransportTrailer[7] == 0x07 && kTransportTrailer[8] == 0x80 &&
                  kTransportTrailer[9] == 0x69,
              "a returned card must carry the transport access bytes FF 07 80 69");
