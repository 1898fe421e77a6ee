#include "bench/BenchDesk.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace bench {

CommandLine::CommandLine(int argc, char** argv, std::initializer_list<std::string> options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        bool isOption = false;
        for (const std::string& option : options) isOption = isOption || arg == option;
        if (isOption && i + 1 < argc)
            values_[arg] = argv[++i];
        else
            words_.push_back(arg);
    }
}

double CommandLine::Number(const std::string& option, double fallback) const {
    const auto it = values_.find(option);
    return it == values_.end() ? fallback : std::atof(it->second.c_str());
}

InstallFolder::InstallFolder(const std::string& stem) : folder_(stem) {
    std::ofstream(Path() + "/Tolvane.exe").put('\0');
    std::ofstream(Path() + "/KelmConfig.ini").put('\0');
    if (chdir(Path().c_str()) != 0) throw std::runtime_error("cannot enter " + Path());
}

SimChild::Options ReaderDesk::ReaderOptions(harness::PortTable& ports, int freshCards) {
    ports.Free(3);
    SimChild::Options options;
    options.freshCards = freshCards;
    options.linkAs = "com3";
    return options;
}

ReaderDesk::ReaderDesk(const std::string& stem, int freshCards)
    : reader_(ReaderOptions(ports_, freshCards)), install_(stem) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
}

}  // namespace bench
