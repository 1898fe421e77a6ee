// The counts of a watch at its end: cards seen, formatted, already initialized,
// failed. A card is counted once: when its run was cut short by an error and the
// same card is run again, the later outcome takes the place of the earlier one.
#pragma once

#include "card_init/CardInit.h"

#include <optional>
#include <string>

class CardTally {
public:
    // `outcome` nothing: the run was cut short by a link error. `again`: the same
    // card as the last one counted, run anew after such an error.
    void Count(std::optional<InitOutcome> outcome, bool again);
    // "N cards seen, N formatted, N already initialized, N failed"
    std::string Summary() const;

private:
    enum Kind { Formatted, Already, Failed, None };
    long seen_ = 0;
    long counts_[3] = {0, 0, 0};
    Kind last_ = None;
};
