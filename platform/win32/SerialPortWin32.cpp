#include "platform/win32/SerialPortWin32.h"

#include "platform/SerialPortCommon.h"
#include "platform/win32/ShortWait.h"
#include "platform/win32/Win32Text.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

namespace platform::win32 {
namespace {

constexpr DWORD kQueueSize = 4096;

// A write that the device has not taken within this time (plus twice the line
// time of its bytes at 9600 baud) fails, so a wedged adapter can never hold the
// caller forever. These are the driver's own write time-outs; the port's wait for a
// write (WriteWaitLimitMs) allows a margin more, for drivers that ignore them.
constexpr DWORD kWriteTimeoutMs = 2000;
constexpr DWORD kWriteTimeoutPerByteMs = 2;
constexpr DWORD kWriteWaitMarginMs = 1000;

// The port is opened for overlapped I/O so that the reading thread can wait for the
// line while the transaction's thread writes: on a handle without it Windows runs one
// call at a time, and a waiting read would hold up the writer. The wait is an
// overlapped read of one byte that completes when a byte arrives; the byte is held and
// handed out first by the next Read. (WaitCommEvent on EV_RXCHAR would need no held
// byte, but it reports only characters that come after the wait began, and wine
// cannot wait for it on a line without modem lines, such as a pseudo-terminal.)
//
// No transfer outlives the call that started it: the driver writes into an
// OVERLAPPED (and a read's buffer) until the transfer completed, so a transfer that
// is given up is cancelled and then waited for, never left behind. That also keeps
// one read at a time: a read posted while another is outstanding would queue behind
// it and hold its caller (and the receive worker's lock) with it.
//
// A port whose driver stopped answering (its status query fails, or a write does not
// complete) counts as lost: every call fails from then on, so the link's next write
// fails and the link reports the port lost, as it does for an unplugged device on
// Linux.
class Win32SerialPort final : public SerialPort {
public:
    explicit Win32SerialPort(HANDLE handle) : handle_(handle) {
        readEvent_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        writeEvent_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        waitEvent_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        wake_ = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);  // auto-reset: one wake-up, kept until taken
        canWait_ = waitEvent_ && wake_;
    }
    ~Win32SerialPort() override {
        Close();
        for (HANDLE event : {readEvent_, writeEvent_, waitEvent_, wake_})
            if (event) ::CloseHandle(event);
    }

    bool Usable() const { return readEvent_ && writeEvent_; }

    long BytesWaiting() override {
        const long queued = DriverQueued();
        if (queued < 0) return -1;
        return held_.load() >= 0 && queued < LONG_MAX ? queued + 1 : queued;
    }

    void PurgeInput() override {
        held_.store(-1);
        if (handle_ != INVALID_HANDLE_VALUE && !lost_.load()) ::PurgeComm(handle_, PURGE_RXCLEAR);
    }

    long Read(std::uint8_t* buffer, std::size_t count) override {
        if (handle_ == INVALID_HANDLE_VALUE || lost_.load()) return -1;
        if (count == 0) return 0;
        long got = 0;
        const int held = held_.exchange(-1);
        if (held >= 0) {
            buffer[got++] = static_cast<std::uint8_t>(held);
            --count;
        }
        // Only what is queued: with the port's time-outs a read of an empty queue
        // would wait for the next byte.
        const long queued = count > 0 ? DriverQueued() : 0;
        if (queued <= 0) return got > 0 || queued == 0 ? got : -1;
        const DWORD wanted =
            static_cast<DWORD>(std::min<std::size_t>({count, static_cast<std::size_t>(queued), 0x10000}));
        DWORD read = 0;
        if (!Finish(::ReadFile(handle_, buffer + got, wanted, nullptr, Fresh(readOl_, readEvent_)), readOl_, INFINITE,
                    read))
            return got > 0 ? got : -1;
        return got + static_cast<long>(read);
    }

