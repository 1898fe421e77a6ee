#include "card_init/PortScan.h"

namespace {

void CountFailedOpen(const std::string& name, platform::OpenFailure failure, ScanPassReport& report) {
    if (failure == platform::OpenFailure::NoDevice) return;
    ++report.portsPresent;
    if (failure == platform::OpenFailure::AccessDenied) ++report.portsDenied;
    if (failure == platform::OpenFailure::InUse && report.firstHeld.empty()) report.firstHeld = name;
}

}  // namespace

ScanAttempt TryScanPort(TCommClass& comm, const std::string& name, ScanPassReport& report) {
    if (!comm.Connect(name)) {
        CountFailedOpen(name, comm.LastOpenFailure(), report);
        return ScanAttempt::Missed;
    }
    ++report.portsPresent;
    ++report.portsOpened;
    return comm.ProbeReader() ? ScanAttempt::Found : ScanAttempt::MissedOpen;
}

std::optional<std::string> ScanForReader(TCommClass& comm, const PortScanHooks& hooks, int maxPasses) {
    ScanRetries retries(comm);
    for (int pass = 1; maxPasses <= 0 || pass <= maxPasses; ++pass) {
        ScanPassReport report;
        for (int n = kScanFirstPort; n <= kScanLastPort; ++n) {
            if (hooks.stopRequested && hooks.stopRequested()) return std::nullopt;
            const std::string name = ScanPortName(n);
            if (hooks.trying) hooks.trying(name);
            const ScanAttempt attempt = TryScanPort(comm, name, report);
            if (attempt == ScanAttempt::Found) return name;
            if (hooks.afterMiss) hooks.afterMiss();
            if (attempt == ScanAttempt::MissedOpen) comm.Disconnect();
        }
        if (hooks.passEnded) hooks.passEnded(report);
    }
    return std::nullopt;
}
