#include "tests/ui/win32/SimLine.h"

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace harness {

namespace {

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    // A last line without its end is still being written.
    if (!lines.empty() && in.eof()) {
        std::ifstream whole(path, std::ios::binary);
        std::stringstream text;
        text << whole.rdbuf();
        const std::string all = text.str();
        if (!all.empty() && all.back() != '\n') lines.pop_back();
    }
    return lines;
}

}  // namespace

std::optional<SimLine> SimLine::FromEnvironment() {
    const char* commands = std::getenv("CARDFMT_SIM_COMMANDS");
    const char* answers = std::getenv("CARDFMT_SIM_ANSWERS");
    if (!commands || !answers || !*commands || !*answers) return std::nullopt;
    return SimLine(commands, answers);
}

std::string SimLine::Command(const std::string& line) const {
    const std::size_t before = Lines(answers_).size();
    {
        std::ofstream out(commands_, std::ios::binary | std::ios::app);
        out << line << '\n';
    }
    for (int i = 0; i < 1000; ++i) {
        const std::vector<std::string> lines = Lines(answers_);
        if (lines.size() > before) return lines[before];
        ::Sleep(10);
    }
    return {};
}

}  // namespace harness
