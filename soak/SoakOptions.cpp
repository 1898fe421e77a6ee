#include "soak/SoakOptions.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace soak {
namespace {

bool ParseCount(const std::string& text, long& out) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    out = std::strtol(text.c_str(), nullptr, 10);
    return errno == 0 && out > 0;
}

bool ParseSeed(const std::string& text, std::uint64_t& out) {
    if (text.empty() || text[0] == '-') return false;
    char* end = nullptr;
    errno = 0;
    out = std::strtoull(text.c_str(), &end, 0);
    return errno == 0 && end && *end == '\0';
}

bool ParseChance(const std::string& text, double& out) {
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && end && *end == '\0' && out >= 0 && out <= 1;
}

// "late-reply=0.01" or "vanish=0.05".
bool ParseRate(const std::string& text, SoakOptions& options) {
    const auto eq = text.find('=');
    if (eq == std::string::npos) return false;
    const std::string name = text.substr(0, eq);
    double chance = 0;
    if (!ParseChance(text.substr(eq + 1), chance)) return false;
    if (name == "vanish") {
        options.vanishChance = chance;
        return true;
    }
    for (std::size_t k = 0; k < sim::kFaultKinds; ++k) {
        if (name == sim::FaultKindName(static_cast<sim::FaultKind>(k))) {
            options.rates.chance[k] = chance;
            return true;
        }
    }
    return false;
}

// "2100-3000": the range of a late reply's delay in milliseconds.
bool ParseRange(const std::string& text, int& lo, int& hi) {
    const auto dash = text.find('-');
    long a = 0, b = 0;
    if (dash == std::string::npos || !ParseCount(text.substr(0, dash), a) || !ParseCount(text.substr(dash + 1), b))
        return false;
    if (a > b || b > 600'000) return false;
    lo = static_cast<int>(a);
    hi = static_cast<int>(b);
    return true;
}

}  // namespace

sim::FaultRates DefaultRates() {
    using sim::FaultKind;
    sim::FaultRates rates;
    rates[FaultKind::LostByte] = 0.004;
    rates[FaultKind::FlippedByte] = 0.004;
    rates[FaultKind::LateReply] = 0.003;
    rates[FaultKind::GarbageInside] = 0.004;
    rates[FaultKind::GarbageAfter] = 0.004;
    rates[FaultKind::DuplicateReply] = 0.006;
    rates[FaultKind::LateRepeat] = 0.002;
    rates[FaultKind::CardTaken] = 0.004;
    rates[FaultKind::Echo] = 0.004;
    rates[FaultKind::SlowRepeat] = 0.002;
    rates[FaultKind::FlippedLength] = 0.004;
    rates[FaultKind::EchoedRequest] = 0.004;
    rates.bigGarbage = 0.2;
    return rates;
}

long DefaultSigintStops(long cards) { return std::max(3L, cards / 100); }

std::optional<SoakOptions> ParseSoakOptions(const std::vector<std::string>& args, std::string& error) {
    SoakOptions options;
    options.rates = DefaultRates();
    bool cardsGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const auto value = [&]() -> const std::string* {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return nullptr;
            }
            return &args[++i];
        };
        if (a == "--seed") {
            const std::string* v = value();
            if (!v) return std::nullopt;
            if (!ParseSeed(*v, options.seed)) {
                error = "--seed takes a whole number, not '" + *v + "'";
                return std::nullopt;
            }
            options.seedGiven = true;
        } else if (a == "--rate") {
            const std::string* v = value();
            if (!v) return std::nullopt;
            if (!ParseRate(*v, options)) {
                error = "--rate takes KIND=CHANCE with a chance from 0 to 1, not '" + *v + "'";
                return std::nullopt;
            }
        } else if (a == "--late") {
            const std::string* v = value();
            if (!v) return std::nullopt;
            if (!ParseRange(*v, options.rates.lateMinMs, options.rates.lateMaxMs)) {
                error = "--late takes MIN-MAX in milliseconds, not '" + *v + "'";
                return std::nullopt;
            }
        } else if (a == "--sigint") {
            const std::string* v = value();
            if (!v) return std::nullopt;
            if (*v == "0") {
                options.sigintStops = 0;
            } else if (!ParseCount(*v, options.sigintStops)) {
                error = "--sigint takes a count, not '" + *v + "'";
                return std::nullopt;
            }
        } else if (a == "--no-faults") {
            options.rates.chance.fill(0.0);
            options.vanishChance = 0;
        } else if (a == "--pace") {
            options.pace = true;
        } else if (a == "--fast") {
            options.pace = false;
        } else if (a == "--trace") {
            options.trace = true;
        } else if (a == "--quiet") {
            options.quiet = true;
        } else if (!a.empty() && a[0] != '-' && !cardsGiven) {
            if (!ParseCount(a, options.cards)) {
                error = "the number of cards must be a positive whole number, not '" + a + "'";
                return std::nullopt;
            }
            cardsGiven = true;
        } else {
            error = "unknown argument '" + a + "'";
            return std::nullopt;
        }
    }
    if (options.sigintStops < 0) options.sigintStops = DefaultSigintStops(options.cards);
    return options;
}

std::string SoakUsage() {
    // The kinds, wrapped under the option's text.
    std::string kinds;
    std::size_t lineLength = 0;
    for (std::size_t k = 0; k < sim::kFaultKinds; ++k) {
        const std::string name = sim::FaultKindName(static_cast<sim::FaultKind>(k));
        if (lineLength > 0 && lineLength + 1 + name.size() > 52) {
            kinds += "\n                           ";
            lineLength = 0;
        }
        kinds += " " + name;
        lineLength += 1 + name.size();
    }
    return "Usage: cardfmt-soak [CARDS] [--seed N] [--fast | --pace] [--rate KIND=CHANCE]... [--no-faults]\n"
           "                    [--late MIN-MAX] [--sigint N] [--trace] [--quiet]\n"
           "\n"
           "Runs 'cardfmt watch' against the simulated reader, lays CARDS cards (default 500)\n"
           "one after another while the reader misbehaves at random, and checks after every\n"
           "card what the tool printed against what is on the card.\n"
           "\n"
           "  --seed N           replay a run (the seed is printed at the start)\n"
           "  --fast             the reader answers at once (default)\n"
           "  --pace             the reader answers at the line's real 9600 baud\n"
           "  --rate KIND=P      chance per reply of a fault kind, or vanish=P per card;\n"
           "                     kinds:" +
           kinds +
           "\n"
           "  --no-faults        no faults at all (a control run)\n"
           "  --late MIN-MAX     delay of a late reply in ms (default 2100-3000: caught by a retry)\n"
           "  --sigint N         stop and restart the tool with SIGINT N times (default: cards/100, at least 3)\n"
           "  --trace            run cardfmt with --trace; a violation shows its last frames\n"
           "  --quiet            no progress lines\n"
           "\n"
           "Exit codes: 0 no violation; 1 a violation or a hang; 2 usage error or no setup.\n";
}

}  // namespace soak
