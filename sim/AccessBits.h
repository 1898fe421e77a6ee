// Access conditions held in bytes 6..9 of a MIFARE Classic sector trailer.
//
// Byte 6: ~C2 (bits 7..4, blocks 3..0), ~C1 (bits 3..0). Byte 7: C1 (bits 7..4),
// ~C3 (bits 3..0). Byte 8: C3 (bits 7..4), C2 (bits 3..0). Byte 9: free.
#pragma once

#include <cstdint>
#include <optional>

namespace sim {

// True when every condition bit sits next to its exact inverse. A card refuses
// all access to a sector whose trailer breaks this rule.
bool AccessBytesConsistent(const std::uint8_t* access);

// C1C2C3 of block `blockInSector` (0..3; 3 is the trailer) as a number 0..7
// (C1 the most significant bit), or nothing when the bytes are inconsistent.
std::optional<int> AccessCondition(const std::uint8_t* access, int blockInSector);

// Whether key A may write the whole trailer (keys and access bytes): only under
// trailer condition 001, the transport configuration FF 07 80.
bool KeyAMayWriteTrailer(const std::uint8_t* access);

}  // namespace sim
