// The debug channel: one trace line per frame sent or accepted. Like a debugger
// channel that nobody listens to, it costs nothing and shows nothing until someone
// listens. Callers check DebugChannelActive() before they format a line.
//
// POSIX: enabled lines go to stderr, one per line. Windows: OutputDebugStringA in the
// GBK code page, and stderr too when enabled. A sink, when installed, receives every
// line (UTF-8, without line end) whether or not the channel is enabled.
#pragma once

#include <functional>
#include <string>

namespace platform {

using DebugSink = std::function<void(const std::string& line)>;

void EnableDebugChannel(bool enabled);

// Installs a sink (or removes it with an empty function). Intended for tests and
// tools that read the trace; returns the previous sink.
DebugSink SetDebugSink(DebugSink sink);

bool DebugChannelActive();

// Writes one line (UTF-8, no line end).
void DebugOutput(const std::string& line);

}  // namespace platform
