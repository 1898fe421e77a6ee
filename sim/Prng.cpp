#include "sim/Prng.h"

namespace sim {

std::uint64_t Prng::Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint64_t Prng::Below(std::uint64_t bound) {
    if (bound == 0) return 0;
    // Rejects the top sliver that would favour small results.
    const std::uint64_t limit = ~std::uint64_t{0} - (~std::uint64_t{0} % bound + 1) % bound;
    for (;;) {
        const std::uint64_t x = Next();
        if (x <= limit) return x % bound;
    }
}

std::int64_t Prng::Between(std::int64_t lo, std::int64_t hi) {
    if (hi <= lo) return lo;
    const std::uint64_t span = static_cast<std::uint64_t>(hi) - static_cast<std::uint64_t>(lo);
    if (span == ~std::uint64_t{0}) return static_cast<std::int64_t>(Next());
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(lo) + Below(span + 1));
}

bool Prng::Chance(double p) {
    if (p <= 0) return false;
    if (p >= 1) return true;
    // 53 random bits as a double in [0, 1).
    return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0) < p;
}

std::uint64_t Prng::Derive(std::uint64_t seed, std::uint64_t label) {
    Prng mix(seed ^ (label * 0xD1B54A32D192ED03ull));
    mix.Next();
    return mix.Next();
}

}  // namespace sim
