#include "sim/console/HexText.h"

namespace sim {
namespace {

int Digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<std::uint32_t> ParseSerial(const std::string& text) {
    if (text.empty() || text.size() > 8) return std::nullopt;
    std::uint32_t value = 0;
    for (char c : text) {
        const int d = Digit(c);
        if (d < 0) return std::nullopt;
        value = (value << 4) | static_cast<std::uint32_t>(d);
    }
    return value;
}

std::optional<ByteString> ParseHexBytes(const std::string& text, std::size_t count) {
    if (text.size() != count * 2) return std::nullopt;
    ByteString bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int hi = Digit(text[i]), lo = Digit(text[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(hi << 4 | lo));
    }
    return bytes;
}

std::string HexText(const std::uint8_t* data, std::size_t count) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        out.push_back(kDigits[data[i] >> 4]);
        out.push_back(kDigits[data[i] & 0x0F]);
    }
    return out;
}

std::string SerialText(std::uint32_t serial) {
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(serial >> 24), static_cast<std::uint8_t>(serial >> 16),
                                   static_cast<std::uint8_t>(serial >> 8), static_cast<std::uint8_t>(serial)};
    return HexText(bytes, 4);
}

}  // namespace sim
