// How the port names the tool uses ("com1" .. "com15", or a device path) map to
// devices of this machine.
//
// POSIX: a name containing '/' is a device path, used as it is. "comN" (any case)
// is the entry comN of the per-user port table folder ($XDG_CONFIG_HOME/cardfmt/ports/,
// by default ~/.config/cardfmt/ports/, each entry a symlink to a device) when that
// entry exists, else the N-th serial device found in the order /dev/ttyUSB*,
// /dev/ttyACM*, /dev/ttyS* (natural order within each group).
// Windows: "comN" is the device \\.\COMN.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The device for a port name, or "" when the name stands for no device.
std::string ResolvePortName(const std::string& portName);

// The per-user port table folder (POSIX); "" where there is none.
std::string PortTableFolder();

// Serial devices of this machine in the order "comN" counts them.
std::vector<std::string> EnumerateSerialDevices();

}  // namespace platform
