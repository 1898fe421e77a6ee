// Serial port access, the one piece of the operating system the reader link talks to.
//
// A port is opened exclusively (a second open of the same device fails while the
// first is open) at 9600 baud, 8 data bits, no parity, one stop bit, in raw binary
// mode: no software or hardware flow control, no character translation. Every call
// returns at once except Write, which returns once the bytes were handed to the driver,
// and WaitReadable.
#pragma once

#include "platform/Clock.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Number of bytes waiting in the driver's receive queue, or -1 when the
    // driver cannot tell (the device vanished, the port is closed).
    virtual long BytesWaiting() = 0;

    // Discards everything in the driver's receive queue.
    virtual void PurgeInput() = 0;

    // Reads up to `count` bytes that are already queued; never waits for more.
    // Returns the number read (0 when none were queued) or -1 on failure.
    virtual long Read(std::uint8_t* buffer, std::size_t count) = 0;

    // Writes all `count` bytes. Returns false when the device refused them.
    virtual bool Write(const std::uint8_t* data, std::size_t count) = 0;

    // Releases the device. Idempotent; every other call fails afterwards. Not while
    // another thread is inside WaitReadable.
    virtual void Close() = 0;

    // Waits until received bytes are queued, InterruptWait is called, or `timeoutMs`
    // milliseconds have passed (a negative time-out waits without limit); it may also
    // return early. A port may take a wait of a few milliseconds as a plain pause that
    // only InterruptWait ends. For the one thread that reads. A port that cannot wait for input
    // (this default) sleeps at most one millisecond, so that its reader polls.
    virtual void WaitReadable(long timeoutMs) { SleepMs(timeoutMs < 0 || timeoutMs > 1 ? 1 : timeoutMs); }

    // Ends a WaitReadable in progress on another thread, or, when none is, makes the
    // next one return at once. Callable from any thread while the port object lives.
    virtual void InterruptWait() {}

    // Told by the reading thread when it begins to serve a transaction (true) and when
    // it is done with it (false), so that a port holds what makes its short waits
    // precise (a finer system timer) only meanwhile. Calls alternate.
    virtual void SetInFlight(bool /*inFlight*/) {}
};

// Why an open failed, as far as a caller acts on it.
enum class OpenFailure {
    NoDevice,      // the name stands for no device, or the device is not there
    AccessDenied,  // the device is there, but this user may not open it (POSIX: not
                   // in the group that owns the serial devices)
    InUse,         // the device is there, but another program (or another copy of this
                   // tool) holds it; it may let go of it later
    Other,         // the device is there but could not be used (not a serial line...)
};

struct OpenResult {
    std::unique_ptr<SerialPort> port;          // null when the open failed
    std::string device;                        // what the name resolved to ("" if it did not)
    std::string error;                         // the operating system's reason when port is null
    OpenFailure failure = OpenFailure::Other;  // the kind of reason, when port is null
};

// Opens the serial device a port name stands for (see PortNames.h) and applies
// the line settings above.
OpenResult OpenSerialPort(const std::string& portName);

}  // namespace platform
