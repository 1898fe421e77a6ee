// What the window program does with its command line before the window system
// starts: its own options (--dir, --trace, --help); everything else is left for the
// window toolkit where there is one (Qt), and is a usage error where there is none
// (the Win32 program). Free of any toolkit, so every window face calls the same code.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

// Whether the window system takes options of its own (Qt's -platform, ...).
enum class ToolkitOptions { PassedOn, None };

struct GuiStartOptions {
    // The folder to work in (the water-control software's), or empty to stay.
    std::string dir;
    bool trace = false;
    bool help = false;
};

// Reads the program's own options from `args` (without the program name). Arguments
// it does not know belong to the toolkit and are skipped, or, without one, are a
// usage error. Nothing on a usage error, with `error` saying why.
std::optional<GuiStartOptions> ParseGuiStartOptions(const std::vector<std::string>& args, std::string& error,
                                                    ToolkitOptions toolkit = ToolkitOptions::PassedOn);

std::string GuiStartUsage(ToolkitOptions toolkit = ToolkitOptions::PassedOn);

// Everything the program must do before the toolkit starts: prints the help, or
// makes --dir the working directory, where the window's placement check looks for
// the water-control software's files. Returns the exit code when the program must end
// here (help shown: 0; bad options or an unusable folder: 2, with the reason on `err`).
std::optional<int> PrepareGuiStart(int argc, char** argv, GuiStartOptions& options, std::ostream& out,
                                   std::ostream& err, ToolkitOptions toolkit = ToolkitOptions::PassedOn);
