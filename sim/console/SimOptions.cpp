#include "sim/console/SimOptions.h"

#include "sim/console/HexText.h"

namespace sim {
namespace {

constexpr int kMaxDemoCards = 100000;

std::optional<int> ParseCount(const std::string& text) {
    if (text.empty() || text.size() > 6) return std::nullopt;
    int n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

}  // namespace

std::optional<SimOptions> ParseOptions(const std::vector<std::string>& args, std::string& error) {
    SimOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--pace") {
            options.pace = true;
        } else if (arg == "--link" && hasValue) {
            options.link = args[++i];
            if (options.link.empty() || options.link.find('/') != std::string::npos) {
                error = "--link wants a port name such as com3";
                return std::nullopt;
            }
        } else if (arg == "--card" && hasValue) {
            options.card = ParseSerial(args[++i]);
            if (!options.card) {
                error = "--card wants a serial of 1 to 8 hexadecimal digits";
                return std::nullopt;
            }
        } else if (arg == "--demo" && hasValue) {
            const std::optional<int> n = ParseCount(args[++i]);
            if (!n || *n < 1 || *n > kMaxDemoCards) {
                error = "--demo wants a number of cards from 1 to " + std::to_string(kMaxDemoCards);
                return std::nullopt;
            }
            options.demoCards = *n;
        } else if (arg == "--link" || arg == "--card" || arg == "--demo") {
            error = arg + " needs a value";
            return std::nullopt;
        } else {
            error = "unknown option " + arg;
            return std::nullopt;
        }
    }
    if (options.card && options.demoCards > 0) {
        error = "--card and --demo cannot be combined";
        return std::nullopt;
    }
    return options;
}

std::string UsageText() {
    return "usage: cardfmt-sim [--link comN] [--pace] [--card SERIALHEX | --demo N]\n"
           "\n"
           "Serves a simulated card reader on a pseudo-terminal and prints its path.\n"
           "  --link comN       also enter it in the port table as comN\n"
           "  --pace            answer at the real 9600-baud speed\n"
           "  --card SERIALHEX  start with a fresh card on the reader\n"
           "  --demo N          present N fresh cards one after another\n"
           "\n"
           "Commands on standard input, one answer line each:\n"
           "  place SERIALHEX [fresh]\n"
           "  place SERIALHEX [key5=HEX12] [key6=HEX12] [acc5=HEX8] [acc6=HEX8]\n"
           "  remove | dump [SERIALHEX] | signals | exchanges | silent on|off | quit\n"
           "  link comN | unplug | replug [comN]\n";
}

}  // namespace sim
