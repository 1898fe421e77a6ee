// The port scan: tries com1 to com15 in turn, again and again, until a reader
// answers the probe or a stop is requested. The port where a reader answered stays
// open (and the link connected).
#pragma once

#include "card_init/ScanTexts.h"
#include "reader_link/CommObjClas.h"

#include <functional>
#include <optional>
#include <string>

// What one whole pass over com1..com15 met, for a pass that found no reader.
struct ScanPassReport {
    int portsPresent = 0;  // ports whose device is there (opened or not)
    int portsDenied = 0;   // of those, the ones this user may not open
    int portsOpened = 0;   // of those, the ones that opened (and gave no reader)
    // The first port there that another program held ("" when none). No port answered
    // in this pass, so a held port is where the reader most likely is: the water-control
    // software, or a second copy of this tool, has it open.
    std::string firstHeld;

    // Every port that is there refused this user: on Linux, a user outside the group
    // of the serial devices, for whom the scan would go on finding nothing.
    bool AllPresentDenied() const { return portsPresent > 0 && portsDenied == portsPresent; }
};

struct PortScanHooks {
    // Called with the port name before each attempt ("com3").
    std::function<void(const std::string& portName)> trying;
    // Called after a port that gave no reader: the window lets pending events run here.
    std::function<void()> afterMiss;
    // Polled at the top of each attempt.
    std::function<bool()> stopRequested;
    // Called after each whole pass that found no reader.
    std::function<void(const ScanPassReport& report)> passEnded;
};

inline constexpr int kScanFirstPort = 1;
inline constexpr int kScanLastPort = 15;

// The name the scan gives port n: "com3".
inline std::string ScanPortName(int n) { return "com" + std::to_string(n); }

// While it lives, a silent port costs one time-out per command instead of three;
// the link is back at three attempts afterwards.
class ScanRetries {
public:
    explicit ScanRetries(TCommClass& comm) : comm_(comm) { comm_.SetRetryCount(1); }
    ~ScanRetries() { comm_.SetRetryCount(3); }
    ScanRetries(const ScanRetries&) = delete;
    ScanRetries& operator=(const ScanRetries&) = delete;

private:
    TCommClass& comm_;
};

// One attempt of the scan: connects to the port and probes it. Found: a reader
// answered (the port stays open, the link connected). MissedOpen: the port opened
// but gave no reader; it is still open, and the caller closes it (Disconnect).
// Missed: the port did not open. `report` counts what the port was. Retries are
// the caller's (ScanRetries).
enum class ScanAttempt { Found, MissedOpen, Missed };
ScanAttempt TryScanPort(TCommClass& comm, const std::string& name, ScanPassReport& report);

// Returns the port name where a reader answered, or nothing when stopped (or, with
// maxPasses > 0, after that many passes over all ports). The link's retry count is
// 1 during the scan and 3 afterwards, however the scan ends.
std::optional<std::string> ScanForReader(TCommClass& comm, const PortScanHooks& hooks, int maxPasses = 0);
