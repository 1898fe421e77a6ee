// Command line of cardfmt-sim.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim {

struct SimOptions {
    std::string link;  // comN entry to make, "" for none
    bool pace = false;
    std::optional<std::uint32_t> card;  // fresh card on the reader from the start
    int demoCards = 0;
    bool help = false;
};

// `args` without the program name. Nothing, with `error` set, on bad input.
std::optional<SimOptions> ParseOptions(const std::vector<std::string>& args, std::string& error);

std::string UsageText();

}  // namespace sim
