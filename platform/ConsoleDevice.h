// The one thing about writing a line for the person at the terminal that differs
// from system to system. For Console.cpp and the system's own console file.
#pragma once

#include <cstdio>
#include <string>

namespace platform {

// Shows one UTF-8 line on the console that `stream` writes to, when the system
// wants console text handed over in a form of its own. False when the stream goes
// to no such console (then its UTF-8 bytes are written as they are). Called under
// the console's lock.
bool WriteConsoleDeviceLine(std::FILE* stream, const std::string& utf8);

}  // namespace platform
