// Writes to the pty master from the service thread, either at once or at the
// line's real byte rate, and waits in a way another thread can cut short.
#pragma once

#include <atomic>
#include <functional>
#include <optional>

#include "reader_link/ByteString.h"
#include "sim/WakeSignal.h"
#include "sim/WireTime.h"

namespace sim {

class PacedWriter {
public:
    // `stop` is checked whenever `wake` fires.
    PacedWriter(int fd, WakeSignal& wake, const std::atomic<bool>& stop) : fd_(fd), wake_(wake), stop_(stop) {}

    // Sleeps until the absolute `deadline`; false when told to stop first.
    bool WaitUntil(Clock::time_point deadline);

    // Called just before the write that may complete the bytes, with the time
    // of that write, so records can be in place before the client sees the end.
    using FinalWrite = std::function<void(Clock::time_point)>;

    // Writes all of `bytes`. With `pacedStart`, byte i is handed over at
    // pacedStart + WireTime(i + 1), when it would have been fully received.
    // Returns when the last byte went out, or nothing when stopped, the line
    // failed, or the client left the line full for too long.
    std::optional<Clock::time_point> Write(const ByteString& bytes, std::optional<Clock::time_point> pacedStart,
                                           const FinalWrite& beforeFinalWrite = {});

private:
    bool WriteSome(const std::uint8_t* data, std::size_t count, const FinalWrite& beforeEachWrite);
    bool WaitWritable();

    int fd_;
    WakeSignal& wake_;
    const std::atomic<bool>& stop_;
};

}  // namespace sim
