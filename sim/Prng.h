// A small seeded generator (SplitMix64) for everything a soak run draws: faults,
// cards, moments. The same seed gives the same numbers on any machine and with any
// standard library, which std:: distributions do not promise.
#pragma once

#include <cstdint>

namespace sim {

class Prng {
public:
    explicit Prng(std::uint64_t seed = 0) : state_(seed) {}

    std::uint64_t Next();
    // Uniform in 0..bound-1; 0 when bound is 0.
    std::uint64_t Below(std::uint64_t bound);
    // Uniform in lo..hi (both included); lo when hi < lo.
    std::int64_t Between(std::int64_t lo, std::int64_t hi);
    // True with probability p (never for p <= 0, always for p >= 1).
    bool Chance(double p);

    // The seed of an independent stream for `label` under `seed`, so that one
    // part of a run draws the same whatever the other parts drew.
    static std::uint64_t Derive(std::uint64_t seed, std::uint64_t label);

private:
    std::uint64_t state_;
};

}  // namespace sim
