// Which key opens a sector, asked of the card with as few exchanges as it allows.
// Shared by the check of a card and by its return to the factory state. For the
// card_init sources only.
#pragma once

#include "card_init/CardCheck.h"
#include "card_init/CardSteps.h"

namespace card_steps {

class SectorProbe {
public:
    // The card `runSerial` names (0: the first that answers) has just been
    // selected by the caller.
    SectorProbe(TCommClass& comm, std::uint32_t& runSerial, RunKeys& keys)
        : comm_(comm), runSerial_(runSerial), keys_(keys) {}

    // Tries the key that opened the sector before first (so an initialized card
    // opens its next sector at the first try), then the other. A failed
    // authentication halts the card: it is woken and selected again before the
    // next one, and only then. When a key opened the sector, the card is left
    // authenticated for it. Returns Ok, or why the card could not be asked any more
    // (CardNotPlaced, SerialReadFailed, CardSwapped).
    InitOutcome Open(const SectorStep& step, SectorOpener& opener);

    // After an exchange that may have halted the card (a refused write).
    void CardHalted() { halted_ = true; }

private:
    TCommClass& comm_;
    std::uint32_t& runSerial_;
    RunKeys& keys_;
    bool halted_ = false;
    SectorOpener preferred_ = SectorOpener::Transport;
};

}  // namespace card_steps
