#include "soak/CardCheck.h"

#include <algorithm>

#include "reader_link/ByteString.h"
#include "reader_link/SectorTrailer.h"

namespace soak {
namespace {

bool Reported(const std::vector<std::string>& texts, const std::string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

std::string SectorText(int sector) { return "sector " + std::to_string(sector); }

}  // namespace

std::vector<Violation> CheckCard(const sim::MifareCard& original, const sim::MifareCard& now, const InstallKeys& keys,
                                 const std::vector<std::string>& texts) {
    std::vector<Violation> found;
    bool changed = false;
    for (int s = 0; s < sim::MifareCard::kSectors; ++s) {
        if (now.Trailer(s) == original.Trailer(s)) continue;
        changed = true;
        if (std::find(kFormattedSectors.begin(), kFormattedSectors.end(), s) == kFormattedSectors.end())
            found.push_back({"other-sector-changed", SectorText(s) + " was rewritten"});
    }
    if (changed && texts.empty()) found.push_back({"changed-unreported", "trailers changed, no line printed"});

    const bool saidOk = Reported(texts, kOkText);
    const bool saidFormatted = Reported(texts, OutcomeMessage(InitOutcome::AlreadyInitialized));
    for (int s : kFormattedSectors) {
        const sim::TrailerBytes formatted = FormattedTrailer(keys, s);
        const sim::Key installKey = keys[s == kFormattedSectors[0] ? 0 : 1];
        const sim::TrailerBytes trailer = now.Trailer(s);
        if (saidOk && trailer != formatted)
            found.push_back({"ok-not-formatted", SectorText(s) + " reported ok, not formatted"});
        if (saidFormatted && now.KeyA(s) != installKey)
            found.push_back(
                {"formatted-without-key", SectorText(s) + " reported formatted, lacks the installation key"});

        const sim::Key a = now.KeyA(s), b = now.KeyB(s);
        const bool knownA = a == original.KeyA(s) || a == sim::kTransportKey || a == keys[0] || a == keys[1];
        const bool knownB = b == original.KeyB(s) || b == sim::Key(kTrailerKeyB);
        if (!knownA || !knownB) found.push_back({"unknown-key", SectorText(s) + " holds a key the tool does not know"});
        if (trailer != original.Trailer(s) && trailer != formatted)
            found.push_back({"mixed-trailer", SectorText(s) + " is neither as laid nor as the tool writes it: " +
                                                  HexDump(trailer.data() + 6, 4)});
    }
    return found;
}

}  // namespace soak
