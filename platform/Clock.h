// Time for time-outs comes from the monotonic clock: the wall clock can jump.
#pragma once

#include <cstdint>

namespace platform {

// Milliseconds since an arbitrary fixed point; never goes back.
std::int64_t MonotonicMs();

// Sleeps at least `ms` milliseconds.
void SleepMs(long ms);

}  // namespace platform
