// How long the tool may take, derived from the link's own time-outs: every
// command waits 2 s for its reply and is tried 3 times.
#pragma once

#include <chrono>

#include "reader_link/CommObjClas.h"
#include "reader_link/OwedAnswers.h"

namespace soak {

using namespace std::chrono_literals;

inline constexpr auto kReplyWait = std::chrono::milliseconds(TCommClass::kReplyTimeoutMs + 1);
inline constexpr int kAttempts = 3;  // the link's retry count outside the port scan
// A command whose answer comes at its last attempt: every attempt waits in full
// (plus the time its request takes to go out), and then the link listens for the
// answers still owed to the earlier sendings.
inline constexpr auto kCommandLimit = kAttempts * (kReplyWait + 100ms) + std::chrono::milliseconds(owed::kLimitMs);
// Per card: the poll's two commands and at most twelve of the card procedure
// (per sector: authenticate, wake, read the serial, authenticate again, write;
// then two signals).
inline constexpr int kCommandsPerCard = 14;
// A card ends (its line is printed, or the tool has gone back to polling) within this.
inline constexpr auto kCardLimit = kCommandsPerCard * kCommandLimit + 5s;
// SIGINT: the card in progress is finished, then the closing signal goes out.
inline constexpr auto kStopLimit = kCardLimit + kCommandLimit;
// After an unplugged reader comes back, the tool may take this long to reopen it.
inline constexpr auto kReconnectSlack = 3s;
// Until a freshly started tool polls the reader.
inline constexpr auto kStartLimit = 15s;

}  // namespace soak
