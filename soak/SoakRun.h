// One soak run: the simulated reader with random faults, linked as a com port in a
// private port table; `cardfmt watch` on it as a child process; cards laid one after
// another, each checked once the tool is done with it.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "harness/TempConfigHome.h"
#include "sim/Prng.h"
#include "sim/SimReader.h"
#include "soak/CardCheck.h"
#include "soak/CardDeck.h"
#include "soak/SoakOptions.h"
#include "soak/Tally.h"
#include "soak/WatchProcess.h"

namespace soak {

class SoakRun {
public:
    SoakRun(const SoakOptions& options, std::uint64_t seed, const std::string& program);

    // Lays every card; false when the run could not be set up at all.
    bool Run();
    const Tally& Result() const { return tally_; }

private:
    using Clock = std::chrono::steady_clock;
    enum class End { Waiting, Reported, Left, Hung };
    // What happens to one card besides the reader's own faults.
    struct Disturbance {
        std::optional<Clock::duration> vanishAfter;
        Clock::duration vanishFor{};
        std::optional<Clock::duration> sigintAfter;
    };

    bool StartWatch();
    void PresentCard(long index);
    Disturbance DrawDisturbance(long index);
    void Vanish(Clock::duration outage);
    void InterruptAndRestart();
    void Restart(const std::string& why);
    void Collect();
    bool WatchHasPolled() const;
    bool BackToPolling(Clock::time_point since) const;
    void Judge(const SoakCard& card, bool clean);
    void FinalChecks();
    void Report(const std::string& kind, const std::string& detail);
    void ReportCard(std::uint32_t serial, const Violation& v);
    void DumpRecent();
    std::uint64_t FaultTotal() const;

    SoakOptions options_;
    std::uint64_t seed_;
    harness::TempConfigHome home_;
    sim::SimReader reader_;
    InstallKeys keys_{};
    CardDeck deck_;
    sim::Prng driver_;
    std::string errorLog_;
    WatchProcess watch_;
    std::set<long> sigintCards_;

    std::map<std::uint32_t, SoakCard> cards_;
    std::map<std::uint32_t, std::vector<std::string>> texts_;
    std::set<std::pair<std::uint32_t, std::string>> reported_;  // (serial, kind) already counted
    std::uint64_t faultsAtPreviousStart_ = 0;
    bool previousDisturbed_ = true;
    Tally tally_;
};

}  // namespace soak
