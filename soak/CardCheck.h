// What must hold for a card once the tool is done with it, whatever happened on
// the line: judged from the card as it was laid, as it is now, and every text the
// tool printed for its serial.
#pragma once

#include <string>
#include <vector>

#include "sim/MifareCard.h"
#include "soak/CardDeck.h"

namespace soak {

struct Violation {
    std::string kind;    // short name, counted in the summary
    std::string detail;  // for the log
};

// The text of a line that reports success.
inline constexpr const char* kOkText = "ok";

std::vector<Violation> CheckCard(const sim::MifareCard& original, const sim::MifareCard& now, const InstallKeys& keys,
                                 const std::vector<std::string>& texts);

}  // namespace soak