    bool Write(const std::uint8_t* data, std::size_t count) override {
        if (handle_ == INVALID_HANDLE_VALUE || lost_.load()) return false;
        std::size_t done = 0;
        while (done < count) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count - done, kQueueSize));
            DWORD written = 0;
            // Short of all bytes means a write time-out ran out: the device stalls. Part
            // of a frame may be on the line, and nothing sent after it could be trusted.
            if (!Finish(::WriteFile(handle_, data + done, chunk, nullptr, Fresh(writeOl_, writeEvent_)), writeOl_,
                        WriteWaitLimitMs(chunk), written) ||
                written != chunk) {
                lost_.store(true);
                return false;
            }
            done += written;
        }
        return true;
    }

    // Nothing is in flight here: every transfer completed inside the call that
    // started it, and WaitReadable is not running (the contract).
    void Close() override {
        if (handle_ != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle_);
            handle_ = INVALID_HANDLE_VALUE;
        }
    }

    void WaitReadable(long timeoutMs) override {
        if (handle_ == INVALID_HANDLE_VALUE || !canWait_ || lost_.load()) return SerialPort::WaitReadable(timeoutMs);
        if (timeoutMs == 0 || held_.load() >= 0) return;
        // The quiet gap: a pause after bytes were read, at whose end the reader looks
        // again. Bytes that come meanwhile are read then, one gap later at most; a read
        // posted and cancelled for every gap would cost more than it saves.
        if (timeoutMs > 0 && timeoutMs < kPauseMs) {
            wait_.WaitAny(&wake_, 1, timeoutMs);
            return;
        }
        const long queued = DriverQueued();
        if (queued > 0) return;
        if (queued < 0) return SerialPort::WaitReadable(timeoutMs);  // a vanished device: poll, never spin

        const BOOL started = ::ReadFile(handle_, &peek_, 1, nullptr, Fresh(waitOl_, waitEvent_));
        if (!started && ::GetLastError() != ERROR_IO_PENDING) return SerialPort::WaitReadable(timeoutMs);
        const HANDLE handles[2] = {waitEvent_, wake_};
        if (wait_.WaitAny(handles, 2, timeoutMs) != 0) ::CancelIoEx(handle_, &waitOl_);
        // Cancelled or not, the read is waited for: until it completed the driver may
        // still write into peek_ and waitOl_, and the next Read would queue behind it.
        // A driver that ignores the cancel still ends the read by the port's read
        // time-out (kReadWaitLimitMs). A byte that came before the cancel is kept.
        DWORD read = 0;
        if (::GetOverlappedResult(handle_, &waitOl_, &read, TRUE) && read == 1) held_.store(peek_);
    }

    void InterruptWait() override {
        if (wake_) ::SetEvent(wake_);
    }

    void SetInFlight(bool inFlight) override { wait_.SetFineTicks(inFlight); }

private:
    static OVERLAPPED* Fresh(OVERLAPPED& ol, HANDLE event) {
        ol = OVERLAPPED{};
        ol.hEvent = event;
        return &ol;
    }

    long DriverQueued() {
        if (handle_ == INVALID_HANDLE_VALUE || lost_.load()) return -1;
        DWORD errors = 0;
        COMSTAT status{};
        // Also clears a line error (framing, overrun): the link judges frames by
        // their checksum, and a pending error would stop the driver until cleared.
        if (!::ClearCommError(handle_, &errors, &status)) {
            // The device is gone (an unplugged adapter) or its driver no longer
            // answers; writes may still be taken, but no reply will ever be read.
            lost_.store(true);
            return -1;
        }
        return static_cast<long>(std::min<DWORD>(status.cbInQue, LONG_MAX - 1));
    }

    // The outcome of an overlapped read or write once it has completed. One that has
    // not completed within `limitMs` is cancelled, and then waited for all the same.
    bool Finish(BOOL started, OVERLAPPED& ol, DWORD limitMs, DWORD& transferred) {
        if (!started && ::GetLastError() != ERROR_IO_PENDING) return false;
        if (::WaitForSingleObject(ol.hEvent, limitMs) != WAIT_OBJECT_0) ::CancelIoEx(handle_, &ol);
        return ::GetOverlappedResult(handle_, &ol, &transferred, TRUE) != FALSE;
    }

    // Waits shorter than this are pauses (see WaitReadable).
    static constexpr long kPauseMs = 16;

    HANDLE handle_;
    HANDLE readEvent_ = nullptr;
    HANDLE writeEvent_ = nullptr;
    HANDLE waitEvent_ = nullptr;
    HANDLE wake_ = nullptr;
    OVERLAPPED readOl_{};   // reads: the reading thread only
    OVERLAPPED writeOl_{};  // writes: the transaction's thread only
    OVERLAPPED waitOl_{};   // the wait for input: the reading thread only
    std::uint8_t peek_ = 0;
    // The byte the wait took off the line, or -1. Atomic: the transaction's thread
    // may ask how many bytes wait while the reading thread waits.
    std::atomic<int> held_{-1};
    // Set by whichever thread finds the driver gone; never cleared.
    std::atomic<bool> lost_{false};
    bool canWait_ = false;
    ShortWait wait_;
};

// ReadIntervalTimeout and ReadTotalTimeoutMultiplier MAXDWORD with a constant is the
// documented "return at once with what is queued; with nothing queued, wait for the
// first byte, at most the constant": Read asks only for queued bytes and so never
// waits, and the one-byte read of WaitReadable waits for the line. The constant only
// bounds a wait that nobody ends. The device's time-outs are set also because they
// outlive the program that set them.
constexpr DWORD kReadWaitLimitMs = 10000;

