// The reader commands: each builds its request, runs one transaction and judges the
// status bytes the reply left in ReplyBuffer.
#include "reader_link/CommObjClas.h"

#include "cryptel/SecureWipe.h"
#include "reader_link/CommandCodes.h"

#include <algorithm>

namespace {

std::uint8_t BlockByte(std::int32_t sector, std::uint32_t offset) {
    return static_cast<std::uint8_t>((static_cast<std::uint32_t>(sector) * 4u + offset) & 0xFFu);
}

}  // namespace

bool TCommClass::Exchange(const ByteString& request) { return SendCommand(BuildFrame(request, 0), RetryCount.load()); }

bool TCommClass::ExchangeSecret(ByteString& request) {
    struct Wipe {
        ByteString& bytes;
        ~Wipe() { cryptel::WipeBytes(bytes.data(), bytes.size()); }
    };
    Wipe wipeRequest{request};
    ByteString frame = BuildFrame(request, 0);
    Wipe wipeFrame{frame};
    return SendCommand(frame, RetryCount.load());
}

bool TCommClass::Judge(bool accepted) {
    if (!accepted) lastFailure_.store(LinkFailure::Refused);
    return accepted;
}

bool TCommClass::ProbeReader() { return Exchange({command::kProbe, 0x00}) && Judge(ReplyBuffer[2] == 0x00); }

bool TCommClass::RequestCard() { return Exchange({command::kRequestCard, 0x01}) && Judge(StatusOk()); }

bool TCommClass::ReadCardSerial(std::uint32_t& serial) {
    if (!Exchange({command::kReadSerial, 0x00})) return false;
    if (!Judge(ReplyBuffer[0] == 0x36 && ReplyBuffer[1] == 0x00)) return false;
    serial = static_cast<std::uint32_t>(ReplyBuffer[2]) | static_cast<std::uint32_t>(ReplyBuffer[3]) << 8 |
             static_cast<std::uint32_t>(ReplyBuffer[4]) << 16 | static_cast<std::uint32_t>(ReplyBuffer[5]) << 24;
    return true;
}

bool TCommClass::AuthenticateSector() {
    if (!AuthEnabled) {
        lastFailure_.store(LinkFailure::None);
        return true;
    }
    ByteString request;
    request.reserve(2 + SectorKey.size());
    request.push_back(command::kAuthenticate);
    request.push_back(BlockByte(SectorNo, 0));
    request.insert(request.end(), SectorKey.begin(), SectorKey.end());
    return ExchangeSecret(request) && Judge(StatusOk());
}

bool TCommClass::WriteTrailer(const TrailerBytes& trailer) {
    ByteString request;
    request.reserve(2 + trailer.size());
    request.push_back(command::kWriteTrailer);
    request.push_back(BlockByte(SectorNo, 3));
    request.insert(request.end(), trailer.begin(), trailer.end());
    return ExchangeSecret(request) && Judge(StatusOk());
}

bool TCommClass::WriteSectorTrailer(const SectorKeyBytes& keyA) {
    TrailerBytes trailer{};
    std::copy(keyA.begin(), keyA.end(), trailer.begin());
    std::copy(kTrailerAccessBytes.begin(), kTrailerAccessBytes.end(), trailer.begin() + 6);
    std::copy(kTrailerKeyB.begin(), kTrailerKeyB.end(), trailer.begin() + 10);
    struct Wipe {
        TrailerBytes& bytes;
        ~Wipe() { cryptel::WipeBytes(bytes.data(), bytes.size()); }
    } wipe{trailer};
    return WriteTrailer(trailer);
}

bool TCommClass::WriteTransportTrailer() { return WriteTrailer(kTransportTrailer); }

bool TCommClass::SendSignal(std::uint8_t mode) { return Exchange({command::kSignal, mode}) && Judge(StatusOk()); }

bool TCommClass::SendFarewell() {
    return SendCommand(BuildFrame({command::kSignal, 0x00}, 0), 1) && Judge(StatusOk());
}
