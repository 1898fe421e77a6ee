// cardfmt: formats water-control IC cards from the command line.
#include "cli/CliSupport.h"
#include "cli/Commands.h"

#include <algorithm>
#include <iterator>

namespace {

const char* kUsageHead = R"(Usage: cardfmt COMMAND [OPTIONS]

Formats MIFARE Classic cards for the water-control installation: sectors 5 and 6
get the installation's own keys. The reader sits on a serial port.

Commands:
)";

const char* kUsageTail = R"(
PORT is com1..com15 or a device path. On Linux comN is the entry comN of
~/.config/cardfmt/ports/ (a symlink to a device) when present, else the N-th
serial device among /dev/ttyUSB*, /dev/ttyACM*, /dev/ttyS*.

--trace writes every frame sent and accepted to stderr (keys are masked).
Every card is verified before it counts as formatted: the card is selected again,
both sectors must open with the installation keys, and it is selected once more.
--no-verify leaves that out (about 0.3 s a card less), at a risk: a reader that
answers a command twice or very late can then make a refused write pass for "ok".

Examples:
  cardfmt probe --port com3
  cardfmt init --port /dev/ttyUSB0
  cardfmt watch --port com3 --cards 20
  cardfmt scan --passes 1
  cardfmt check --port com3
  cardfmt reset --port com3 --force

Exit codes: 0 success; 1 no reader, no card or a card message; 2 the port
could not be opened, or a usage error (check and reset state theirs).
Run 'cardfmt COMMAND --help' for the details of one command.
)";

// One row per subcommand: its name, what runs it, its lines in the overview and
// its own help.
struct CommandEntry {
    const char* name;
    int (*run)(const std::vector<std::string>& args);
    const char* summary;
    const char* help;
};

