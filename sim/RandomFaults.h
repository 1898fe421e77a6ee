// Faults drawn at random, reproducibly from a seed, for soak runs. A reply may
// lose a byte, have a byte or a bit of its length byte flipped, come later than
// the host waits (and the reply after it, to the repeat the host sent meanwhile,
// later still), carry a burst of garbage inside it or after it, be sent twice at
// once or again a little later; a request may come back to the host as it goes
// out; at any request the card may be taken away. Not thread-safe; SimReader
// serialises access.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "reader_link/ByteString.h"
#include "sim/Prng.h"

namespace sim {

enum class FaultKind : unsigned {
    LostByte,        // one byte of the reply never arrives
    FlippedByte,     // one byte of the reply arrives with bits flipped
    LateReply,       // the reply starts later than the host's time-out
    GarbageInside,   // random bytes in the middle of the reply
    GarbageAfter,    // random bytes after the reply, before the next one
    DuplicateReply,  // the reply goes out twice
    LateRepeat,      // the reply is late, and the next reply waits a while more
    CardTaken,       // the card leaves right after this request
    Echo,            // the reply goes out again a little later, on its own
    SlowRepeat,      // the reply is late, and the next one later than a time-out more
    FlippedLength,   // one bit of the reply's length byte arrives flipped
    EchoedRequest,   // the line hands the request back to the host, ahead of any reply
    Count
};
inline constexpr std::size_t kFaultKinds = static_cast<std::size_t>(FaultKind::Count);
inline constexpr unsigned FaultBit(FaultKind kind) { return 1u << static_cast<unsigned>(kind); }
// A short name for tables and logs ("lost-byte").
const char* FaultKindName(FaultKind kind);

// The host drops its whole receive queue when more than this much is waiting.
inline constexpr std::size_t kHostQueueLimit = 2048;

struct FaultRates {
    // Chance per reply sent; for CardTaken, per request while a card is on the reader.
    std::array<double, kFaultKinds> chance{};
    // Share of garbage bursts longer than kHostQueueLimit.
    double bigGarbage = 0.1;
    std::size_t smallGarbageMax = 64;
    std::size_t bigGarbageMax = 3000;
    int lateMinMs = 2100;
    int lateMaxMs = 3000;
    // LateRepeat: the next reply's extra wait, counted from when it could go out.
    int repeatMinMs = 30;
    int repeatMaxMs = 2500;
    // SlowRepeat: the same, past the host's time-out (a repeat outlasting its own wait).
    int slowRepeatMinMs = 2500;
    int slowRepeatMaxMs = 4500;
    // Echo: how long after the reply its copy follows.
    int echoMinMs = 20;
    int echoMaxMs = 300;
    // Pause before garbage that follows a reply.
    int garbageGapMaxMs = 30;

    double& operator[](FaultKind kind) { return chance[static_cast<std::size_t>(kind)]; }
    double operator[](FaultKind kind) const { return chance[static_cast<std::size_t>(kind)]; }
};

struct FaultCounts {
    std::array<std::uint64_t, kFaultKinds> byKind{};
    std::uint64_t bigBursts = 0;  // garbage bursts longer than kHostQueueLimit
    std::uint64_t operator[](FaultKind kind) const { return byKind[static_cast<std::size_t>(kind)]; }
};

// What happens to one request and its reply.
struct ReplyDamage {
    unsigned kinds = 0;  // FaultBit of every fault drawn
    int delayMs = 0;
    std::size_t lostAt = 0;
    std::size_t flipAt = 0;
    std::uint8_t flipMask = 0;
    std::uint8_t lengthMask = 0;  // FlippedLength: the one bit flipped
    std::size_t insertAt = 0;
    ByteString inside;
    ByteString after;
    int afterGapMs = 0;
    int echoGapMs = 0;  // Echo: the intact copy follows the reply this long after it

    bool Has(FaultKind kind) const { return (kinds & FaultBit(kind)) != 0; }
    // The bytes that go out for `frame`: flipped, cut and filled as drawn, and
    // followed by an intact copy when duplicated. `after` and an echo are sent on
    // their own, as is the echoed request, ahead of it all.
    ByteString Apply(const ByteString& frame) const;
};

class RandomFaults {
public:
    // Starts drawing from `seed`; counts go on across re-arming.
    void Arm(const FaultRates& rates, std::uint64_t seed);
    void Disarm() { armed_ = false; }
    bool Armed() const { return armed_; }

    // The fate of one request: `answered` when a reply of `frameLength` bytes goes
    // out, `cardPresent` when a card lies on the reader. Nothing while disarmed. A
    // wait carried over from a LateRepeat or SlowRepeat is added to the next
    // answered request.
    ReplyDamage Draw(bool cardPresent, bool answered, std::size_t frameLength);

    const FaultCounts& Counts() const { return counts_; }

private:
    ByteString Garbage();
    void Count(ReplyDamage& damage, FaultKind kind);
    // A late reply (unless already late) and a wait of minMs..maxMs for the next.
    void DrawRepeat(ReplyDamage& damage, FaultKind kind, int minMs, int maxMs);

    bool armed_ = false;
    int carriedDelayMs_ = 0;
    FaultRates rates_;
    Prng prng_;
    FaultCounts counts_;
};

}  // namespace sim
