// The receive worker's collection (TRecvClass::ReadStep) over an in-memory port: the
// input is a script of bytes arriving in chunks, quiet steps, long runs of one byte
// (past the purge limit), stale-input discards and handler verdicts. Checked: every
// frame handed over fits the 1024-byte buffer, ends where its length byte (confirmed
// by its complement) says, is a run of the bytes read since its collection began
// (noise in front of it skipped), comes only in a step that found the line quiet,
// and only an accepted one wakes the transaction; a collection kept waiting is the
// tail of what was read.
//
// Script: one op byte, then its operands.
//   op % 8 in 0..3  queue: a length byte n, then n + 1 bytes
//   op % 8 == 4     (op >> 3) + 1 read steps
//   op % 8 == 5     queue a run: a byte value and a 16-bit little-endian count (at most 4096)
//   op % 8 == 6     DiscardStale
//   op % 8 == 7     bit 3: the handler accepts frames; bit 4: the queue length is unknown
#include "fuzz/FuzzCheck.h"
#include "harness/MemoryPort.h"
#include "reader_link/FrameLayout.h"
#include "reader_link/RecvClass.h"

#include <algorithm>
#include <vector>

namespace {

struct Rig {
    Rig() : shared(std::make_shared<harness::MemoryPort::Shared>()), port(shared) {
        recv.SetPort(&port);
        recv.SetFrameHandler(
            [this](const std::uint8_t* d, std::int32_t n, bool& accepted) { OnFrame(d, n, accepted); });
    }
    ~Rig() { recv.SetPort(nullptr); }

    void Reset() {
        recv.DiscardStale();
        std::lock_guard lock(shared->mutex);
        shared->failQuery = false;
        accept = true;
        log.clear();
        collectionStart = 0;
    }

    std::size_t Queued() {
        std::lock_guard lock(shared->mutex);
        return shared->incoming.size();
    }

    void Queue(const std::uint8_t* bytes, std::size_t count) {
        std::lock_guard lock(shared->mutex);
        shared->incoming.insert(shared->incoming.end(), bytes, bytes + count);
    }

    void OnFrame(const std::uint8_t* d, std::int32_t n, bool& accepted) {
        ++deliveries;
        // FF, at least kCollectSync A5, 00, L, FF-L, the L bytes, FF.
        FUZZ_CHECK(n >= frame::kCollectSync + 5 && n <= TRecvClass::kBufferSize);
        const std::vector<std::uint8_t> f(d, d + n);
        FUZZ_CHECK(f[0] == frame::kLead);
        std::size_t zero = 1;
        while (zero < f.size() && f[zero] == frame::kSync) ++zero;
        FUZZ_CHECK(zero > frame::kCollectSync && zero + 1 < f.size() && f[zero] == frame::kSyncEnd);
        FUZZ_CHECK(static_cast<std::size_t>(n) == zero + 1 + 1 + f[zero + 1] + 1 + 1);  // 00, L, FF-L, L bytes, FF
        FUZZ_CHECK(f[zero + 2] == static_cast<std::uint8_t>(~f[zero + 1]));
        FUZZ_CHECK(f.back() == frame::kTerminator);
        FUZZ_CHECK(collectionStart + f.size() <= log.size());
        FUZZ_CHECK(std::search(log.begin() + static_cast<std::ptrdiff_t>(collectionStart), log.end(), f.begin(),
                               f.end()) != log.end());
        accepted = accept;
    }

