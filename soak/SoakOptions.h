// Command line of cardfmt-soak.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/RandomFaults.h"

namespace soak {

struct SoakOptions {
    long cards = 500;
    std::uint64_t seed = 0;
    bool seedGiven = false;
    bool pace = false;  // replies at 9600 baud instead of at once
    sim::FaultRates rates;
    double vanishChance = 0.015;  // per card: the reader's adapter is unplugged for a while
    long sigintStops = -1;        // -1: a few, by the number of cards
    bool quiet = false;
    bool trace = false;  // cardfmt runs with --trace; its last lines show with a violation
};

sim::FaultRates DefaultRates();
// How many SIGINT stops a run of `cards` gets unless told.
long DefaultSigintStops(long cards);

std::optional<SoakOptions> ParseSoakOptions(const std::vector<std::string>& args, std::string& error);
std::string SoakUsage();

}  // namespace soak
