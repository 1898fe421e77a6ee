#include "platform/UserFiles.h"

#include <cstdlib>
#include <ctime>

namespace platform {

std::string UserStateFolder() {
    // A relative XDG_STATE_HOME is invalid and must be ignored (XDG base directories).
    const char* xdg = std::getenv("XDG_STATE_HOME");
    if (xdg && *xdg == '/') return std::string(xdg) + "/cardfmt";
    const char* home = std::getenv("HOME");
    if (home && *home) return std::string(home) + "/.local/state/cardfmt";
    return {};
}

LocalTime LocalTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return LocalTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,   local.tm_hour,
                     local.tm_min,         local.tm_sec,     static_cast<int>(local.tm_gmtoff / 60)};
}

}  // namespace platform
