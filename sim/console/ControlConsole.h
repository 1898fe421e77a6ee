// The line commands cardfmt-sim takes on standard input.
#pragma once

#include <string>
#include <vector>

#include "sim/SimReader.h"

namespace sim {

class ControlConsole {
public:
    struct Answer {
        std::string line;  // exactly one line, no newline
        bool quit = false;
    };

    explicit ControlConsole(SimReader& reader) : reader_(reader) {}

    // place SERIALHEX [fresh]       a known serial comes back as it was left,
    //                               unless "fresh"; an unknown one is fresh
    // place SERIALHEX key5=HEX12 key6=HEX12 acc5=HEX8 acc6=HEX8
    //                               fresh card with any of these set
    // remove | dump [SERIALHEX] | signals | silent on|off | quit
    // exchanges                     how many requests the reader has acted on
    // link COMNAME                  the reader's entry in the port table is COMNAME
    // unplug | replug [COMNAME]     the adapter pulled out; plugged back on a new
    //                               pty, under COMNAME when given (the entry moves)
    Answer Handle(const std::string& line);

private:
    Answer Place(const std::vector<std::string>& words);
    Answer Remove();
    Answer Dump(const std::vector<std::string>& words);
    Answer Signals();
    Answer Silent(const std::vector<std::string>& words);
    Answer Link(const std::vector<std::string>& words);
    Answer Replug(const std::vector<std::string>& words);

    SimReader& reader_;
};

// "card 12345678 s5 KEYA ACCESS KEYB s6 KEYA ACCESS KEYB", hex without separators.
std::string DumpLine(const MifareCard& card);

}  // namespace sim
