#include "card_init/CardTally.h"

void CardTally::Count(std::optional<InitOutcome> outcome, bool again) {
    if (again && last_ != None)
        --counts_[last_];
    else
        ++seen_;
    last_ = !outcome                                       ? Failed
            : *outcome == InitOutcome::Ok                  ? Formatted
            : *outcome == InitOutcome::AlreadyInitialized ? Already
                                                           : Failed;
    ++counts_[last_];
}

std::string CardTally::Summary() const {
    return std::to_string(seen_) + (seen_ == 1 ? " card seen, " : " cards seen, ") + std::to_string(counts_[Formatted]) +
           " formatted, " + std::to_string(counts_[Already]) + " already initialized, " +
           std::to_string(counts_[Failed]) + " failed";
}
