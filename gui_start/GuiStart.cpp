#include "gui_start/GuiStart.h"

#include <filesystem>
#include <ostream>
#include <system_error>

namespace {

constexpr const char* kProgram = "cardfmt-gui";
constexpr const char* kDirOption = "--dir";

// Makes `dir` the working directory; on failure says why in `error`.
bool EnterFolder(const std::string& dir, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(dir, ec);
    if (!fs::exists(status)) {
        error = "no such folder: " + dir;
        return false;
    }
    if (!fs::is_directory(status)) {
        error = "not a folder: " + dir;
        return false;
    }
    fs::current_path(dir, ec);
    if (ec) {
        error = "cannot work in " + dir + ": " + ec.message();
        return false;
    }
    return true;
}

}  // namespace

std::optional<GuiStartOptions> ParseGuiStartOptions(const std::vector<std::string>& args, std::string& error,
                                                    ToolkitOptions toolkit) {
    GuiStartOptions options;
    const std::string dirPrefix = std::string(kDirOption) + "=";
    bool dirSeen = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::optional<std::string> dir;
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--trace") {
            options.trace = true;
        } else if (arg == kDirOption) {
            if (i + 1 >= args.size()) {
                error = "--dir needs a folder";
                return std::nullopt;
            }
            dir = args[++i];
        } else if (arg.rfind(dirPrefix, 0) == 0) {
            dir = arg.substr(dirPrefix.size());
        } else if (toolkit == ToolkitOptions::None) {
            error = "unknown argument: " + arg;
            return std::nullopt;
        }
        if (!dir) continue;
        if (dir->empty()) {
            error = "--dir needs a folder";
            return std::nullopt;
        }
        if (dirSeen) {
            error = "--dir given twice";
            return std::nullopt;
        }
        dirSeen = true;
        options.dir = *dir;
    }
    return options;
}

std::string GuiStartUsage(ToolkitOptions toolkit) {
    const std::string toolkitNote =
        toolkit == ToolkitOptions::PassedOn ? "\nOptions of the window toolkit (such as -platform) are passed on to it.\n" : "";
    return R"(Usage: cardfmt-gui [--dir FOLDER] [--trace]

Opens the card formatting window (发卡格式机): find the reader with 打开串口,
then 开始初始化 formats every card laid on it.

The window works only in the folder of the water-control software (the one holding
Tolvane.exe and KelmConfig.ini). It looks for them in its working directory, which
for a program started from a menu is the home folder: name the folder with --dir.

Options:
  --dir FOLDER   work in FOLDER (made the working directory before anything else)
  --trace        write every frame sent and accepted to stderr (keys are masked)
  -h, --help     show this help and exit
)" + toolkitNote + R"(
Examples:
  cardfmt-gui --dir /srv/water-control
  cardfmt-gui --dir "$HOME/Water Control" --trace

Exit codes: 0 the window was closed; 2 a usage error, or FOLDER is missing or not
a folder.
)";
}

std::optional<int> PrepareGuiStart(int argc, char** argv, GuiStartOptions& options, std::ostream& out,
                                   std::ostream& err, ToolkitOptions toolkit) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    std::string error;
    std::optional<GuiStartOptions> parsed = ParseGuiStartOptions(args, error, toolkit);
    if (!parsed) {
        err << kProgram << ": " << error << "\nRun '" << kProgram << " --help' for the options.\n";
        return 2;
    }
    options = *parsed;
    if (options.help) {
        out << GuiStartUsage(toolkit);
        return 0;
    }
    if (!options.dir.empty() && !EnterFolder(options.dir, error)) {
        err << kProgram << ": --dir: " << error << "\n";
        return 2;
    }
    return std::nullopt;
}
