// cardfmt-soak: `cardfmt watch` against the simulated reader while the reader
// misbehaves at random, card after card; exits non-zero on any violation.
#include <signal.h>

#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "soak/SoakOptions.h"
#include "soak/SoakRun.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            std::cout << soak::SoakUsage();
            return 0;
        }
    }
    std::string error;
    const auto options = soak::ParseSoakOptions(args, error);
    if (!options) {
        std::cerr << "cardfmt-soak: " << error << "\n\n" << soak::SoakUsage();
        return 2;
    }
    // The child's pipe may close under us when it dies; that is a finding, not our end.
    signal(SIGPIPE, SIG_IGN);

    std::uint64_t seed = options->seed;
    if (!options->seedGiven) {
        std::random_device device;
        seed = (static_cast<std::uint64_t>(device()) << 32) ^ device();
    }
    std::cerr << "soak: seed " << seed << " (replay with --seed " << seed << "), " << options->cards << " cards, "
              << (options->pace ? "9600-baud pacing" : "fast replies") << '\n';

    soak::SoakRun run(*options, seed, CARDFMT_PROGRAM);
    if (!run.Run()) {
        soak::PrintSummary(std::cout, run.Result());
        return 2;
    }
    soak::PrintSummary(std::cout, run.Result());
    return run.Result().ViolationCount() == 0 ? 0 : 1;
}
