#include "platform/PortNames.h"
#include "platform/SerialPortCommon.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace platform {
namespace {

namespace fs = std::filesystem;

// Natural order within a group: ttyUSB2 before ttyUSB10.
long Suffix(const std::string& name, std::size_t prefixLength) {
    std::string digits = name.substr(prefixLength);
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
        return -1;
    return std::strtol(digits.c_str(), nullptr, 10);
}

}  // namespace

std::string PortTableFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg) return std::string(xdg) + "/cardfmt/ports";
    const char* home = std::getenv("HOME");
    if (home && *home) return std::string(home) + "/.config/cardfmt/ports";
    return {};
}

std::vector<std::string> EnumerateSerialDevices() {
    std::vector<std::string> devices;
    for (const char* prefix : {"ttyUSB", "ttyACM", "ttyS"}) {
        std::vector<std::pair<long, std::string>> group;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator("/dev", ec)) {
            std::string name = entry.path().filename().string();
            if (name.rfind(prefix, 0) != 0) continue;
            long n = Suffix(name, std::char_traits<char>::length(prefix));
            if (n >= 0) group.emplace_back(n, entry.path().string());
        }
        std::sort(group.begin(), group.end());
        for (auto& [n, path] : group) devices.push_back(path);
    }
    return devices;
}

std::string ResolvePortName(const std::string& portName) {
    if (portName.find('/') != std::string::npos) return portName;
    const long n = ComPortNumber(portName);
    if (n <= 0) return {};
    std::string folder = PortTableFolder();
    if (!folder.empty()) {
        fs::path entry = fs::path(folder) / ("com" + std::to_string(n));
        std::error_code ec;
        if (fs::is_symlink(fs::symlink_status(entry, ec)) || fs::exists(entry, ec)) return entry.string();
    }
    std::vector<std::string> devices = EnumerateSerialDevices();
    if (static_cast<std::size_t>(n) <= devices.size()) return devices[static_cast<std::size_t>(n) - 1];
    return {};
}

}  // namespace platform
