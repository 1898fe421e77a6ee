#include "reader_link/OwedAnswers.h"

#include "platform/Clock.h"

namespace owed {

Clock::duration QuietNeeded(Clock::duration sinceFirstSending) { return sinceFirstSending + sinceFirstSending / 2; }

void DropOwedAnswers(TRecvClass& receiver, Clock::time_point firstSending, Clock::time_point answered) {
    const Clock::duration quiet = QuietNeeded(answered - firstSending);
    const Clock::time_point limit = answered + std::chrono::milliseconds(kLimitMs);
    Clock::time_point lastHeard = answered;
    for (;;) {
        const long dropped = receiver.DropQueued();
        const Clock::time_point now = Clock::now();
        if (dropped < 0) break;  // the port is gone: nothing more can come
        if (dropped > 0) lastHeard = now;
        if (now - lastHeard >= quiet || now >= limit) break;
        platform::SleepMs(kLookEveryMs);
    }
    receiver.DiscardStale();
}

}  // namespace owed
