// What a soak run counts, and the table printed at its end.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <ostream>
#include <string>

#include "sim/RandomFaults.h"

namespace soak {

struct Tally {
    std::uint64_t seed = 0;
    bool pace = false;
    long cards = 0;
    std::map<std::string, long> cardKinds;
    sim::FaultCounts faults;
    long vanishes = 0;
    long sigintStops = 0;
    std::chrono::milliseconds longestStop{0};
    long restarts = 0;                     // after a crash or a hang
    std::map<std::string, long> outcomes;  // first text per card, or "(no report)"
    long cleanCards = 0;                   // cards that met no fault at all
    long lines = 0;
    std::map<std::string, long> violations;
    std::chrono::milliseconds elapsed{0};

    long ViolationCount() const;
};

inline constexpr const char* kNoReport = "(no report)";

void PrintSummary(std::ostream& out, const Tally& tally);

}  // namespace soak
