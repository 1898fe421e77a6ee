#include "soak/Tally.h"

#include <cstdio>

namespace soak {
namespace {

// Control characters in a printed text would hide in the table: shown as \xNN.
std::string Visible(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

void Row(std::ostream& out, long count, const std::string& label) {
    char number[32];
    std::snprintf(number, sizeof number, "%8ld", count);
    out << number << "  " << Visible(label) << '\n';
}

}  // namespace

long Tally::ViolationCount() const {
    long n = 0;
    for (const auto& [kind, count] : violations) n += count;
    return n;
}

void PrintSummary(std::ostream& out, const Tally& t) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f s", static_cast<double>(t.elapsed.count()) / 1000.0);
    out << "\n== cardfmt soak: seed " << t.seed << ", " << t.cards << " cards, "
        << (t.pace ? "9600-baud pacing" : "fast replies") << ", " << seconds << " ==\n";

    out << "cards laid\n";
    Row(out, t.cards, "in all");
    for (const auto& [kind, count] : t.cardKinds) Row(out, count, kind);

    out << "faults injected\n";
    for (std::size_t k = 0; k < sim::kFaultKinds; ++k)
        Row(out, static_cast<long>(t.faults.byKind[k]), sim::FaultKindName(static_cast<sim::FaultKind>(k)));
    Row(out, static_cast<long>(t.faults.bigBursts), "  of the garbage: bursts over 2048 bytes");
    Row(out, t.vanishes, "device-vanished (unplugged, back later)");
    Row(out, t.sigintStops, "sigint-stops (longest " + std::to_string(t.longestStop.count()) + " ms)");
    if (t.restarts) Row(out, t.restarts, "restarts after a crash or hang");

    out << "outcomes (first line per card)\n";
    for (const auto& [text, count] : t.outcomes) Row(out, count, text);
    Row(out, t.lines, "lines printed in all");
    Row(out, t.cleanCards, "cards that met no fault (each must get its expected outcome)");

    out << "invariant violations\n";
    Row(out, t.ViolationCount(), "in all");
    for (const auto& [kind, count] : t.violations) Row(out, count, kind);
    out << (t.ViolationCount() == 0 ? "PASS" : "FAIL") << " (replay: --seed " << t.seed << ")\n";
}

}  // namespace soak
