// Lets other threads interrupt the service thread's poll() without a busy loop.
#pragma once

namespace sim {

class WakeSignal {
public:
    WakeSignal();  // throws std::system_error when no eventfd can be made
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    int Fd() const { return fd_; }
    void Raise();
    void Drain();

private:
    int fd_ = -1;
};

}  // namespace sim
