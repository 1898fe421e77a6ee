#include "reader_link/CommObjClas.h"

#include "cryptel/SecureWipe.h"
#include "platform/DebugChannel.h"
#include "reader_link/FrameLayout.h"
#include "reader_link/OwedAnswers.h"
#include "reader_link/RequestTrace.h"

#include <chrono>
#include <cstring>

namespace {

constexpr std::int32_t kTraceReplyBytes = 41;

}  // namespace

TCommClass::TCommClass() : TCommClass(platform::OpenSerialPort) {}

TCommClass::TCommClass(PortOpener opener) : opener_(std::move(opener)), receiver_(std::make_unique<TRecvClass>()) {
    receiver_->SetFrameHandler([this](const std::uint8_t* data, std::int32_t count, bool& accepted) {
        OnFrameReceived(data, count, accepted);
    });
}

TCommClass::~TCommClass() {
    // The worker still runs here, so the closing signal can be answered; it is
    // joined only after the last transaction, and before the buffers it fills go.
    if (Connected.load()) {
        try {
            Disconnect();
        } catch (...) {}
    }
    ClosePort();
    ForgetSectorKey();
    receiver_.reset();
}

bool TCommClass::OpenPort(const std::string& portName) {
    if (PortHandle) return true;
    platform::OpenResult result = opener_ ? opener_(portName) : platform::OpenResult{};
    lastOpenDevice_ = result.device;
    lastOpenError_ = result.error;
    lastOpenFailure_ = result.failure;
    if (!result.port) return false;
    PortHandle = std::move(result.port);
    receiver_->SetPort(PortHandle.get());
    return true;
}

bool TCommClass::Connect(const std::string& portName) {
    bool opened = false;
    try {
        opened = OpenPort(portName);
    } catch (...) {
        opened = false;
    }
    if (opened) Connected.store(true);
    return opened;
}

bool TCommClass::Disconnect() {
    try {
        if (PortHandle) {
            // The close runs on the UI thread: a reader that went silent must not
            // hold it for RetryCount time-outs. The farewell gets one attempt, and
            // none when the last exchange already found the reader silent.
            if (LastFailure() != LinkFailure::NoReply) SendFarewell();
            ClosePort();
        }
    } catch (...) {
        return false;
    }
    Connected.store(false);
    ForgetSectorKey();
    return true;
}

void TCommClass::ForgetSectorKey() {
    cryptel::WipeBytes(SectorKey.data(), SectorKey.size());
    SectorKey.clear();
}

void TCommClass::SetRetryCount(std::int32_t count) { RetryCount.store(count >= 1 ? count : 1); }

void TCommClass::ClosePort() {
    if (!PortHandle) return;
    receiver_->SetPort(nullptr);  // waits for a step in progress: no read through a closed port
    PortHandle->Close();
    PortHandle.reset();
}

ByteString TCommClass::BuildFrame(const ByteString& command, std::uint16_t headerWord) {
    if (command.empty()) throw Exception(kEmptyCommandMessage);
    return frame::BuildRequest(command, headerWord);
}

void TCommClass::OnFrameReceived(const std::uint8_t* data, std::int32_t count, bool& accepted) {
    try {
        if (!data || count < 0 || count > kReplyBufferSize) return;
        std::uint8_t bytes[kReplyBufferSize];
        std::memcpy(bytes, data, static_cast<std::size_t>(count));
        switch (frame::JudgeReply(bytes, count)) {
            case frame::ReplyVerdict::Good: break;
            case frame::ReplyVerdict::BadChecksum:
                std::memset(ReplyBuffer, 0xFF, sizeof ReplyBuffer);
                accepted = false;
                return;
            default: return;  // not a reply frame: left as if never seen
        }
        const std::int32_t payload = frame::kReply.BodySize(count);
        if (payload > 0) std::memcpy(ReplyBuffer, bytes + frame::kReply.BodyAt(), static_cast<std::size_t>(payload));
        accepted = true;
        if (platform::DebugChannelActive())
            platform::DebugOutput(std::string(kReceiveLabel) + HexDump(ReplyBuffer, kTraceReplyBytes));
    } catch (...) {
        accepted = false;
    }
}

bool TCommClass::SendCommand(const ByteString& frame, std::int32_t attempts) {
    using Clock = std::chrono::steady_clock;
    if (attempts <= 0) {
        lastFailure_.store(LinkFailure::NoReply);
        return false;
    }
    if (!PortHandle) {
        lastFailure_.store(LinkFailure::PortLost);
        throw Exception(kNoPortMessage);
    }

    // Whatever earlier exchanges left behind (a late reply, its done signal, half a
    // frame) must not pass for the answer to this request. Retries of this same
    // frame keep it: a late answer to the same request is still its answer.
    receiver_->DiscardStale();
    // However the transaction ends, the worker stops reading with it: a reply taken
    // between a time-out and the repeat's start would otherwise leave it collecting
    // into ReplyBuffer while the command reads it.
    struct StopReadingOnExit {
        TRecvClass& receiver;
        ~StopReadingOnExit() { receiver.StopReading(); }
    } stopReading{*receiver_};

    Clock::time_point firstSending;
    for (std::int32_t sent = 1;; ++sent) {
        if (platform::DebugChannelActive()) platform::DebugOutput(RequestTraceLine(frame));
        if (!PortHandle->Write(frame.data(), frame.size())) {
            ClosePort();
            lastFailure_.store(LinkFailure::PortLost);
            return false;
        }
        const Clock::time_point sentAt = Clock::now();
        if (sent == 1) firstSending = sentAt;
        receiver_->StartEvent.Set();
        // The attempt ends once more than kReplyTimeoutMs whole milliseconds have passed.
        const bool answered = receiver_->DoneEvent.WaitUntil(sentAt + std::chrono::milliseconds(kReplyTimeoutMs + 1));
        if (!answered && sent < attempts) continue;
        receiver_->StopReading();
        if (!answered) {
            lastFailure_.store(LinkFailure::NoReply);
            return false;
        }
        lastFailure_.store(LinkFailure::None);
        if (sent > 1) owed::DropOwedAnswers(*receiver_, firstSending, Clock::now());
        return true;
    }
}
