#include "reader_link/RecvClass.h"

#include "platform/Clock.h"

#include <algorithm>
#include <cstring>

TRecvClass::TRecvClass() : thread_([this] { Run(); }) {}

TRecvClass::~TRecvClass() {
    terminated_.store(true);
    StartEvent.Set();  // wakes an idle worker so it sees the stop at once
    if (thread_.joinable()) thread_.join();
}

void TRecvClass::SetFrameHandler(FrameHandler handler) {
    std::lock_guard lock(stepMutex_);
    onFrame_ = std::move(handler);
}

void TRecvClass::SetPort(platform::SerialPort* port) {
    std::lock_guard lock(stepMutex_);
    port_ = port;
}

void TRecvClass::DiscardStale() {
    std::lock_guard lock(stepMutex_);
    DoneEvent.Reset();
    if (port_) port_->PurgeInput();
    inFrame_ = false;
    frameCount_ = 0;
}

void TRecvClass::Run() {
    while (!terminated_.load()) {
        // No time-out: while no transaction is in flight the worker costs nothing.
        StartEvent.Wait(-1);
        if (terminated_.load()) break;
        ReadStep();
        platform::SleepMs(1);
    }
}

void TRecvClass::ReadStep() {
    std::lock_guard lock(stepMutex_);
    try {
        ReadStepLocked();
    } catch (...) {
        // A fault in one step (the frame handler included) must not end the worker;
        // the collection keeps the state it had at that moment.
    }
}

void TRecvClass::ReadStepLocked() {
    if (!port_) return;
    const long waiting = port_->BytesWaiting();
    if (waiting < 0) return;  // the driver cannot say what is queued: nothing to do this step
    if (waiting > kMaxQueued) {
        port_->PurgeInput();
        return;
    }
    long got = 0;
    if (waiting > 0) {
        got = port_->Read(chunk_, static_cast<std::size_t>(waiting));
        if (got < 0) return;
        got = std::min(got, waiting);
    }
    if (got > 0) {
        std::memcpy(readBuffer_, chunk_, static_cast<std::size_t>(std::min<long>(got, kBufferSize)));
        if (!inFrame_) {
            inFrame_ = true;
            frameCount_ = 0;
        }
        // No reply frame is anywhere near this long: what would overflow the frame
        // buffer is noise, and the frame in progress goes with it.
        if (frameCount_ + got > kBufferSize) {
            DropFrame();
            return;
        }
        std::memcpy(frameBuffer_ + frameCount_, chunk_, static_cast<std::size_t>(got));
        frameCount_ += static_cast<std::int32_t>(got);
        return;  // a frame is judged only once the line has gone quiet
    }
    Examine();
}

void TRecvClass::Examine() {
    if (!inFrame_ || frameCount_ <= 12) return;
    if (frameBuffer_[0] != 0xFF) return DropFrame();
    for (int i = 1; i <= 7; ++i)
        if (frameBuffer_[i] != 0xA5) return DropFrame();
    std::int32_t zero = -1;
    for (std::int32_t i = 8; i < frameCount_; ++i) {
        if (frameBuffer_[i] == 0xA5) continue;
        if (frameBuffer_[i] != 0x00) return DropFrame();
        zero = i;
        break;
    }
    if (zero < 0 || zero + 1 >= frameCount_) return;  // wait for the rest
    const std::int32_t end = zero + frameBuffer_[zero + 1] + 4;
    if (end > frameCount_) return;
    if (frameBuffer_[end - 1] != 0xFF) return DropFrame();

    inFrame_ = false;
    bool accepted = false;
    if (onFrame_) onFrame_(frameBuffer_, end, accepted);
    if (accepted) {
        DoneEvent.Set();
        StartEvent.Reset();
    }
}
