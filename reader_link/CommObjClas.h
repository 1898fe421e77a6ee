// TCommClass: the link to the card reader on one serial port. It owns the open port,
// one receive worker and the buffer that receives the payload of each reply; every
// reader command runs as one request/response transaction with a 2000 ms time-out
// and retries.
//
// Threads: one transaction at a time, and callers see to it (the card watcher is
// stopped before anyone else uses or closes the link). Every operation runs on the
// thread that calls it and blocks it for the length of its transaction; the object
// may pass from thread to thread between calls (the UI thread opens and closes the
// port, the card watcher's thread polls). Only Connected, RetryCount and
// LastFailure() may be read from another thread while a transaction runs.
//
// Raising: the reader commands and SendCommand raise Exception when no port is open
// (kNoPortMessage; AuthenticateSector not while AuthEnabled is false); BuildFrame
// raises it for an empty command. Construction raises std::system_error when the
// receive worker's thread cannot be started. OpenPort, Connect, Disconnect,
// SetRetryCount, ForgetSectorKey and the frame handler (which runs on the worker's
// thread) raise nothing. Results are booleans; LastFailure() tells why the last
// command failed.
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

// Why the last command failed.
enum class LinkFailure {
    None,      // it succeeded
    NoReply,   // no reply was accepted: every attempt timed out
    Refused,   // a reply came, and its status bytes refused the command
    PortLost,  // the request could not be written (the port was closed), or no port is open
};

class TCommClass {
public:
    static constexpr std::int32_t kReplyBufferSize = 1024;
    static constexpr long kReplyTimeoutMs = 2000;

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
    // Signal mode 0 (the farewell), close the port, Connected := false; SectorKey is
    // wiped. The farewell gets one attempt (at most one reply time-out), and none
    // when the last command found the reader silent (LastFailure() NoReply).
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
    // `attempts` times; after a retry that was answered, the answers still owed to
    // the other sendings are waited for and dropped (OwedAnswers.h). The receive
    // worker stands still on every way out. Raises Exception when no port is open.
    bool SendCommand(const ByteString& frame, std::int32_t attempts);

    // --- reader commands ----------------------------------------------------------
    bool ProbeReader();
    bool RequestCard();
    bool ReadCardSerial(std::uint32_t& serial);
    bool AuthenticateSector();
    bool WriteSectorTrailer(const SectorKeyBytes& keyA);
    // Writes kTransportTrailer into the trailer of SectorNo: the card's sector goes
    // back to the factory state. Takes nothing, so nothing else can reach the card.
    bool WriteTransportTrailer();
    bool SendSignal(std::uint8_t mode);

    // Why the last command (or SendCommand) failed; None after a success. Set on the
    // thread that ran the command; may be read from any thread.
    LinkFailure LastFailure() const { return lastFailure_.load(); }

    // Wipes SectorKey. For the card procedure once it is done with a card: nothing
    // reads the key after its last authentication.
    void ForgetSectorKey();

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
    // Signal mode 0 before the port closes, in one attempt whatever RetryCount says.
    bool SendFarewell();
    bool Exchange(const ByteString& request);
    // Exchange for a request that carries a key: the request and its frame are wiped
    // once sent, whatever happens.
    bool ExchangeSecret(ByteString& request);
    // The trailer write of SectorNo with these 16 bytes.
    bool WriteTrailer(const TrailerBytes& trailer);
    // The command's verdict on the reply it got; a refusal is recorded as such.
    bool Judge(bool accepted);
    bool StatusOk() const { return ReplyBuffer[0] == 0x0A && ReplyBuffer[1] == 0x00; }
    void ClosePort();

    PortOpener opener_;
    std::unique_ptr<platform::SerialPort> PortHandle;
    std::string lastOpenError_;
    platform::OpenFailure lastOpenFailure_ = platform::OpenFailure::Other;
    std::string lastOpenDevice_;
    std::atomic<LinkFailure> lastFailure_{LinkFailure::None};
    std::unique_ptr<TRecvClass> receiver_;
};
