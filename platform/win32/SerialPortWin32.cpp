#include "platform/PortNames.h"
#include "platform/SerialPort.h"
#include "platform/win32/Win32Text.h"

#include <algorithm>

namespace platform {
namespace {

constexpr DWORD kQueueSize = 4096;

// A write that the device has not taken within this time (plus twice the line
// time of its bytes at 9600 baud) fails, so a wedged adapter can never hold the
// caller forever.
constexpr DWORD kWriteTimeoutMs = 2000;
constexpr DWORD kWriteTimeoutPerByteMs = 2;

class Win32SerialPort final : public SerialPort {
public:
    explicit Win32SerialPort(HANDLE handle) : handle_(handle) {}
    ~Win32SerialPort() override { Close(); }

    long BytesWaiting() override {
        if (handle_ == INVALID_HANDLE_VALUE) return -1;
        DWORD errors = 0;
        COMSTAT status{};
        // Also clears a line error (framing, overrun): the link judges frames by
        // their checksum, and a pending error would stop the driver until cleared.
        if (!::ClearCommError(handle_, &errors, &status)) return -1;
        return static_cast<long>(std::min<DWORD>(status.cbInQue, LONG_MAX));
    }

    void PurgeInput() override {
        if (handle_ != INVALID_HANDLE_VALUE) ::PurgeComm(handle_, PURGE_RXCLEAR);
    }

    long Read(std::uint8_t* buffer, std::size_t count) override {
        if (handle_ == INVALID_HANDLE_VALUE) return -1;
        if (count == 0) return 0;
        DWORD read = 0;
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(count, 0x10000));
        if (!::ReadFile(handle_, buffer, wanted, &read, nullptr)) return -1;
        return static_cast<long>(read);
    }

    bool Write(const std::uint8_t* data, std::size_t count) override {
        if (handle_ == INVALID_HANDLE_VALUE) return false;
        std::size_t done = 0;
        while (done < count) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count - done, kQueueSize));
            DWORD written = 0;
            // Short of all bytes means the write time-out ran out: the device stalls.
            if (!::WriteFile(handle_, data + done, chunk, &written, nullptr) || written != chunk) return false;
            done += written;
        }
        return true;
    }

    void Close() override {
        if (handle_ != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle_);
            handle_ = INVALID_HANDLE_VALUE;
        }
    }

private:
    HANDLE handle_;
};

// The line settings the reader needs: 9600 8N1 in raw binary mode.
//
// Every other DCB field stays as the driver reported it (line levels of DTR and
// RTS, RS-485 toggling, buffer limits), except those that would make the port
// anything but a plain binary line. A fresh port has them off, but the driver
// keeps what the previous program set until the next reboot: a terminal program
// that left XON/XOFF on would swallow 0x11 and 0x13 in our frames, one that left
// CTS handshaking on would stall every write at a reader that does not drive CTS,
// and fNull would drop the 0x00 bytes every frame carries. So they are forced off.
void ApplyLineSettings(DCB& dcb) {
    dcb.BaudRate = CBR_9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;

    dcb.fBinary = TRUE;  // Windows supports nothing else
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    // Handshaking on DTR or RTS is flow control too; the line is held raised instead,
    // which is what the handshake does while the receive queue has room.
    if (dcb.fDtrControl == DTR_CONTROL_HANDSHAKE) dcb.fDtrControl = DTR_CONTROL_ENABLE;
    if (dcb.fRtsControl == RTS_CONTROL_HANDSHAKE) dcb.fRtsControl = RTS_CONTROL_ENABLE;
}

// The link polls the receive queue and reads exactly what is queued, so a read
// must return at once: ReadIntervalTimeout MAXDWORD with both read totals 0 is the
// documented "return immediately with what has been received". On a handle without
// overlapped I/O, Windows also runs one call at a time: a read that waited would
// hold up the writer on the other thread. The device's time-outs are set for both
// reasons, and because they too outlive the program that set them.
COMMTIMEOUTS LinkTimeouts() {
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    timeouts.WriteTotalTimeoutMultiplier = kWriteTimeoutPerByteMs;
    timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
    return timeouts;
}

std::string OpenErrorText(DWORD code) {
    std::string text = win32::SystemErrorText(code);
    // Share mode 0 makes a port that another program holds answer "access denied".
    if (code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION)
        text += "; the port is probably in use by another program";
    return text;
}

OpenResult Fail(OpenResult result, HANDLE handle, const std::string& what, DWORD code) {
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
    result.error = what + win32::SystemErrorText(code);
    return result;
}

}  // namespace

OpenResult OpenSerialPort(const std::string& portName) {
    OpenResult result;
    result.device = ResolvePortName(portName);
    if (result.device.empty()) {
        result.error = portName.empty() ? "no port name given" : "no serial device is known by this name";
        return result;
    }
    // Share mode 0: nobody else may open the port while we hold it, and we fail
    // while somebody else does.
    HANDLE handle = ::CreateFileA(result.device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                  nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        result.error = OpenErrorText(::GetLastError());
        return result;
    }
    // Only a recommendation to the driver; several USB adapters refuse it and
    // work all the same, so a refusal is no reason to give up the port.
    ::SetupComm(handle, kQueueSize, kQueueSize);

    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(handle, &dcb)) return Fail(std::move(result), handle, "not a serial device: ", ::GetLastError());
    ApplyLineSettings(dcb);
    if (!::SetCommState(handle, &dcb))
        return Fail(std::move(result), handle, "the line settings were refused: ", ::GetLastError());
    COMMTIMEOUTS timeouts = LinkTimeouts();
    if (!::SetCommTimeouts(handle, &timeouts))
        return Fail(std::move(result), handle, "the port's time-outs were refused: ", ::GetLastError());

    result.port = std::make_unique<Win32SerialPort>(handle);
    return result;
}

}  // namespace platform
