// The port scan: tries com1 to com15 in turn, again and again, until a reader
// answers the probe or a stop is requested. The port where a reader answered stays
// open (and the link connected).
#pragma once

#include "reader_link/CommObjClas.h"

#include <functional>
#include <optional>
#include <string>

struct PortScanHooks {
    // Called with the port name before each attempt ("com3").
    std::function<void(const std::string& portName)> trying;
    // Called after a port that gave no reader: the window lets pending events run here.
    std::function<void()> afterMiss;
    // Polled at the top of each attempt.
    std::function<bool()> stopRequested;
};

inline constexpr int kScanFirstPort = 1;
inline constexpr int kScanLastPort = 15;

// Returns the port name where a reader answered, or nothing when stopped (or, with
// maxPasses > 0, after that many passes over all ports). The link's retry count is
// 1 during the scan and 3 afterwards, however the scan ends.
std::optional<std::string> ScanForReader(TCommClass& comm, const PortScanHooks& hooks, int maxPasses = 0);
