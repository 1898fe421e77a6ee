// The pieces of the Windows serial port that its tests reach directly. Internal to the
// Windows platform layer (and its tests); callers use SerialPort.h.
#pragma once

#include "platform/SerialPort.h"

#include <windows.h>

namespace platform::win32 {

// What a failed CreateFile of the device means to the caller.
OpenFailure OpenFailureOf(DWORD code);

}  // namespace platform::win32
