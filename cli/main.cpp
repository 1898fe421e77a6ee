// cardfmt: formats water-control IC cards from the command line.
#include "cli/CliSupport.h"
#include "cli/Commands.h"

#include <functional>
#include <map>

namespace {

const char* kUsage = R"(Usage: cardfmt COMMAND [OPTIONS]

Formats MIFARE Classic cards for the water-control installation: sectors 5 and 6
get the installation's own keys. The reader sits on a serial port.

Commands:
  probe --port PORT [--trace]            ask whether a reader answers on PORT
  init  --port PORT [--trace]            format the card lying on the reader
  watch --port PORT [--cards N] [--trace]
                                         format every card laid on the reader
  scan  [--passes N] [--quiet] [--trace] find the port where a reader answers

PORT is com1..com15 or a device path. On Linux comN is the entry comN of
~/.config/cardfmt/ports/ (a symlink to a device) when present, else the N-th
serial device among /dev/ttyUSB*, /dev/ttyACM*, /dev/ttyS*.

--trace writes every frame sent and accepted to stderr (keys are masked).

Examples:
  cardfmt probe --port com3
  cardfmt init --port /dev/ttyUSB0
  cardfmt watch --port com3 --cards 20
  cardfmt scan --passes 1

Exit codes: 0 success; 1 no reader, no card or a card message; 2 the port
could not be opened, or a usage error.
Run 'cardfmt COMMAND --help' for the details of one command.
)";

const std::map<std::string, std::string> kCommandHelp = {
    {"probe", R"(Usage: cardfmt probe --port PORT [--trace]

Opens PORT, sends the reader probe and closes the port again.
Prints "PORT reader answered" or "PORT no reader answered".

Example: cardfmt probe --port com3 --trace
Exit codes: 0 a reader answered; 1 no reader answered; 2 the port could not be opened.
)"},
    {"init", R"(Usage: cardfmt init --port PORT [--trace]

Formats the card lying on the reader: sectors 5 and 6 get the installation keys.
Prints one line: "SERIAL ok", or "SERIAL MESSAGE" with the operator's message
(for instance "1234ABCD 该卡已初始化。"), or "请放置IC卡" when no card lies there;
when nothing answers on PORT it says "no reader answers on PORT" on stderr.

Example: cardfmt init --port com3
Exit codes: 0 formatted; 1 a message, no card or no reader; 2 the port could not be opened.
)"},
    {"watch", R"(Usage: cardfmt watch --port PORT [--cards N] [--trace]

Polls the reader every 100 ms and formats every newly presented card, printing
one line per card as "init" does. Stops after N cards, or on Ctrl+C / SIGTERM
(the reader gets its closing signal before the port is closed). When the reader
goes away (an unplugged adapter) or answers nothing, it says so on stderr and waits
for it to come back.

Example: cardfmt watch --port com3 --cards 50
Exit codes: 0 stopped normally; 2 the port could not be opened.
)"},
    {"scan", R"(Usage: cardfmt scan [--passes N] [--quiet] [--trace]

Tries com1 to com15 in turn, over and over, until a reader answers the probe.
Prints "comN DEVICE" for that port. Progress goes to stderr unless --quiet.
With --passes N it gives up after N passes; Ctrl+C stops it.

Example: cardfmt scan --passes 2
Exit codes: 0 a reader was found; 1 none was found or the scan was stopped.
)"},
};

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintLine(kUsage);
        return args.empty() ? kExitNoPort : kExitOk;
    }
    const std::string command = args[0];
    args.erase(args.begin());
    const std::map<std::string, std::function<int(const std::vector<std::string>&)>> commands = {
        {"probe", ProbeCommand}, {"init", InitCommand}, {"watch", WatchCommand}, {"scan", ScanCommand}};
    auto it = commands.find(command);
    if (it == commands.end()) {
        PrintError("cardfmt: unknown command '" + command + "'");
        PrintError("Try 'cardfmt --help'.");
        return kExitNoPort;
    }
    for (const auto& a : args)
        if (a == "--help" || a == "-h") {
            PrintLine(kCommandHelp.at(command));
            return kExitOk;
        }
    return it->second(args);
}
