#include "cryptel/CheckNibblePermutations.h"

#include <algorithm>
#include <numeric>

namespace cryptel {

CheckNibblePermutations MakeCheckNibblePermutations(AesBlockCipher& aes) {
    constexpr std::size_t kSymbols = 16;
    CheckNibblePermutations result{};
    std::array<std::uint8_t, 2 * kSymbols * kAesBlockSize> blocks{};
    for (std::size_t position = 0; position < 2; ++position) {
        for (std::size_t symbol = 0; symbol < kSymbols; ++symbol) {
            std::uint8_t* block = &blocks[(position * kSymbols + symbol) * kAesBlockSize];
            block[0] = static_cast<std::uint8_t>(BlockDomain::CheckNibble);
            block[1] = static_cast<std::uint8_t>(position);
            block[2] = static_cast<std::uint8_t>(symbol);
        }
    }
    aes.EncryptBlocks(blocks.data(), 2 * kSymbols);

    for (std::size_t position = 0; position < 2; ++position) {
        std::array<std::uint64_t, kSymbols> sortKey{};
        for (std::size_t symbol = 0; symbol < kSymbols; ++symbol) {
            const std::uint8_t* block = &blocks[(position * kSymbols + symbol) * kAesBlockSize];
            for (int i = 0; i < 8; ++i) sortKey[symbol] = (sortKey[symbol] << 8) | block[i];
        }
        std::array<std::uint8_t, kSymbols> order{};
        std::iota(order.begin(), order.end(), std::uint8_t{0});
        // Ties among 64-bit values are all but impossible; the stable sort
        // still makes the result well defined if one happens.
        std::stable_sort(order.begin(), order.end(),
                         [&](std::uint8_t a, std::uint8_t b) { return sortKey[a] < sortKey[b]; });
        for (std::size_t rank = 0; rank < kSymbols; ++rank) {
            result[position][order[rank]] = static_cast<std::uint8_t>(rank);
        }
    }
    return result;
}

}  // namespace cryptel
