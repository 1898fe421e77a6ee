// Answers that trail behind their command.
//
// The reader answers its requests one after another, in the order they came, and
// no answer says which request it belongs to. When a command had to be sent more
// than once, the answer it took may belong to any of its sendings, and every other
// sending may still be answered: a slow reader that took a little over 2 s for the
// first sending answers the repeat it received meanwhile about as long after. Such
// an owed answer must not be taken by the next command: two status answers look
// alike, so a refused trailer write would pass for a good one.
//
// Neither counting answers nor reading them can tell which are owed: a sending may
// have been lost (nothing is owed for it), and an answer may come twice. What bounds
// them is time. The reader cannot have needed more for the answered request than
// the time since the first sending, T; it needs about as long for each request
// still queued behind it. So after a repeated command, and before the next one goes
// out, the link listens on: every byte that comes is thrown away, and the line must
// stay quiet for T plus half of T (the reader's pace varies) after the answer that
// was taken and after each burst that follows it. The whole wait is capped at three
// attempts' span after the answer. Nothing is handed to the reply buffer meanwhile:
// the receive worker stands still, and the command's caller reads the answer it got.
//
// A command sent once owes nothing and waits for nothing; a command that got no
// answer at all returns at once (a silent reader costs its three time-outs and no
// more), and what comes after is purged when the next command begins.
#pragma once

#include "reader_link/RecvClass.h"

#include <chrono>

namespace owed {

using Clock = std::chrono::steady_clock;

// Quiet needed after the taken answer and after each later burst, given how long
// the answer took since the first sending. Pure: any thread; raises nothing.
Clock::duration QuietNeeded(Clock::duration sinceFirstSending);
// The longest the listening lasts after the answer that was taken: three attempts'
// span of 2000 ms each.
inline constexpr long kLimitMs = 6000;
// How often the line is looked at while listening.
inline constexpr long kLookEveryMs = 5;

// Listens on after a repeated command until the line has been quiet long enough,
// throwing away what comes. `receiver` must stand still (StopReading). Raises nothing.
// Runs on the thread of the transaction that was repeated, before it returns.
void DropOwedAnswers(TRecvClass& receiver, Clock::time_point firstSending, Clock::time_point answered);

}  // namespace owed
