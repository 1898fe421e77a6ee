#include "reader_link/RecvClass.h"

#include "platform/Clock.h"

#include <algorithm>
#include <cstring>

TRecvClass::TRecvClass() : thread_([this] { Run(); }) {}

TRecvClass::~TRecvClass() {
    terminated_.store(true);
    StartEvent.Set();  // wakes an idle worker so it sees the stop at once
    {
        std::lock_guard lock(stepMutex_);
        if (waiting_ && port_) port_->InterruptWait();  // and one waiting for the line
    }
    if (thread_.joinable()) thread_.join();
}

void TRecvClass::SetFrameHandler(FrameHandler handler) {
    std::lock_guard lock(stepMutex_);
    onFrame_ = std::move(handler);
}

void TRecvClass::SetPort(platform::SerialPort* port) {
    std::unique_lock lock(stepMutex_);
    while (waiting_) {
        port_->InterruptWait();
        waitEnded_.wait(lock);
    }
    if (inFlight_ && port_) port_->SetInFlight(false);
    inFlight_ = false;  // the next step tells the new port
    port_ = port;
}

void TRecvClass::DiscardStale() {
    std::lock_guard lock(stepMutex_);
    DoneEvent.Reset();
    if (port_) port_->PurgeInput();
    inFrame_ = false;
    frameCount_ = 0;
}

void TRecvClass::StopReading() {
    StartEvent.Reset();
    // A step that saw StartEvent set before the reset finishes under the lock; every
    // later one finds it reset (WorkerStep looks under the lock).
    std::lock_guard lock(stepMutex_);
}

long TRecvClass::DropQueued() {
    std::lock_guard lock(stepMutex_);
    inFrame_ = false;
    frameCount_ = 0;
    if (!port_) return -1;
    const long waiting = port_->BytesWaiting();
    if (waiting > 0) port_->PurgeInput();
    return waiting;
}

void TRecvClass::Run() {
    while (!terminated_.load()) {
        if (!StartEvent.IsSet()) NoteInFlight(false);
        // No time-out: while no transaction is in flight the worker costs nothing.
        StartEvent.Wait(-1);
        if (terminated_.load()) break;
        NoteInFlight(true);
        const long wait = WorkerStep();
        // The frame was taken (or the transaction given up): back to waiting for the next.
        if (!StartEvent.IsSet()) continue;
        WaitForLine(wait < 0 ? kLineWaitLimitMs : wait);
    }
    NoteInFlight(false);
}

void TRecvClass::NoteInFlight(bool inFlight) {
    std::lock_guard lock(stepMutex_);
    if (inFlight_ == inFlight || !port_) return;
    port_->SetInFlight(inFlight);
    inFlight_ = inFlight;
}

long TRecvClass::WorkerStep() {
    std::lock_guard lock(stepMutex_);
    // The transaction may have ended between the wake-up and this lock.
    if (!StartEvent.IsSet()) return -1;
    StepResult result = StepResult::Nothing;
    try {
        result = ReadStepLocked();
    } catch (...) {
        return kQuietGapMs;
    }
    switch (result) {
        case StepResult::Collected: {
            // Bytes that cannot have completed a frame, nor shown it to be noise, need
            // no quiet gap: judging them now would only find that more is to come.
            std::int32_t end = 0;
            return inFrame_ && Judge(end) != frame::Cut::Incomplete ? kQuietGapMs : -1;
        }
        case StepResult::Examined: return -1;  // the collection was judged: only new bytes can change it
        case StepResult::Nothing: break;
    }
    return kQuietGapMs;  // no port, or the driver could not tell: look again shortly
}

