#include "card_init/PortScan.h"

namespace {

void CountFailedOpen(const std::string& name, platform::OpenFailure failure, ScanPassReport& report) {
    if (failure == platform::OpenFailure::NoDevice) return;
    ++report.portsPresent;
    if (failure == platform::OpenFailure::AccessDenied) ++report.portsDenied;
    if (failure == platform::OpenFailure::InUse && report.firstHeld.empty()) report.firstHeld = name;
}

}  // namespace

bool TryScanPort(TCommClass& comm, const std::string& name, ScanPassReport& report,
                 const std::function<void()>& afterMiss) {
    if (comm.Connect(name)) {
        ++report.portsPresent;
        ++report.portsOpened;
        if (comm.ProbeReader()) return true;
        if (afterMiss) afterMiss();
        comm.Disconnect();
    } else {
        CountFailedOpen(name, comm.LastOpenFailure(), report);
        if (afterMiss) afterMiss();
    }
    return false;
}

std::optional<std::string> ScanForReader(TCommClass& comm, const PortScanHooks& hooks, int maxPasses) {
    ScanRetries retries(comm);
    for (int pass = 1; maxPasses <= 0 || pass <= maxPasses; ++pass) {
        ScanPassReport report;
        for (int n = kScanFirstPort; n <= kScanLastPort; ++n) {
            if (hooks.stopRequested && hooks.stopRequested()) return std::nullopt;
            const std::string name = ScanPortName(n);
            if (hooks.trying) hooks.trying(name);
            if (TryScanPort(comm, name, report, hooks.afterMiss)) return name;
        }
        if (hooks.passEnded) hooks.passEnded(report);
    }
    return std::nullopt;
}
