#include "platform/Event.h"

namespace platform {

void Event::Set() {
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    if (kind_ == Kind::ManualReset)
        changed_.notify_all();
    else
        changed_.notify_one();
}

void Event::Reset() {
    std::lock_guard lock(mutex_);
    signalled_ = false;
}

bool Event::IsSet() const {
    std::lock_guard lock(mutex_);
    return signalled_;
}

bool Event::TakeLocked() {
    if (!signalled_) return false;
    if (kind_ == Kind::AutoReset) signalled_ = false;
    return true;
}

bool Event::Wait(long timeoutMs) {
    std::unique_lock lock(mutex_);
    if (timeoutMs < 0) {
        changed_.wait(lock, [this] { return signalled_; });
        return TakeLocked();
    }
    if (!changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return signalled_; })) return false;
    return TakeLocked();
}

bool Event::WaitUntil(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_until(lock, deadline, [this] { return signalled_; })) return false;
    return TakeLocked();
}

}  // namespace platform