COMMTIMEOUTS LinkTimeouts() {
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = kReadWaitLimitMs;
    timeouts.WriteTotalTimeoutMultiplier = kWriteTimeoutPerByteMs;
    timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
    return timeouts;
}

std::string OpenErrorText(DWORD code) {
    std::string text = SystemErrorText(code);
    // Share mode 0 makes a port that another program holds answer "access denied".
    if (code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION)
        text += "; the port is probably in use by another program";
    return text;
}

OpenResult Fail(OpenResult result, HANDLE handle, const std::string& what, DWORD code) {
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
    result.error = what + SystemErrorText(code);
    return result;
}

}  // namespace

// The line settings the reader needs: 9600 8N1 in raw binary mode.
//
// Every other DCB field stays as the driver reported it (RS-485 settings, buffer
// limits), except those that would make the port anything but a plain binary line.
// A fresh port has them off, but the driver keeps what the previous program set
// until the next reboot: a terminal program that left XON/XOFF on would swallow 0x11
// and 0x13 in our frames, one that left CTS handshaking on would stall every write at
// a reader that does not drive CTS, and fNull would drop the 0x00 bytes every frame
// carries. So they are forced off.
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
    // DTR and RTS held raised, as opening a serial line on Linux does: some readers
    // draw their power from them, and the previous program may have left them low
    // (or toggling, or as handshake lines, which is flow control too).
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    // SetCommState refuses equal XON and XOFF characters even with XON/XOFF off, and
    // some drivers report both as 0: the usual pair then.
    if (dcb.XonChar == dcb.XoffChar) {
        dcb.XonChar = 0x11;
        dcb.XoffChar = 0x13;
    }
}

DWORD WriteWaitLimitMs(std::size_t count) {
    const std::uint64_t limit =
        kWriteTimeoutMs + kWriteWaitMarginMs + std::min<std::uint64_t>(count, 0x10000000) * kWriteTimeoutPerByteMs;
    return static_cast<DWORD>(std::min<std::uint64_t>(limit, INFINITE - 1));
}

OpenFailure OpenFailureOf(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return OpenFailure::NoDevice;
        // A port that another program holds answers "access denied" (share mode 0)
        // or a sharing violation: a port that is there. Not AccessDenied, which means
        // a user outside the serial devices' group, and Windows has no such group.
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION: return OpenFailure::InUse;
        default: return OpenFailure::Other;
    }
}

std::unique_ptr<SerialPort> AdoptSerialHandle(HANDLE handle) {
    auto port = std::make_unique<Win32SerialPort>(handle);
    if (port->Usable()) return port;
    const DWORD code = ::GetLastError();
    port.reset();  // closes the handle
    ::SetLastError(code);
    return nullptr;
}

}  // namespace platform::win32

namespace platform {

OpenResult OpenSerialPort(const std::string& portName) {
    OpenResult result;
    if (!ResolveForOpen(portName, result)) return result;
    // Share mode 0: nobody else may open the port while we hold it, and we fail
    // while somebody else does.
    HANDLE handle = ::CreateFileA(result.device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        result.error = win32::OpenErrorText(code);
        result.failure = win32::OpenFailureOf(code);
        return result;
    }
    // Only a recommendation to the driver; several USB adapters refuse it and
    // work all the same, so a refusal is no reason to give up the port.
    ::SetupComm(handle, win32::kQueueSize, win32::kQueueSize);

    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(handle, &dcb))
        return win32::Fail(std::move(result), handle, std::string(kNotSerialDeviceText) + ": ", ::GetLastError());
    win32::ApplyLineSettings(dcb);
    if (!::SetCommState(handle, &dcb))
        return win32::Fail(std::move(result), handle, kLineSettingsRefusedText, ::GetLastError());
    // The DCB says how the driver drives the lines; they are raised directly as well,
    // for a driver that already had them enabled and sees nothing to change. A device
    // without the line (and wine on a pseudo-terminal) refuses: no reason to give up.
    ::EscapeCommFunction(handle, SETDTR);
    ::EscapeCommFunction(handle, SETRTS);
    COMMTIMEOUTS timeouts = win32::LinkTimeouts();
    if (!::SetCommTimeouts(handle, &timeouts))
        return win32::Fail(std::move(result), handle, "the port's time-outs were refused: ", ::GetLastError());

    result.port = win32::AdoptSerialHandle(handle);
    if (!result.port) result.error = "no event for the port's I/O: " + win32::SystemErrorText(::GetLastError());
    return result;
}

}  // namespace platform
