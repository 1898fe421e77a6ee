#include "cryptel/HexText.h"

namespace cryptel {

std::optional<std::uint8_t> HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<std::uint8_t>(c - 'a' + 10);
    return std::nullopt;
}

char UpperHexDigit(std::uint8_t nibble) { return "0123456789ABCDEF"[nibble & 0xFu]; }

std::string BytesToHex(const std::uint8_t* data, std::size_t count) {
    std::string text;
    text.reserve(2 * count);
    for (std::size_t i = 0; i < count; ++i) {
        text += UpperHexDigit(static_cast<std::uint8_t>(data[i] >> 4));
        text += UpperHexDigit(data[i]);
    }
    return text;
}

std::optional<std::vector<std::uint8_t>> HexToBytes(std::string_view text) {
    if (text.size() % 2 != 0) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const auto high = HexDigitValue(text[i]);
        const auto low = HexDigitValue(text[i + 1]);
        if (!high || !low) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>((*high << 4) | *low));
    }
    return bytes;
}

}  // namespace cryptel
