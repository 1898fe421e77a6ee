// The pieces of the Windows serial port that its tests reach directly. Internal to the
// Windows platform layer (and its tests); callers use SerialPort.h.
#pragma once

#include "platform/SerialPort.h"

#include <windows.h>

namespace platform::win32 {

// Turns what the driver reported into the line the reader needs (9600 8N1, raw
// binary, DTR and RTS raised), leaving alone what does not concern it.
void ApplyLineSettings(DCB& dcb);

// What a failed CreateFile of the device means to the caller.
OpenFailure OpenFailureOf(DWORD code);

}  // namespace platform::win32
