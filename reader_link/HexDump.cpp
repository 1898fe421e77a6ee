#include "reader_link/ByteString.h"

std::string HexDump(const std::uint8_t* data, std::size_t count) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        if (i) out.push_back(',');
        out.push_back(kDigits[data[i] >> 4]);
        out.push_back(kDigits[data[i] & 0x0F]);
    }
    return out;
}
