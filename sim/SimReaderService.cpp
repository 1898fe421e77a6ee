// The service thread of SimReader: reads requests from the master side of the
// pty and answers them.
#include <poll.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <utility>

#include "sim/ArrivalLog.h"
#include "sim/Framing.h"
#include "sim/SimReader.h"

namespace sim {
namespace {

// Only a safety net: every event that matters wakes poll() itself.
constexpr int kPollTimeoutMs = 1000;
// A frame whose bytes stop coming for this long is abandoned. At 9600 baud the
// bytes of a frame follow each other within about a millisecond.
constexpr auto kLineIdle = std::chrono::milliseconds(100);
// Back-off when the master reports an error, so a broken line cannot spin the CPU.
constexpr auto kErrorBackoff = std::chrono::milliseconds(100);

}  // namespace

void SimReader::Serve(int masterFd) {
    RequestParser parser;
    ArrivalLog arrivals;
    PacedWriter writer(masterFd, wake_, stop_);
    std::array<std::uint8_t, 1024> buffer{};
    Clock::time_point lastRead = Clock::now();

    const auto dispatch = [&](const std::vector<RequestParser::Request>& requests, std::uint64_t rejectedBefore) {
        if (parser.RejectedFrames() != rejectedBefore) {
            std::lock_guard lock(mutex_);
            rejectedFrames_ += parser.RejectedFrames() - rejectedBefore;
        }
        for (const auto& request : requests) {
            if (stop_.load()) break;
            Handle(request, arrivals.TimeOf(request.startOffset), writer);
        }
        arrivals.DropBefore(parser.BufferStartOffset());
        // Input that came while we were busy answering is still unread; the quiet
        // period only counts from when we listen again.
        lastRead = Clock::now();
    };

    while (!stop_.load()) {
        SendQueuedRaw(writer);
        int timeoutMs = kPollTimeoutMs;
        if (parser.Buffered() > 0) {
            const auto quiet = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lastRead);
            if (quiet >= kLineIdle) {
                const std::uint64_t rejectedBefore = parser.RejectedFrames();
                dispatch(parser.LineIdle(), rejectedBefore);
                continue;
            }
            timeoutMs = static_cast<int>((kLineIdle - quiet).count()) + 1;
        }
        pollfd fds[2] = {{masterFd, POLLIN, 0}, {wake_.Fd(), POLLIN, 0}};
        if (poll(fds, 2, timeoutMs) < 0) {
            if (errno != EINTR) writer.WaitUntil(Clock::now() + kErrorBackoff);
            continue;
        }
        if (fds[1].revents) wake_.Drain();
        if (!(fds[0].revents & POLLIN)) {
            if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) writer.WaitUntil(Clock::now() + kErrorBackoff);
            continue;
        }
        const ssize_t got = read(masterFd, buffer.data(), buffer.size());
        if (got <= 0) {
            if (got < 0 && errno != EAGAIN && errno != EINTR) writer.WaitUntil(Clock::now() + kErrorBackoff);
            continue;
        }
        lastRead = Clock::now();
        arrivals.Add(parser.BufferStartOffset() + parser.Buffered(), lastRead);
        const std::uint64_t rejectedBefore = parser.RejectedFrames();
        dispatch(parser.FeedRequests(buffer.data(), static_cast<std::size_t>(got)), rejectedBefore);
    }
}

