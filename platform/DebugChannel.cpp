// The part of the debug channel that is the same everywhere: the switch and the sink.
// Where the lines go is the platform's (WriteDebugLine): stderr when enabled, and on
// Windows also the system debug output whenever a debugger or monitor listens.
#include "platform/DebugChannel.h"

#include <atomic>
#include <mutex>

namespace platform {

// Each platform has its own: whether something outside the process reads debug lines,
// and writing one line there (and to stderr when `toStderr`).
bool DebugListenerPresent();
void WriteDebugLine(const std::string& line, bool toStderr);

namespace {
std::atomic<bool> g_enabled{false};
std::atomic<bool> g_hasSink{false};
std::mutex g_sinkMutex;
DebugSink g_sink;
}  // namespace

void EnableDebugChannel(bool enabled) { g_enabled.store(enabled); }

DebugSink SetDebugSink(DebugSink sink) {
    std::lock_guard lock(g_sinkMutex);
    DebugSink previous = std::move(g_sink);
    g_sink = std::move(sink);
    g_hasSink.store(static_cast<bool>(g_sink));
    return previous;
}

bool DebugChannelActive() {
    return g_enabled.load(std::memory_order_relaxed) || g_hasSink.load(std::memory_order_relaxed) ||
           DebugListenerPresent();
}

void DebugOutput(const std::string& line) {
    if (g_hasSink.load()) {
        std::lock_guard lock(g_sinkMutex);
        if (g_sink) g_sink(line);
    }
    const bool enabled = g_enabled.load();
    if (enabled || DebugListenerPresent()) WriteDebugLine(line, enabled);
}

}  // namespace platform
