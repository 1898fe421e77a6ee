// The client side of the simulated reader's pty, with nothing but POSIX calls,
// as the tool itself would open a serial port.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "reader_link/ByteString.h"

namespace simtest {

// Generous: only ever reached when something is broken.
inline constexpr std::chrono::milliseconds kPatience{5000};

class HostPort {
public:
    explicit HostPort(const std::string& path);
    ~HostPort();
    HostPort(const HostPort&) = delete;
    HostPort& operator=(const HostPort&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    void Close();

    // False on failure, with the errno in LastError().
    bool Write(const ByteString& bytes);
    // Reads until `count` bytes came, the line failed, or `timeout` passed.
    ByteString Read(std::size_t count, std::chrono::milliseconds timeout = kPatience);
    // Reads one reply frame (FF, eight A5, 00, L, ...) whole.
    ByteString ReadReplyFrame(std::chrono::milliseconds timeout = kPatience);
    int LastError() const { return lastError_; }

private:
    int fd_ = -1;
    int lastError_ = 0;
};

// The request frame the tool would send for `command`.
ByteString RequestFrame(const ByteString& command);
// The payload of a well-formed reply frame; nothing if any part is off.
std::optional<ByteString> ReplyPayload(const ByteString& frame);

}  // namespace simtest
