#include "sim/FaultPlan.h"

#include <algorithm>

namespace sim {

void FaultPlan::DelayReplies(const std::vector<int>& ms) {
    delays_.clear();
    for (int d : ms) delays_.push_back(std::max(d, 0));
}

void FaultPlan::DelayRepliesTo(std::uint8_t command, int ms) {
    if (ms > 0)
        commandDelays_[command] = ms;
    else
        commandDelays_.erase(command);
}

void FaultPlan::DuplicateNext(int count, int gapMs) {
    duplicate_ = count > 0 ? count : 0;
    duplicateGapMs_ = std::max(gapMs, 0);
}

RequestFate FaultPlan::Next(int command) {
    RequestFate fate;
    fate.echoed = echoRequests_;
    if (removeAfter_ > 0) fate.removeCard = --removeAfter_ == 0;
    if (silent_ || ignore_ > 0) {
        if (!silent_) --ignore_;
        fate.execute = fate.answer = false;
        return fate;
    }
    if (corrupt_ > 0) {
        --corrupt_;
        fate.corrupt = true;
    }
    if (pretend_ > 0) {
        --pretend_;
        fate.pretend = true;
    }
    if (!delays_.empty()) {
        fate.delayMs = delays_.front();
        delays_.pop_front();
    }
    if (command >= 0) {
        const auto it = commandDelays_.find(static_cast<std::uint8_t>(command));
        if (it != commandDelays_.end()) fate.delayMs += it->second;
    }
    if (duplicate_ > 0) {
        --duplicate_;
        fate.duplicateGapMs = duplicateGapMs_;
    }
    return fate;
}

}  // namespace sim
