// What the reader does with a command: the card on its antenna, the cards seen
// so far and the signals it was asked to give. Not thread-safe; SimReader
// serialises access.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "reader_link/ByteString.h"
#include "sim/MifareCard.h"

namespace sim {

struct SignalRecord {
    std::uint8_t mode = 0;
    std::uint32_t serial = 0;  // card on the reader when the signal came, 0 if none
};

class ReaderModel {
public:
    // Command bytes in, reply payload out. Unknown or malformed commands get 0A 0F.
    ByteString Execute(const ByteString& command);

    // Puts `card` on the antenna (it powers up Idle), taking the place of any
    // card already there. Every card placed is remembered by serial.
    void PlaceCard(const MifareCard& card);
    void RemoveCard();
    std::optional<MifareCard> CardOnReader() const;
    // The last known state of any card ever placed, on the reader or not.
    std::optional<MifareCard> CardBySerial(std::uint32_t serial) const;

    const std::vector<SignalRecord>& Signals() const { return signals_; }

private:
    MifareCard* Present();
    ByteString RequestCard();
    ByteString ReadSerial();
    ByteString Authenticate(const ByteString& command);
    ByteString WriteTrailer(const ByteString& command);
    ByteString Signal(const ByteString& command);

    std::map<std::uint32_t, MifareCard> cards_;
    std::optional<std::uint32_t> present_;
    std::vector<SignalRecord> signals_;
};

}  // namespace sim
