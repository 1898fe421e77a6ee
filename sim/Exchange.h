// One request the simulated reader received and what it did about it.
#pragma once

#include <optional>

#include "reader_link/ByteString.h"
#include "sim/WireTime.h"

namespace sim {

struct Exchange {
    ByteString request;               // command bytes of the frame
    std::optional<ByteString> reply;  // payload, nothing when the reader kept quiet
    bool replyCorrupted = false;      // sent with a wrong checksum
    unsigned randomFaults = 0;        // FaultBit of each random fault drawn for it
    Clock::time_point requestStart;   // when the frame's first byte was read
    // When the reply's last byte was written; nothing while the reply is still to
    // come, or when there was none or it was cut short (hang-up, client stopped
    // reading).
    std::optional<Clock::time_point> replyEnd;
};

}  // namespace sim
