// Where a desk program keeps what it records for its user, and the local time it
// stamps records with.
//
// POSIX: $XDG_STATE_HOME/cardfmt (an absolute path; else ~/.local/state/cardfmt).
// Windows: %LOCALAPPDATA%\cardfmt, read from the environment (the window program
// imports nothing beyond user32, gdi32, comctl32 and kernel32).
#pragma once

#include <string>

namespace platform {

// The folder (UTF-8, not made here), or "" when the environment names none.
std::string UserStateFolder();

// The wall clock in local time, and how far local time is ahead of UTC.
struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    int utcOffsetMinutes = 0;
};
LocalTime LocalTimeNow();

}  // namespace platform
