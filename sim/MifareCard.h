// A MIFARE Classic 1K card as far as formatting needs it: its serial, the
// sixteen sector trailers and the protocol state it is in on the reader.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace sim {

using Key = std::array<std::uint8_t, 6>;
using AccessBytes = std::array<std::uint8_t, 4>;
using TrailerBytes = std::array<std::uint8_t, 16>;  // key A, access bytes, key B

inline constexpr Key kTransportKey = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
inline constexpr AccessBytes kTransportAccess = {0xFF, 0x07, 0x80, 0x69};

enum class CardState { Idle, Ready, Active, Authenticated };

class MifareCard {
public:
    static constexpr int kSectors = 16;
    static constexpr int kBlocks = kSectors * 4;

    // A card as it leaves the factory: transport keys and access bytes everywhere.
    explicit MifareCard(std::uint32_t serial);

    std::uint32_t Serial() const { return serial_; }

    // Sector indices outside 0..15 yield an all-zero trailer / are ignored.
    TrailerBytes Trailer(int sector) const;
    Key KeyA(int sector) const;
    AccessBytes Access(int sector) const;
    Key KeyB(int sector) const;
    void SetTrailer(int sector, const TrailerBytes& trailer);
    void SetKeyA(int sector, const Key& key);
    void SetAccess(int sector, const AccessBytes& access);
    void SetKeyB(int sector, const Key& key);

    CardState State() const { return state_; }
    // The sector of the current authentication, -1 unless Authenticated.
    int AuthenticatedSector() const { return state_ == CardState::Authenticated ? authSector_ : -1; }

    // Leaving the field: the card forgets everything but its memory.
    void PowerOff();
    // Answer to a wake-up request: from any state to Ready, authentication dropped.
    void Wake();
    // Anticollision and select: Ready or Active becomes Active.
    bool Select();
    // Authenticates with key A against the sector holding `block`. Any failure
    // (not selected, bad block, wrong key or key length) sends the card to Idle.
    bool Authenticate(int block, const std::uint8_t* key, std::size_t keyLength);
    // Replaces trailer `block` with 16 bytes when authenticated for its sector and
    // the current access bytes let key A write the trailer.
    bool WriteTrailer(int block, const std::uint8_t* data, std::size_t length);

private:
    bool ValidSector(int sector) const { return sector >= 0 && sector < kSectors; }

    std::uint32_t serial_;
    std::array<TrailerBytes, kSectors> trailers_{};
    CardState state_ = CardState::Idle;
    int authSector_ = -1;
};

}  // namespace sim
