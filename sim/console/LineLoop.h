// The control loop of cardfmt-sim: lines from an input descriptor until told to
// stop. End of input is not a reason to stop, so the simulator can run in the
// background with its input at /dev/null.
#pragma once

#include <functional>
#include <string>

namespace sim {

// Longest control line accepted; a longer one is handed over as an empty line.
inline constexpr std::size_t kMaxControlLine = 4096;

// Calls `onLine` for each line read from `inputFd` (newline stripped, a trailing
// CR too) until `onLine` returns false or `stopFd` becomes readable. Returns
// true when stopped by `onLine`, false when by `stopFd` or a poll failure.
bool RunLineLoop(int inputFd, int stopFd, const std::function<bool(const std::string&)>& onLine);

}  // namespace sim
