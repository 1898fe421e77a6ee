// Collects the debug channel's lines for the life of the object.
#pragma once

#include "platform/DebugChannel.h"

#include <mutex>
#include <string>
#include <vector>

namespace harness {

class TraceCapture {
public:
    TraceCapture() {
        previous_ = platform::SetDebugSink([this](const std::string& line) {
            std::lock_guard lock(mutex_);
            lines_.push_back(line);
        });
    }
    ~TraceCapture() { platform::SetDebugSink(previous_); }

    std::vector<std::string> Lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        lines_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    platform::DebugSink previous_;
};

}  // namespace harness
