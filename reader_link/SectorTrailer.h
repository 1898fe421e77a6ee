// The sector trailer this tool writes: key A, the access bytes and key B. Constants
// only: nothing here runs, raises or belongs to a thread.
#pragma once

#include <array>
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