    void Step() {
        bool failQuery;
        std::size_t queued;
        std::vector<std::uint8_t> before;  // what this step will read, when it reads
        {
            std::lock_guard lock(shared->mutex);
            failQuery = shared->failQuery;
            queued = shared->incoming.size();
            if (!failQuery && queued <= static_cast<std::size_t>(TRecvClass::kMaxQueued))
                before.assign(shared->incoming.begin(), shared->incoming.end());
        }
        const bool wasInFrame = recv.InFrame();
        const std::int32_t countBefore = recv.FrameCount();
        deliveries = 0;
        recv.ReadStep();
        const std::size_t after = Queued();

        FUZZ_CHECK(recv.FrameCount() >= 0 && recv.FrameCount() <= TRecvClass::kBufferSize);
        FUZZ_CHECK(deliveries <= 1);
        const bool done = recv.DoneEvent.IsSet();
        FUZZ_CHECK(done == (deliveries == 1 && accept));
        if (done) FUZZ_CHECK(!recv.StartEvent.IsSet());
        recv.DoneEvent.Reset();

        if (failQuery) {
            FUZZ_CHECK(after == queued && deliveries == 0);
            FUZZ_CHECK(recv.InFrame() == wasInFrame && recv.FrameCount() == countBefore);
            return;
        }
        if (queued > static_cast<std::size_t>(TRecvClass::kMaxQueued)) {
            FUZZ_CHECK(after == 0 && deliveries == 0);  // purged, nothing read
            FUZZ_CHECK(recv.InFrame() == wasInFrame && recv.FrameCount() == countBefore);
            return;
        }
        FUZZ_CHECK(after == 0);  // whatever was queued was read
        if (before.empty()) {
            // A quiet line: the collection may have let go of noise in front.
            if (recv.InFrame()) {
                const std::size_t kept = static_cast<std::size_t>(recv.FrameCount());
                FUZZ_CHECK(kept <= log.size() - collectionStart);
                collectionStart = log.size() - kept;
            }
            return;
        }
        FUZZ_CHECK(deliveries == 0);  // frames are judged only on a quiet line
        if (!wasInFrame) collectionStart = log.size();
        log.insert(log.end(), before.begin(), before.end());
        if (recv.InFrame()) {
            const std::size_t collected = log.size() - collectionStart;
            FUZZ_CHECK(static_cast<std::size_t>(recv.FrameCount()) == collected);
        }
    }

    std::shared_ptr<harness::MemoryPort::Shared> shared;
    harness::MemoryPort port;
    TRecvClass recv;  // its thread stays idle: StartEvent is never set here
    bool accept = true;
    int deliveries = 0;
    std::vector<std::uint8_t> log;  // every byte read from the port, in order
    std::size_t collectionStart = 0;
};

Rig& TheRig() {
    static Rig rig;
    return rig;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Rig& rig = TheRig();
    rig.Reset();
    InputCursor in(data, size);
    while (!in.Empty()) {
        const std::uint8_t op = in.Byte();
        switch (op % 8) {
            case 4:
                for (int i = 0; i <= op >> 3; ++i) rig.Step();
                break;
            case 5: {
                const std::uint8_t value = in.Byte();
                std::size_t count = in.Byte();
                count |= static_cast<std::size_t>(in.Byte()) << 8;
                const std::vector<std::uint8_t> run(std::min<std::size_t>(count, 4096), value);
                rig.Queue(run.data(), run.size());
                break;
            }
            case 6:
                rig.recv.DiscardStale();
                FUZZ_CHECK(!rig.recv.InFrame() && rig.Queued() == 0 && !rig.recv.DoneEvent.IsSet());
                break;
            case 7: {
                rig.accept = (op & 0x08) != 0;
                std::lock_guard lock(rig.shared->mutex);
                rig.shared->failQuery = (op & 0x10) != 0;
                break;
            }
            default: {
                std::size_t taken = 0;
                const std::uint8_t* bytes = in.Take(std::size_t{in.Byte()} + 1, taken);
                rig.Queue(bytes, taken);
                break;
            }
        }
    }
    // The line goes quiet at the end: a frame that is complete by now is judged.
    {
        std::lock_guard lock(rig.shared->mutex);
        rig.shared->failQuery = false;
    }
    rig.Step();
    rig.Step();
    rig.Step();
    return 0;
}
