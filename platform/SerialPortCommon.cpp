#include "platform/SerialPortCommon.h"

#include "platform/PortNames.h"

#include <cctype>

namespace platform {

long ComPortNumber(const std::string& name) {
    if (name.size() < 4) return 0;
    for (std::size_t i = 0; i < 3; ++i)
        if (std::tolower(static_cast<unsigned char>(name[i])) != "com"[i]) return 0;
    long n = 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i])) || n > 9999) return 0;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

bool ResolveForOpen(const std::string& portName, OpenResult& result) {
    result.device = ResolvePortName(portName);
    if (!result.device.empty()) return true;
    result.error = portName.empty() ? "no port name given" : "no serial device is known by this name";
    result.failure = OpenFailure::NoDevice;
    return false;
}

}  // namespace platform
