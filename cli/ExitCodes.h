// The exit codes of cardfmt, as its help states them.
#pragma once

inline constexpr int kExitOk = 0;
inline constexpr int kExitNegative = 1;  // no reader, a card message, no card
inline constexpr int kExitNoPort = 2;    // the port could not be opened
inline constexpr int kExitUsage = 2;     // a usage error: the same code as a port that did not open
