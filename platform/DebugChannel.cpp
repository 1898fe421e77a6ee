// The part of the debug channel that is the same everywhere: the switch and the sink.
// Where the enabled lines go is the platform's (WriteDebugLine).
#include "platform/DebugChannel.h"

#include <atomic>
#include <mutex>

namespace platform {

void WriteDebugLine(const std::string& line);  // platform specific

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

bool DebugChannelActive() { return g_enabled.load(std::memory_order_relaxed) || g_hasSink.load(std::memory_order_relaxed); }

void DebugOutput(const std::string& line) {
    if (g_hasSink.load()) {
        std::lock_guard lock(g_sinkMutex);
        if (g_sink) g_sink(line);
    }
    if (g_enabled.load()) WriteDebugLine(line);
}

}  // namespace platform
