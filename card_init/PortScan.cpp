#include "card_init/PortScan.h"

namespace {

// A silent port costs one time-out per command instead of three while scanning.
class ScanRetryCount {
public:
    explicit ScanRetryCount(TCommClass& comm) : comm_(comm) { comm_.SetRetryCount(1); }
    ~ScanRetryCount() { comm_.SetRetryCount(3); }

private:
    TCommClass& comm_;
};

void CountFailedOpen(const std::string& name, platform::OpenFailure failure, ScanPassReport& report) {
    if (failure == platform::OpenFailure::NoDevice) return;
    ++report.portsPresent;
    if (failure == platform::OpenFailure::AccessDenied) ++report.portsDenied;
    if (failure == platform::OpenFailure::InUse && report.firstHeld.empty()) report.firstHeld = name;
}

}  // namespace

std::optional<std::string> ScanForReader(TCommClass& comm, const PortScanHooks& hooks, int maxPasses) {
    ScanRetryCount retry(comm);
    for (int pass = 1; maxPasses <= 0 || pass <= maxPasses; ++pass) {
        ScanPassReport report;
        for (int n = kScanFirstPort; n <= kScanLastPort; ++n) {
            if (hooks.stopRequested && hooks.stopRequested()) return std::nullopt;
            const std::string name = "com" + std::to_string(n);
            if (hooks.trying) hooks.trying(name);
            if (comm.Connect(name)) {
                ++report.portsPresent;
                ++report.portsOpened;
                if (comm.ProbeReader()) return name;
                if (hooks.afterMiss) hooks.afterMiss();
                comm.Disconnect();
            } else {
                CountFailedOpen(name, comm.LastOpenFailure(), report);
                if (hooks.afterMiss) hooks.afterMiss();
            }
        }
        if (hooks.passEnded) hooks.passEnded(report);
    }
    return std::nullopt;
}
