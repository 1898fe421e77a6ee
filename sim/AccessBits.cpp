#include "sim/AccessBits.h"

namespace sim {

bool AccessBytesConsistent(const std::uint8_t* access) {
    const unsigned b6 = access[0], b7 = access[1], b8 = access[2];
    const unsigned c1 = b7 >> 4, c2 = b8 & 0x0F, c3 = b8 >> 4;
    const unsigned notC1 = b6 & 0x0F, notC2 = b6 >> 4, notC3 = b7 & 0x0F;
    return (c1 ^ notC1) == 0x0F && (c2 ^ notC2) == 0x0F && (c3 ^ notC3) == 0x0F;
}

std::optional<int> AccessCondition(const std::uint8_t* access, int blockInSector) {
    if (blockInSector < 0 || blockInSector > 3 || !AccessBytesConsistent(access)) return std::nullopt;
    const unsigned c1 = (access[1] >> (4 + blockInSector)) & 1u;
    const unsigned c2 = (access[2] >> blockInSector) & 1u;
    const unsigned c3 = (access[2] >> (4 + blockInSector)) & 1u;
    return static_cast<int>((c1 << 2) | (c2 << 1) | c3);
}

bool KeyAMayWriteTrailer(const std::uint8_t* access) { return AccessCondition(access, 3) == 1; }

}  // namespace sim
