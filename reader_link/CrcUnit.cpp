#include "reader_link/CrcUnit.h"

std::uint16_t Crc16Frame(const std::uint8_t* data, std::int32_t count) {
    if (count < 2) return 0;
    std::uint32_t r = (static_cast<std::uint32_t>(data[0]) << 8) | data[1];
    for (std::int32_t i = 2; i < count; ++i) {
        for (int bit = 7; bit >= 0; --bit) {
            const bool top = (r & 0x8000u) != 0;
            r = ((r << 1) | ((data[i] >> bit) & 1u)) & 0xFFFFu;
            if (top) r ^= 0x1021u;
        }
    }
    return static_cast<std::uint16_t>(r);
}
