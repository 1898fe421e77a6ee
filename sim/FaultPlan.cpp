#include "sim/FaultPlan.h"

namespace sim {

RequestFate FaultPlan::Next() {
    RequestFate fate;
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
    fate.delayMs = delayMs_;
    delayMs_ = 0;
    return fate;
}

}  // namespace sim
