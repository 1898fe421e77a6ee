#include "sim/RandomFaults.h"

#include <algorithm>

#include "reader_link/FrameLayout.h"

namespace sim {

const char* FaultKindName(FaultKind kind) {
    switch (kind) {
        case FaultKind::LostByte: return "lost-byte";
        case FaultKind::FlippedByte: return "flipped-byte";
        case FaultKind::LateReply: return "late-reply";
        case FaultKind::GarbageInside: return "garbage-inside";
        case FaultKind::GarbageAfter: return "garbage-after";
        case FaultKind::DuplicateReply: return "duplicate-reply";
        case FaultKind::LateRepeat: return "late-repeat";
        case FaultKind::CardTaken: return "card-taken";
        case FaultKind::Echo: return "echo";
        case FaultKind::SlowRepeat: return "slow-repeat";
        case FaultKind::FlippedLength: return "flipped-length";
        case FaultKind::EchoedRequest: return "echoed-request";
        case FaultKind::Count: break;
    }
    return "?";
}

ByteString ReplyDamage::Apply(const ByteString& frame) const {
    ByteString out = frame;
    if (Has(FaultKind::FlippedByte) && !out.empty()) out[flipAt % out.size()] ^= flipMask;
    constexpr auto kLengthAt = static_cast<std::size_t>(frame::kReply.LengthAt());
    if (Has(FaultKind::FlippedLength) && out.size() > kLengthAt) out[kLengthAt] ^= lengthMask;
    if (Has(FaultKind::LostByte) && !out.empty())
        out.erase(out.begin() + static_cast<std::ptrdiff_t>(lostAt % out.size()));
    if (Has(FaultKind::GarbageInside)) {
        const std::size_t at = std::min(insertAt, out.size());
        out.insert(out.begin() + static_cast<std::ptrdiff_t>(at), inside.begin(), inside.end());
    }
    if (Has(FaultKind::DuplicateReply)) out.insert(out.end(), frame.begin(), frame.end());
    return out;
}

void RandomFaults::Arm(const FaultRates& rates, std::uint64_t seed) {
    rates_ = rates;
    prng_ = Prng(seed);
    armed_ = true;
    carriedDelayMs_ = 0;
}

void RandomFaults::Count(ReplyDamage& damage, FaultKind kind) {
    damage.kinds |= FaultBit(kind);
    ++counts_.byKind[static_cast<std::size_t>(kind)];
}

ByteString RandomFaults::Garbage() {
    const bool big = prng_.Chance(rates_.bigGarbage) && rates_.bigGarbageMax > kHostQueueLimit;
    const std::size_t length =
        big ? static_cast<std::size_t>(
                  prng_.Between(kHostQueueLimit + 1, static_cast<std::int64_t>(rates_.bigGarbageMax)))
            : static_cast<std::size_t>(
                  prng_.Between(1, static_cast<std::int64_t>(std::max<std::size_t>(rates_.smallGarbageMax, 1))));
    if (big) ++counts_.bigBursts;
    ByteString bytes(length);
    for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(prng_.Next());
    return bytes;
}

void RandomFaults::DrawRepeat(ReplyDamage& damage, FaultKind kind, int minMs, int maxMs) {
    if (!damage.Has(FaultKind::LateReply) && !damage.Has(FaultKind::LateRepeat))
        damage.delayMs += static_cast<int>(prng_.Between(rates_.lateMinMs, rates_.lateMaxMs));
    Count(damage, kind);
    carriedDelayMs_ = static_cast<int>(prng_.Between(minMs, maxMs));
}

ReplyDamage RandomFaults::Draw(bool cardPresent, bool answered, std::size_t frameLength) {
    ReplyDamage damage;
    if (!armed_) return damage;
    // Every kind is drawn in the same order each time, so a seed replays exactly.
    if (prng_.Chance(rates_[FaultKind::CardTaken]) && cardPresent) Count(damage, FaultKind::CardTaken);
    // The adapter hands back what it sends whether the reader answers or not.
    if (prng_.Chance(rates_[FaultKind::EchoedRequest])) Count(damage, FaultKind::EchoedRequest);
    if (!answered || frameLength == 0) return damage;
    damage.delayMs = carriedDelayMs_;
    carriedDelayMs_ = 0;
    if (prng_.Chance(rates_[FaultKind::LostByte])) {
        Count(damage, FaultKind::LostByte);
        damage.lostAt = prng_.Below(frameLength);
    }
    if (prng_.Chance(rates_[FaultKind::FlippedByte])) {
        Count(damage, FaultKind::FlippedByte);
        damage.flipAt = prng_.Below(frameLength);
        damage.flipMask = static_cast<std::uint8_t>(prng_.Between(1, 255));
    }
    if (prng_.Chance(rates_[FaultKind::LateReply])) {
        Count(damage, FaultKind::LateReply);
        damage.delayMs += static_cast<int>(prng_.Between(rates_.lateMinMs, rates_.lateMaxMs));
    }
    if (prng_.Chance(rates_[FaultKind::GarbageInside])) {
        Count(damage, FaultKind::GarbageInside);
        damage.insertAt = frameLength > 1 ? 1 + prng_.Below(frameLength - 1) : 0;
        damage.inside = Garbage();
    }
    if (prng_.Chance(rates_[FaultKind::GarbageAfter])) {
        Count(damage, FaultKind::GarbageAfter);
        damage.afterGapMs = static_cast<int>(prng_.Between(0, rates_.garbageGapMaxMs));
        damage.after = Garbage();
    }
    if (prng_.Chance(rates_[FaultKind::DuplicateReply])) Count(damage, FaultKind::DuplicateReply);
    if (prng_.Chance(rates_[FaultKind::LateRepeat]))
        DrawRepeat(damage, FaultKind::LateRepeat, rates_.repeatMinMs, rates_.repeatMaxMs);
    if (prng_.Chance(rates_[FaultKind::SlowRepeat]))
        DrawRepeat(damage, FaultKind::SlowRepeat, rates_.slowRepeatMinMs, rates_.slowRepeatMaxMs);
    if (prng_.Chance(rates_[FaultKind::FlippedLength])) {
        Count(damage, FaultKind::FlippedLength);
        damage.lengthMask = static_cast<std::uint8_t>(1u << prng_.Below(8));
    }
    if (prng_.Chance(rates_[FaultKind::Echo])) {
        Count(damage, FaultKind::Echo);
        damage.echoGapMs = static_cast<int>(prng_.Between(rates_.echoMinMs, rates_.echoMaxMs));
    }
    return damage;
}

}  // namespace sim