void TRecvClass::WaitForLine(long timeoutMs) {
    platform::SerialPort* port = nullptr;
    {
        std::lock_guard lock(stepMutex_);
        if (terminated_.load()) return;
        port = port_;
        waiting_ = port != nullptr;
    }
    if (!port) {
        platform::SleepMs(kQuietGapMs);
        return;
    }
    port->WaitReadable(timeoutMs);
    {
        std::lock_guard lock(stepMutex_);
        waiting_ = false;
    }
    waitEnded_.notify_all();
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

TRecvClass::StepResult TRecvClass::ReadStepLocked() {
    if (!port_) return StepResult::Nothing;
    const long waiting = port_->BytesWaiting();
    if (waiting < 0) return StepResult::Nothing;  // the driver cannot say what is queued: nothing to do this step
    if (waiting > kMaxQueued) {
        port_->PurgeInput();
        return StepResult::Nothing;
    }
    long got = 0;
    if (waiting > 0) {
        got = port_->Read(readBuffer_, static_cast<std::size_t>(waiting));
        if (got < 0) return StepResult::Nothing;
        got = std::min(got, waiting);
    }
    if (got > 0) {
        if (!inFrame_) {
            inFrame_ = true;
            frameCount_ = 0;
        }
        // No reply frame is anywhere near this long: what would overflow the frame
        // buffer is noise, and the frame in progress goes with it.
        if (frameCount_ + got > kBufferSize) {
            DropFrame();
            return StepResult::Collected;
        }
        std::memcpy(frameBuffer_ + frameCount_, readBuffer_, static_cast<std::size_t>(got));
        frameCount_ += static_cast<std::int32_t>(got);
        return StepResult::Collected;  // a frame is judged only once the line has gone quiet
    }
    Examine();
    return StepResult::Examined;
}

frame::Cut TRecvClass::Judge(std::int32_t& end) const {
    if (!inFrame_ || frameCount_ < frame::kCollectLeast) return frame::Cut::Incomplete;
    return frame::CutReply(frameBuffer_, frameCount_, end);
}

void TRecvClass::Examine() {
    std::int32_t end = 0;
    if (Judge(end) == frame::Cut::Incomplete) return;

    // Noise and refused frames in front of a reply cost the command a repeat and
    // the wait for owed answers when they take the reply down with them, and a
    // half-duplex adapter puts the request it sent in front of every reply. So the
    // collection is searched on for the first frame the link can take.
    std::int32_t refusedAt = -1;
    std::int32_t refusedSize = 0;
    for (std::int32_t at = frame::FindReplyStart(frameBuffer_, frameCount_, 0); at < frameCount_;
         at = frame::FindReplyStart(frameBuffer_, frameCount_, at + 1)) {
        std::int32_t size = 0;
        if (frame::CutReply(frameBuffer_ + at, frameCount_ - at, size) == frame::Cut::Incomplete) {
            // Nothing came after the last refused frame: what may begin inside it
            // (its terminator, at least) is no reason to hold its verdict back.
            if (refusedAt >= 0 && refusedAt + refusedSize >= frameCount_) break;
            // A reply may still be arriving here (the quiet gap is shorter than a
            // byte at 9600 baud): wait for it, and let go of what lies in front.
            KeepFrom(at);
            return;
        }
        if (frame::JudgeReply(frameBuffer_ + at, size) == frame::ReplyVerdict::Good) return Deliver(at, size);
        refusedAt = at;
        refusedSize = size;
    }
    // Nothing the link can take. The last refused frame still goes to the owner,
    // whose verdict on it stands (a garbled reply marks the reply buffer); those
    // skipped on the way to a good reply do not, or they would mark the buffer of
    // the reply taken after them.
    if (refusedAt >= 0) return Deliver(refusedAt, refusedSize);
    DropFrame();
}

void TRecvClass::KeepFrom(std::int32_t at) {
    if (at == 0) return;
    std::memmove(frameBuffer_, frameBuffer_ + at, static_cast<std::size_t>(frameCount_ - at));
    frameCount_ -= at;
}

void TRecvClass::Deliver(std::int32_t at, std::int32_t size) {
    // What follows the frame handed over goes with it: behind the reply taken, a
    // second one can only be a copy or a straggler, never this request's answer.
    inFrame_ = false;
    bool accepted = false;
    if (onFrame_) onFrame_(frameBuffer_ + at, size, accepted);
    if (accepted) {
        DoneEvent.Set();
        StartEvent.Reset();
    }
}
