// What opening a serial port means on every system: the "comN" port names and the
// words for an open that failed. For the system's own serial port and port name
// files; callers use SerialPort.h and PortNames.h.
#pragma once

#include "platform/SerialPort.h"

#include <string>

namespace platform {

// "comN" (any case, N from 1) → N; anything else → 0.
long ComPortNumber(const std::string& name);

// Puts the device the port name stands for into result.device. When it stands for
// none, result says why (error, failure) and the answer is false.
bool ResolveForOpen(const std::string& portName, OpenResult& result);

// The start of the reason when the device is not a serial line.
inline constexpr const char* kNotSerialDeviceText = "not a serial device";
// The start of the reason when the device refused 9600 8N1 raw; the system's words follow.
inline constexpr const char* kLineSettingsRefusedText = "the line settings were refused: ";

}  // namespace platform