const CommandEntry kCommands[] = {
    {"probe", ProbeCommand, "  probe --port PORT [--trace]            ask whether a reader answers on PORT\n",
     R"(Usage: cardfmt probe --port PORT [--trace]

Opens PORT, sends the reader probe and closes the port again.
Prints "PORT reader answered" or "PORT no reader answered".

Example: cardfmt probe --port com3 --trace
Exit codes: 0 a reader answered; 1 no reader answered; 2 the port could not be opened.
)"},
    {"init", InitCommand,
     "  init  --port PORT [--no-verify] [--trace]\n"
     "                                         format the card lying on the reader\n",
     R"(Usage: cardfmt init --port PORT [--no-verify] [--trace]

Formats the card lying on the reader: sectors 5 and 6 get the installation keys.
Prints one line: "SERIAL ok", or "SERIAL MESSAGE" with the operator's message
(for instance "1234ABCD 该卡已初始化。"), or "请放置IC卡" when no card lies there;
when nothing answers on PORT it says "no reader answers on PORT" on stderr.
After writing, the card is selected again, both sectors must open with the
installation keys, and the card is selected once more before it counts as
formatted ("扇区密码写入后校验失败。" if not); a card already initialized is verified
the same way. --no-verify skips that: quicker, but a reader that answers twice or
very late can then make a refused write pass for "ok".

Example: cardfmt init --port com3
Exit codes: 0 formatted; 1 a message, no card or no reader; 2 the port could not be opened.
)"},
    {"watch", WatchCommand,
     "  watch --port PORT [--cards N] [--journal FILE] [--no-verify] [--trace]\n"
     "                                         format every card laid on the reader\n",
     R"(Usage: cardfmt watch --port PORT [--cards N] [--journal FILE] [--no-verify] [--trace]

Polls the reader every 100 ms and formats every newly presented card, printing
one line per card as "init" does (each verified; --no-verify as for "init"). Stops after N cards
(a card is counted once, also when its run was cut short by an error and the
card is formatted again), or on Ctrl+C / SIGTERM
(the reader gets its closing signal before the port is closed). When the reader
goes away (an unplugged adapter) or answers nothing, it says so on stderr and waits
for it to come back on PORT (it does not look on other ports: PORT is the one named);
the card still lying on the reader is not formatted again. At the end one line on
stderr counts the cards: seen, formatted, already initialized, failed.

--journal FILE appends one line per card run to FILE (CSV, UTF-8 with a byte-order
mark; a header line when the file is new): time (local, ISO 8601), serial, outcome
(ok, already-initialized, not-a-new-card, init-failed, verify-failed, card-not-placed,
serial-read-failed, card-swapped, keys-unavailable, link-error), the message as
shown, port, program version, verified (yes when the card proved the result).
Each line is written and flushed on its own. A journal that cannot be written
is said once on stderr; the cards go on being formatted.

Example: cardfmt watch --port com3 --cards 50 --journal cards.csv
Exit codes: 0 stopped normally; 2 the port could not be opened, or a usage error.
)"},
    {"scan", ScanCommand, "  scan  [--passes N] [--quiet] [--trace] find the port where a reader answers\n",
     R"(Usage: cardfmt scan [--passes N] [--quiet] [--trace]

Tries com1 to com15 in turn, over and over, until a reader answers the probe.
Prints "comN DEVICE" for that port. Progress goes to stderr unless --quiet.
With --passes N it gives up after N passes; Ctrl+C stops it.

Example: cardfmt scan --passes 2
Exit codes: 0 a reader was found; 1 none was found or the scan was stopped.
)"},
    {"check", CheckCommand,
     "  check --port PORT [--key-name NAME --key-tokens T5,T6] [--trace]\n"
     "                                         tell which key opens sectors 5 and 6\n",
     R"(Usage: cardfmt check --port PORT [--key-name NAME --key-tokens T5,T6] [--trace]

Reads the card lying on the reader without writing it and without signalling.
Prints, each line led by the card's serial, which key opens sector 5 and sector 6
("5号包：出厂密码" the transport key, "本系统密码" the installation key, "无法打开"
neither), then the verdict:
  新卡，尚未初始化。      both on the transport key
  该卡已初始化。          both on the installation key
  该卡初始化未完成。      one of each ("cardfmt init" completes it)
  该卡不是本系统的卡。    a sector that neither key opens
The reader authenticates with key A only: a sector that only its key B opens
shows as "无法打开". No trailer is read, so access bytes that let only key B
rewrite a trailer do not show; formatting such a card ends with "初始化包号失败。".
--key-name and --key-tokens (together) check against the tokens of another build
(made by cardfmt-keytool) instead of the built-in ones.

Example: cardfmt check --port com3
Exit codes: 0 initialized; 1 any other verdict, no card or no reader; 2 the port
could not be opened, or a usage error.
)"},
    {"reset", ResetCommand,
     "  reset --port PORT --force [--key-name NAME --key-tokens T5,T6] [--trace]\n"
     "                                         return a card to the factory keys\n",
     R"(Usage: cardfmt reset --port PORT --force [--key-name NAME --key-tokens T5,T6] [--trace]

Returns the card lying on the reader to the factory state: each of sectors 5 and
6 that opens with the installation key gets key A FFFFFFFFFFFF, access bytes
FF 07 80 69 and key B FFFFFFFFFFFF; no other trailer is ever written. A sector on
the transport key already is left as it is; a sector that neither key opens is
never written. Then the card is selected again, every rewritten sector must open
with the transport key, and it is selected once more. No signal is sent.
Without --force nothing is written: it says what it would do and exits with 2.
Prints, led by the serial, one line per sector ("已改写为出厂密码",
"出厂密码，未改写", "无法打开，未改写", "本系统密码，改写失败") and the result:
"该卡已恢复出厂密码。", "该卡已是出厂密码，无需恢复。",
"该卡有包不是本系统的密码，该包未改写。", "恢复出厂密码失败。" or
"恢复出厂密码后校验失败。".
--key-name and --key-tokens (together) reset a card formatted by another build
(a demo-key build used by mistake, another installation) with its tokens.

Example: cardfmt reset --port com3 --force
Exit codes: 0 the card carries the transport keys; 1 any other result, no card or
no reader; 2 the port could not be opened, no --force, or a usage error.
)"},
};

std::string Usage() {
    std::string usage = kUsageHead;
    for (const CommandEntry& command : kCommands) usage += command.summary;
    return usage + kUsageTail;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintLine(Usage());
        return args.empty() ? kExitUsage : kExitOk;
    }
    const std::string command = args[0];
    args.erase(args.begin());
    const auto* entry = std::find_if(std::begin(kCommands), std::end(kCommands),
                                     [&](const CommandEntry& c) { return command == c.name; });
    if (entry == std::end(kCommands)) {
        PrintError("cardfmt: unknown command '" + command + "'");
        PrintError("Try 'cardfmt --help'.");
        return kExitUsage;
    }
    for (const auto& a : args)
        if (a == "--help" || a == "-h") {
            PrintLine(entry->help);
            return kExitOk;
        }
    return entry->run(args);
}