void SimReader::Handle(const RequestParser::Request& request, Clock::time_point start, PacedWriter& writer) {
    Exchange exchange;
    exchange.request = request.command;
    exchange.requestStart = start;
    RequestFate fate;
    ReplyDamage damage;
    ByteString payload;
    std::optional<SignalRecord> signal;
    {
        std::lock_guard lock(mutex_);
        fate = faults_.Next(request.command.empty() ? -1 : request.command[0]);
        const bool cardPresent = model_.CardOnReader().has_value();
        if (fate.execute && fate.pretend) {
            payload = ByteString{0x0A, 0x00};
        } else if (fate.execute) {
            const std::size_t signalsBefore = model_.Signals().size();
            payload = model_.Execute(request.command);
            if (model_.Signals().size() != signalsBefore) signal = model_.Signals().back();
        }
        damage = random_.Draw(cardPresent, fate.answer, payload.size() + kReplyOverhead);
        if (lifted_ && --awayLeft_ == 0) {
            model_.PlaceCard(*lifted_);
            lifted_.reset();
        }
        if (fate.removeCard && liftAway_ > 0) {
            lifted_ = model_.CardOnReader();
            awayLeft_ = std::exchange(liftAway_, 0);
        }
        if (fate.removeCard || damage.Has(FaultKind::CardTaken)) model_.RemoveCard();
        if (fate.removeCard && swapIn_) {
            model_.PlaceCard(*swapIn_);
            swapIn_.reset();
        }
    }
    exchange.randomFaults = damage.kinds;
    if (signal) Notify(*signal);
    if (fate.echoed || damage.Has(FaultKind::EchoedRequest)) {
        // The adapter hands each byte back as it goes out, so the echo ends with the
        // request itself, before the reader can answer.
        writer.Write(frame::BuildRequest(request.command, request.headerWord),
                     pace_ ? std::optional(start) : std::nullopt);
    }
    if (!fate.answer) {
        Record(std::move(exchange));
        return;
    }

    ByteString frame = FrameReply(payload);
    if (fate.corrupt) SpoilChecksum(frame);
    exchange.reply = std::move(payload);
    exchange.replyCorrupted = fate.corrupt;
    const std::uint64_t sequence = Record(std::move(exchange));

    // The reply cannot begin before the request has finished arriving.
    Clock::time_point begin = Clock::now();
    if (pace_ && start + WireTime(request.frameLength) > begin) begin = start + WireTime(request.frameLength);
    begin += std::chrono::milliseconds(fate.delayMs + damage.delayMs);
    if (!SendReply(damage.kinds ? damage.Apply(frame) : frame, damage, begin, sequence, writer)) return;
    if (damage.Has(FaultKind::Echo) && !SendCopy(frame, damage.echoGapMs, writer)) return;
    if (fate.duplicateGapMs >= 0) SendCopy(frame, fate.duplicateGapMs, writer);
}

bool SimReader::SendCopy(const ByteString& bytes, int gapMs, PacedWriter& writer) {
    if (!writer.WaitUntil(Clock::now() + std::chrono::milliseconds(gapMs))) return false;
    writer.Write(bytes, pace_ ? std::optional(Clock::now()) : std::nullopt);
    return !stop_.load();
}

bool SimReader::SendReply(const ByteString& wire, const ReplyDamage& damage, Clock::time_point begin,
                          std::uint64_t sequence, PacedWriter& writer) {
    if (!writer.WaitUntil(begin)) return false;
    const auto markEnd = [&](Clock::time_point t) { SetReplyEnd(sequence, t); };
    if (!writer.Write(wire, pace_ ? std::optional(begin) : std::nullopt, markEnd)) {
        SetReplyEnd(sequence, std::nullopt);
        return !stop_.load();
    }
    if (damage.after.empty()) return true;
    // Noise on the line after the reply, before whatever comes next.
    if (!writer.WaitUntil(Clock::now() + std::chrono::milliseconds(damage.afterGapMs))) return false;
    writer.Write(damage.after, pace_ ? std::optional(Clock::now()) : std::nullopt);
    return !stop_.load();
}

void SimReader::SendQueuedRaw(PacedWriter& writer) {
    std::deque<ByteString> queue;
    {
        std::lock_guard lock(mutex_);
        queue.swap(rawQueue_);
    }
    for (const ByteString& bytes : queue) {
        if (!writer.Write(bytes, pace_ ? std::optional(Clock::now()) : std::nullopt) && stop_.load()) return;
    }
}

std::uint64_t SimReader::Record(Exchange exchange) {
    std::uint64_t sequence;
    {
        std::lock_guard lock(mutex_);
        exchanges_.push_back(std::move(exchange));
        sequence = firstExchange_ + exchanges_.size() - 1;
        while (exchanges_.size() > kExchangeLogLimit) {
            exchanges_.pop_front();
            ++firstExchange_;
        }
    }
    changed_.notify_all();
    return sequence;
}

void SimReader::SetReplyEnd(std::uint64_t sequence, std::optional<Clock::time_point> end) {
    std::lock_guard lock(mutex_);
    if (sequence < firstExchange_ || sequence - firstExchange_ >= exchanges_.size()) return;
    exchanges_[sequence - firstExchange_].replyEnd = end;
}

void SimReader::Notify(const SignalRecord& signal) {
    std::lock_guard lock(observerMutex_);
    if (observer_) observer_(signal);
}

}  // namespace sim
