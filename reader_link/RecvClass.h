// TRecvClass: the receive side of the reader link. A worker thread that reads the
// serial port only while a transaction is in flight, collects the queued bytes,
// and once the line has gone quiet cuts reply frames out of them by their length
// byte and hands the owner the first it can take: noise, an echoed request or a
// garbled frame in front of a reply is skipped, and what follows the frame handed
// over is dropped. When the owner accepts the frame it wakes the waiting
// transaction (DoneEvent) and stops reading until the next one (StartEvent).
//
// Between steps the worker sleeps in the port's WaitReadable: until bytes come, or,
// right after bytes that may complete a frame, for the quiet gap. So waiting for a
// reply costs no wake-ups while nothing arrives (on a port that can wait for input).
//
// Threads: the worker's own thread runs the steps. Everything public is called by
// the thread that runs the owner's transaction (one at a time), except ReadStep,
// which only tests call while no transaction runs. Only construction can raise (when
// no thread can be started); the frame handler's exceptions are swallowed in a step.
#pragma once

#include "platform/Event.h"
#include "platform/SerialPort.h"
#include "reader_link/FrameLayout.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

class TRecvClass {
public:
    static constexpr std::int32_t kBufferSize = 1024;
    // More than this many queued bytes is line noise, not a reply: the queue is purged.
    static constexpr long kMaxQueued = 2048;
    // A frame is judged once no byte came for this long after the last ones read.
    static constexpr long kQuietGapMs = 1;
    // The longest single wait for the line. A transaction that gives up resets
    // StartEvent without waking the worker; after this long the worker sees that and
    // leaves the port alone (on Windows a pending wait for input is not free under
    // every driver). Longer than a reply time-out: one wake-up per period at most.
    static constexpr long kLineWaitLimitMs = 2500;

    using FrameHandler = std::function<void(const std::uint8_t* data, std::int32_t count, bool& accepted)>;

    // Starts the thread at once; it stays idle until StartEvent is set.
    TRecvClass();
    // Stops the thread and waits for it: nothing it uses outlives it.
    ~TRecvClass();
    TRecvClass(const TRecvClass&) = delete;
    TRecvClass& operator=(const TRecvClass&) = delete;

    // Frame delivery; set before the first transaction, never while one runs.
    void SetFrameHandler(FrameHandler handler);

    // The port to read, or null. Taking the port away waits for a step in progress
    // and ends the worker's wait on it, so the caller may close the port as soon as
    // this returns.
    void SetPort(platform::SerialPort* port);

    // Drops what earlier exchanges left behind: a stale done signal, the driver's
    // queued input and a half-collected frame. Waits for a step in progress.
    void DiscardStale();

    // Ends reading for the transaction: resets StartEvent and waits for a step in
    // progress, so that once this returns the worker neither reads the port nor
    // calls the frame handler (which writes the owner's reply buffer) until
    // StartEvent is set again.
    void StopReading();

    // While the worker stands still (after StopReading): throws away whatever the
    // driver has queued, and any half-collected frame. Returns how many bytes were
    // queued, or -1 when the port is gone or cannot tell.
    long DropQueued();

    // One read-and-collect step. Run by the thread; public so that the collection
    // rules can be driven step by step over an in-memory port.
    void ReadStep();

    bool InFrame() const { return inFrame_; }
    std::int32_t FrameCount() const { return frameCount_; }

    platform::Event DoneEvent{platform::Event::Kind::AutoReset};
    platform::Event StartEvent{platform::Event::Kind::ManualReset};

private:
    enum class StepResult { Collected, Examined, Nothing };

    void Run();
    // One step of the worker; returns how long it may wait for the line before the
    // next step (negative: until bytes come).
    long WorkerStep();
    void WaitForLine(long timeoutMs);
    // Tells the port when a transaction begins and ends being served (SetInFlight).
    void NoteInFlight(bool inFlight);
    StepResult ReadStepLocked();
    // What the collection is, judged as it stands; `end` is the frame's length when complete.
    frame::Cut Judge(std::int32_t& end) const;
    // Judges the collection once the line is quiet: hands over the first frame the
    // link can take, skipping noise and refused frames in front of it.
    void Examine();
    // Drops the bytes before `at`: the collection goes on from there.
    void KeepFrom(std::int32_t at);
    // Hands the frame at `at` to the owner; the collection ends with it.
    void Deliver(std::int32_t at, std::int32_t size);
    void DropFrame() { inFrame_ = false; }

    // What one step reads from the port: all that was queued, up to kMaxQueued.
    std::uint8_t readBuffer_[kMaxQueued]{};
    std::uint8_t frameBuffer_[kBufferSize]{};
    std::int32_t frameCount_ = 0;
    bool inFrame_ = false;

    // Held for a whole step, and by whoever swaps the port or discards stale input,
    // so the port is never used after it was taken away.
    std::mutex stepMutex_;
    platform::SerialPort* port_ = nullptr;
    FrameHandler onFrame_;
    // The worker waits in port_->WaitReadable (set and cleared under stepMutex_, so
    // port_ stays while it is set).
    bool waiting_ = false;
    // The port has been told that a transaction is in flight (under stepMutex_).
    bool inFlight_ = false;
    std::condition_variable waitEnded_;

    std::atomic<bool> terminated_{false};
    std::thread thread_;
};
