// The pieces of the Windows serial port that its tests reach directly. Internal to the
// Windows platform layer (and its tests); callers use SerialPort.h.
#pragma once

#include "platform/SerialPort.h"

#include <windows.h>

#include <cstddef>
#include <memory>

namespace platform::win32 {

// Turns what the driver reported into the line the reader needs (9600 8N1, raw
// binary, DTR and RTS raised), leaving alone what does not concern it.
void ApplyLineSettings(DCB& dcb);

// The longest the port waits for a write of `count` bytes to complete before it
// cancels it and counts the port as lost.
DWORD WriteWaitLimitMs(std::size_t count);

// What a failed CreateFile of the device means to the caller.
OpenFailure OpenFailureOf(DWORD code);

// The port over `handle`, opened with FILE_FLAG_OVERLAPPED and already set up; the
// port owns the handle from here on, and closes it even when the answer is null (no
// event could be made for its I/O).
std::unique_ptr<SerialPort> AdoptSerialHandle(HANDLE handle);

}  // namespace platform::win32
