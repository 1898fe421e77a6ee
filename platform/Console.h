// Lines of text for the person at the terminal. The program's text is UTF-8; a
// Windows console shows it only when it is handed over as UTF-16, while a file or
// pipe that output is redirected to gets the UTF-8 bytes, as on POSIX.
#pragma once

#include <string>

namespace platform {

// Writes one UTF-8 line (without its line end) to standard output and flushes it.
void WriteOutLine(const std::string& utf8);

// The same for standard error. Lines of different threads never interleave.
void WriteErrLine(const std::string& utf8);

}  // namespace platform
