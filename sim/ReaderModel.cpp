#include "sim/ReaderModel.h"

#include "reader_link/CommandCodes.h"

namespace sim {
namespace {

using command::kAuthenticate;
using command::kProbe;
using command::kReadSerial;
using command::kRequestCard;
using command::kSignal;
using command::kWriteTrailer;

const ByteString kOk = {0x0A, 0x00};
const ByteString kNoCard = {0x0A, 0x01};
const ByteString kAuthFailed = {0x0A, 0x02};
const ByteString kWriteFailed = {0x0A, 0x03};
const ByteString kUnknown = {0x0A, 0x0F};

bool Is(const ByteString& command, std::initializer_list<std::uint8_t> exact) { return ByteString(exact) == command; }

}  // namespace

ByteString ReaderModel::Execute(const ByteString& command) {
    if (command.empty()) return kUnknown;
    switch (command[0]) {
        case kProbe: return Is(command, {kProbe, 0x00}) ? ByteString{0x01, 0x00, 0x00} : kUnknown;
        case kRequestCard: return Is(command, {kRequestCard, 0x01}) ? RequestCard() : kUnknown;
        case kReadSerial: return Is(command, {kReadSerial, 0x00}) ? ReadSerial() : kUnknown;
        case kAuthenticate: return Authenticate(command);
        case kWriteTrailer: return WriteTrailer(command);
        case kSignal: return command.size() == 2 ? Signal(command) : kUnknown;
        default: return kUnknown;
    }
}

void ReaderModel::PlaceCard(const MifareCard& card) {
    RemoveCard();
    auto [it, inserted] = cards_.insert_or_assign(card.Serial(), card);
    it->second.PowerOff();
    present_ = card.Serial();
}

void ReaderModel::RemoveCard() {
    if (MifareCard* card = Present()) card->PowerOff();
    present_.reset();
}

std::optional<MifareCard> ReaderModel::CardOnReader() const {
    if (!present_) return std::nullopt;
    return cards_.at(*present_);
}

std::optional<MifareCard> ReaderModel::CardBySerial(std::uint32_t serial) const {
    auto it = cards_.find(serial);
    if (it == cards_.end()) return std::nullopt;
    return it->second;
}

MifareCard* ReaderModel::Present() { return present_ ? &cards_.at(*present_) : nullptr; }

ByteString ReaderModel::RequestCard() {
    MifareCard* card = Present();
    if (!card) return kNoCard;
    card->Wake();
    return {0x0A, 0x00, 0x04, 0x00};  // ATQA of a 1K card
}

ByteString ReaderModel::ReadSerial() {
    MifareCard* card = Present();
    if (!card || !card->Select()) return {0x36, 0x01};
    const std::uint32_t s = card->Serial();
    return {0x36,
            0x00,
            static_cast<std::uint8_t>(s),
            static_cast<std::uint8_t>(s >> 8),
            static_cast<std::uint8_t>(s >> 16),
            static_cast<std::uint8_t>(s >> 24),
            0x08};  // SAK of a 1K card
}

ByteString ReaderModel::Authenticate(const ByteString& command) {
    MifareCard* card = Present();
    if (!card) return kAuthFailed;
    if (command.size() < 2) {
        card->PowerOff();
        return kAuthFailed;
    }
    const bool ok = card->Authenticate(command[1], command.data() + 2, command.size() - 2);
    return ok ? kOk : kAuthFailed;
}

ByteString ReaderModel::WriteTrailer(const ByteString& command) {
    MifareCard* card = Present();
    if (!card || command.size() < 2) return kWriteFailed;
    const bool ok = card->WriteTrailer(command[1], command.data() + 2, command.size() - 2);
    return ok ? kOk : kWriteFailed;
}

ByteString ReaderModel::Signal(const ByteString& command) {
    const MifareCard* card = Present();
    signals_.push_back({command[1], card ? card->Serial() : 0u});
    return kOk;
}

}  // namespace sim
