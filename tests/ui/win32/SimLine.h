// The simulated reader's control line as a program under wine sees it: the
// script that runs the test serves cardfmt-sim natively, feeds it every line
// appended to a commands file and collects its answers in an answers file.
// CARDFMT_SIM_COMMANDS and CARDFMT_SIM_ANSWERS name the two files.
#pragma once

#include <optional>
#include <string>

namespace harness {

class SimLine {
public:
    // Nothing when the environment names no simulated reader.
    static std::optional<SimLine> FromEnvironment();

    // Sends one command and returns its answer line ("" after 10 s without one).
    std::string Command(const std::string& line) const;

private:
    SimLine(std::string commands, std::string answers) : commands_(std::move(commands)), answers_(std::move(answers)) {}
    std::string commands_;
    std::string answers_;
};

}  // namespace harness
