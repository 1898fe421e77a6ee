// Key material must not linger in freed or reused memory.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace cryptel {

// Overwrites `count` bytes with zeros in a way the optimiser may not drop.
void WipeBytes(void* data, std::size_t count);

// A fixed-size byte buffer for secrets that wipes itself when it goes away.
template <std::size_t N>
struct SecretBytes {
    std::array<std::uint8_t, N> bytes{};

    SecretBytes() = default;
    SecretBytes(const SecretBytes&) = delete;
    SecretBytes& operator=(const SecretBytes&) = delete;
    ~SecretBytes() { WipeBytes(bytes.data(), bytes.size()); }
};

}  // namespace cryptel
