// TCommClass: the link to the card reader on one serial port. It owns the open port,
// one receive worker and the buffer that receives the payload of each reply; every
// reader command runs as one request/response transaction with a 2000 ms time-out
// and retries.
//
// One transaction at a time: callers see to it (the card watcher is stopped before
// anyone else uses or closes the link).
#pragma once

#include "platform/SerialPort.h"
#include "reader_link/ByteString.h"
#include "reader_link/LinkException.h"
#include "reader_link/RecvClass.h"
#include "reader_link/SectorTrailer.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TCommClass {
public:
    static constexpr std::int32_t kReplyBufferSize = 1024;
    static constexpr long kReplyTimeoutMs = 2000;
    // After a command went out more than once, answers to the earlier sendings may
    // still be coming: the line must stay quiet this long before what arrived is
    // dropped, and the wait takes at most kSettleLimitMs.
    static constexpr long kSettleQuietMs = 100;
    static constexpr long kSettleLimitMs = 1000;

    using PortOpener = std::function<platform::OpenResult(const std::string& portName)>;

    // Opens ports through the platform's serial layer.
    TCommClass();
    // Opens ports through `opener` (an in-memory port in tests, for instance).
    explicit TCommClass(PortOpener opener);
    ~TCommClass();
    TCommClass(const TCommClass&) = delete;
    TCommClass& operator=(const TCommClass&) = delete;

    // --- connection ---------------------------------------------------------------
    // Opens and configures the port; true at once if a port is already open, whatever
    // the name. Raises nothing.
    bool OpenPort(const std::string& portName);
    // OpenPort, then Connected := true on success.
    bool Connect(const std::string& portName);
    // Signal mode 0, close the port, Connected := false.
    bool Disconnect();
    // Attempts per command; never below 1.
    void SetRetryCount(std::int32_t count);

    bool PortOpen() const { return PortHandle != nullptr; }
    // Why the last OpenPort failed (text and kind), and the device the name stood for.
    const std::string& LastOpenError() const { return lastOpenError_; }
    platform::OpenFailure LastOpenFailure() const { return lastOpenFailure_; }
    const std::string& LastOpenDevice() const { return lastOpenDevice_; }

    // --- frames and transactions --------------------------------------------------
    // Wraps command bytes into a request frame. Raises Exception on an empty command.
    static ByteString BuildFrame(const ByteString& command, std::uint16_t headerWord);
    // Judges one collected reply frame (worker thread); sets accepted on a good one.
    void OnFrameReceived(const std::uint8_t* data, std::int32_t count, bool& accepted);
    // One transaction: write, wait up to 2000 ms for an accepted reply, retry up to
    // `attempts` times; after a retry, the line is let settle before returning (see
    // kSettleQuietMs). Raises Exception when no port is open.
    bool SendCommand(const ByteString& frame, std::int32_t attempts);

    // --- reader commands ----------------------------------------------------------
    bool ProbeReader();
    bool RequestCard();
    bool ReadCardSerial(std::uint32_t& serial);
    bool AuthenticateSector();
    bool WriteSectorTrailer(const SectorKeyBytes& keyA);
    bool SendSignal(std::uint8_t mode);

    TRecvClass& Receiver() { return *receiver_; }

    // --- public state -------------------------------------------------------------
    // Payload of the last accepted reply from index 0; later bytes keep older values.
    std::uint8_t ReplyBuffer[kReplyBufferSize]{};
    // Card operation parameters, set by the card procedure right before the commands
    // that read them, on the same thread.
    std::int32_t SectorNo = 0;
    ByteString SectorKey;
    bool AuthEnabled = false;
    // Set by Connect, cleared by Disconnect; read by the card watcher's thread.
    std::atomic<bool> Connected{false};
    std::atomic<std::int32_t> RetryCount{3};

private:
    bool Exchange(const ByteString& request);
    bool StatusOk() const { return ReplyBuffer[0] == 0x0A && ReplyBuffer[1] == 0x00; }
    // Waits until no byte has come for kSettleQuietMs, then drops what came.
    void SettleLine();
    void ClosePort();

    PortOpener opener_;
    std::unique_ptr<platform::SerialPort> PortHandle;
    std::string lastOpenError_;
    platform::OpenFailure lastOpenFailure_ = platform::OpenFailure::Other;
    std::string lastOpenDevice_;
    std::unique_ptr<TRecvClass> receiver_;
};
