#include "card_init/SectorProbe.h"

namespace card_steps {

InitOutcome SectorProbe::Open(const SectorStep& step, SectorOpener& opener) {
    const SectorOpener other =
        preferred_ == SectorOpener::Transport ? SectorOpener::Installation : SectorOpener::Transport;
    for (const SectorOpener which : {preferred_, other}) {
        if (halted_) {
            if (const InitOutcome selected = Reselect(comm_, runSerial_); selected != InitOutcome::Ok) return selected;
            halted_ = false;
        }
        comm_.SectorNo = step.sector;
        comm_.AuthEnabled = true;
        keys_.work = which == SectorOpener::Transport ? kTransportKey : step.installKey;
        keys_.OfferWorkKey();
        if (comm_.AuthenticateSector()) {
            opener = which;
            preferred_ = which;
            return InitOutcome::Ok;
        }
        halted_ = true;
    }
    opener = SectorOpener::Neither;
    return InitOutcome::Ok;
}

}  // namespace card_steps
