#include "cryptel/ParityNibbles.h"

namespace cryptel {

namespace {

// Generator (x - alpha)(x - alpha^2) = x^2 + 6x + 8 in this field.
constexpr std::uint8_t kG1 = 0x6;
constexpr std::uint8_t kG0 = 0x8;

}  // namespace

std::uint8_t Gf16Multiply(std::uint8_t a, std::uint8_t b) {
    std::uint8_t product = 0;
    for (int bit = 0; bit < 4; ++bit) {
        if (b & (1u << bit)) product ^= a;
        const bool carry = (a & 0x8u) != 0;
        a = static_cast<std::uint8_t>((a << 1) & 0xFu);
        if (carry) a ^= 0x3u;  // x^4 = x + 1
    }
    return product;
}

ParityPair ParityNibbles(const DataNibbles& data) {
    // Remainder of data(x) * x^2 divided by the generator, one symbol at a time.
    std::uint8_t high = 0;
    std::uint8_t low = 0;
    for (const std::uint8_t symbol : data) {
        const std::uint8_t feedback = (symbol & 0xFu) ^ high;
        high = low ^ Gf16Multiply(feedback, kG1);
        low = Gf16Multiply(feedback, kG0);
    }
    return {high, low};
}

}  // namespace cryptel
