#include "card_init/PortScan.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"

int ScanCommand(const std::vector<std::string>& args) {
    Options options(args, {"--passes"}, {"--trace", "--quiet"});
    auto passes = options.Count("--passes");
    if (!options.Error().empty()) return UsageError("scan", options.Error());
    ApplyTrace(options);
    InstallStopSignals();

    TCommClass comm;
    PortScanHooks hooks;
    if (!options.Has("--quiet")) hooks.trying = [](const std::string& name) { PrintError(ScanTryingText(name)); };
    // Not progress but the likely reason the scan finds nothing: said even with --quiet.
    bool heldTold = false;
    hooks.passEnded = [&heldTold](const ScanPassReport& report) {
        if (heldTold || report.firstHeld.empty()) return;
        heldTold = true;
        PrintError(report.firstHeld + " is held by another program (the water-control software, or another cardfmt?)");
    };
    hooks.stopRequested = StopSignalled;
    auto found = ScanForReader(comm, hooks, passes ? static_cast<int>(*passes) : 0);
    if (!found) {
        PrintError(StopSignalled() ? kScanUserStoppedText : "no reader answered on com1 to com15");
        return kExitNegative;
    }
    PrintLine(*found + " " + comm.LastOpenDevice());
    comm.Disconnect();
    return kExitOk;
}
