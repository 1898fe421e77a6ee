#include "sim/MifareCard.h"

#include <algorithm>

#include "sim/AccessBits.h"

namespace sim {

MifareCard::MifareCard(std::uint32_t serial) : serial_(serial) {
    for (TrailerBytes& t : trailers_) {
        std::copy(kTransportKey.begin(), kTransportKey.end(), t.begin());
        std::copy(kTransportAccess.begin(), kTransportAccess.end(), t.begin() + 6);
        std::copy(kTransportKey.begin(), kTransportKey.end(), t.begin() + 10);
    }
}

TrailerBytes MifareCard::Trailer(int sector) const {
    return ValidSector(sector) ? trailers_[static_cast<std::size_t>(sector)] : TrailerBytes{};
}

Key MifareCard::KeyA(int sector) const {
    const TrailerBytes t = Trailer(sector);
    Key k{};
    std::copy(t.begin(), t.begin() + 6, k.begin());
    return k;
}

AccessBytes MifareCard::Access(int sector) const {
    const TrailerBytes t = Trailer(sector);
    AccessBytes a{};
    std::copy(t.begin() + 6, t.begin() + 10, a.begin());
    return a;
}

Key MifareCard::KeyB(int sector) const {
    const TrailerBytes t = Trailer(sector);
    Key k{};
    std::copy(t.begin() + 10, t.end(), k.begin());
    return k;
}

void MifareCard::SetTrailer(int sector, const TrailerBytes& trailer) {
    if (ValidSector(sector)) trailers_[static_cast<std::size_t>(sector)] = trailer;
}

void MifareCard::SetKeyA(int sector, const Key& key) {
    if (ValidSector(sector)) std::copy(key.begin(), key.end(), trailers_[static_cast<std::size_t>(sector)].begin());
}

void MifareCard::SetAccess(int sector, const AccessBytes& access) {
    if (ValidSector(sector))
        std::copy(access.begin(), access.end(), trailers_[static_cast<std::size_t>(sector)].begin() + 6);
}

void MifareCard::SetKeyB(int sector, const Key& key) {
    if (ValidSector(sector))
        std::copy(key.begin(), key.end(), trailers_[static_cast<std::size_t>(sector)].begin() + 10);
}

void MifareCard::PowerOff() {
    state_ = CardState::Idle;
    authSector_ = -1;
}

void MifareCard::Wake() {
    state_ = CardState::Ready;
    authSector_ = -1;
}

bool MifareCard::Select() {
    if (state_ != CardState::Ready && state_ != CardState::Active) return false;
    state_ = CardState::Active;
    return true;
}

bool MifareCard::Authenticate(int block, const std::uint8_t* key, std::size_t keyLength) {
    const bool selected = state_ == CardState::Active || state_ == CardState::Authenticated;
    const bool wellFormed = key != nullptr && keyLength == kTransportKey.size() && block >= 0 && block < kBlocks;
    const int sector = block / 4;
    if (!selected || !wellFormed || !std::equal(key, key + keyLength, Trailer(sector).begin())) {
        PowerOff();
        return false;
    }
    state_ = CardState::Authenticated;
    authSector_ = sector;
    return true;
}

bool MifareCard::WriteTrailer(int block, const std::uint8_t* data, std::size_t length) {
    if (data == nullptr || length != TrailerBytes{}.size()) return false;
    if (block < 0 || block >= kBlocks || block % 4 != 3) return false;
    const int sector = block / 4;
    if (AuthenticatedSector() != sector) return false;
    TrailerBytes& trailer = trailers_[static_cast<std::size_t>(sector)];
    if (!KeyAMayWriteTrailer(trailer.data() + 6)) return false;
    std::copy(data, data + length, trailer.begin());
    return true;
}

}  // namespace sim
