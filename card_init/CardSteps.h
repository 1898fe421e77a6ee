// The building blocks every run on a card shares (formatting, checking, returning a
// card to the factory): the sectors with their deciphered keys, the key in hand and
// how it is wiped, and the re-selection of the run's card. For the card_init
// sources only.
#pragma once

#include "card_init/CardInit.h"
#include "card_init/KeyMaterial.h"
#include "reader_link/CommObjClas.h"
#include "reader_link/SectorTrailer.h"

#include <cstdint>
#include <vector>

namespace card_steps {

// One sector of the run, in the order of the sector list: its number and the
// installation key deciphered from its token.
struct SectorStep {
    int sector = 0;
    SectorKeyBytes installKey{};
};

// Every plain key of one run: the installation key of each sector and the key in
// hand. The steps are reserved for all sectors before the first key goes in, so no
// reallocation leaves a copy behind in freed memory. All of it is wiped on every
// way out of the run, exceptions included, and so is the link's SectorKey: nothing
// reads it once the run is over.
class RunKeys {
public:
    explicit RunKeys(TCommClass& comm) : comm_(comm) {}
    ~RunKeys();
    RunKeys(const RunKeys&) = delete;
    RunKeys& operator=(const RunKeys&) = delete;

    // SectorKey := the key in hand, written over the old bytes in place: a fresh
    // buffer would free the old one with the previous key still in it.
    void OfferWorkKey() { comm_.SectorKey.assign(work.begin(), work.end()); }

    std::vector<SectorStep> sectors;
    SectorKeyBytes work{};

private:
    TCommClass& comm_;
};

// The sector list and the token list taken apart once, into one step per sector. All
// keys are deciphered before the card is touched, so that a token that does not
// decipher never leaves a half-written card. On failure the trace learns why, when
// the key library was refused.
bool PlanSectors(const KeyMaterial& material, std::vector<SectorStep>& steps);

// Wakes and selects the card again. The card that answers must be the run's: a
// card laid on in its place would otherwise get the rest of the run. 0 in
// `runSerial` takes the first card that answers as the run's.
InitOutcome Reselect(TCommClass& comm, std::uint32_t& runSerial);

}  // namespace card_steps
