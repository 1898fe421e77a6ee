#include "card_init/CardInit.h"

#include "card_init/CardSteps.h"
#include "platform/DebugChannel.h"
#include "reader_link/SectorTrailer.h"

#include <optional>
#include <vector>

namespace {

using namespace card_steps;

// Proves on the card what the run wrote, before the card counts as formatted.
//
// Replies carry nothing that says which request they answer, and every status
// reply (0A 00) looks like every other: a reader that answers a command twice, or
// answers so late that the repeat takes the answer, shifts every later reply by
// one, and a refused trailer write then passes for done. No waiting rule closes
// that; asking the card does. The sequence:
//   wake and select the card (its serial must be the run's): after a write the
//     card must be selected again before a sector can be opened;
//   open every sector with its installation key;
//   wake and select it once more.
// The last exchange is a select, whose reply (36 00 and the serial) no status
// reply can stand in for: an answer shifted anywhere in the run arrives at the end
// in its place and fails it. A shift of exactly the distance back to the first
// select would need that select, and the opens in between, to be shifted the same
// way, which the status replies of the writes before them break.
InitOutcome Verify(TCommClass& comm, std::uint32_t& runSerial, RunKeys& keys) {
    const auto selectedAgain = [&]() -> std::optional<InitOutcome> {
        const InitOutcome selected = Reselect(comm, runSerial);
        if (selected == InitOutcome::Ok) return std::nullopt;
        // Another card laid on says so; anything else leaves the write unproven.
        return selected == InitOutcome::CardSwapped ? selected : InitOutcome::VerifyFailed;
    };
    if (const auto failed = selectedAgain()) return *failed;
    for (const SectorStep& step : keys.sectors) {
        comm.SectorNo = step.sector;
        comm.AuthEnabled = true;
        keys.work = step.installKey;
        keys.OfferWorkKey();
        if (!comm.AuthenticateSector()) return InitOutcome::VerifyFailed;
    }
    if (const auto failed = selectedAgain()) return *failed;
    return InitOutcome::Ok;
}

// Opens the sector for its trailer write. A new card opens with the transport key,
// an initialized one with the installation key. A failed authentication drops the
// card, so each further try wakes and selects it again. When the installation key
// fails too, the transport key gets one more try: a fresh card lifted and laid back
// between two sectors failed the first try only because it was away. The exchanges
// of a new and of an initialized card stay as they were; only a card that neither
// key opens pays for the extra try.
InitOutcome OpenSector(TCommClass& comm, std::uint32_t& runSerial, RunKeys& keys, const SectorStep& step,
                       bool& withInstallKey) {
    comm.SectorNo = step.sector;
    comm.AuthEnabled = true;
    withInstallKey = false;
    keys.work = kTransportKey;
    keys.OfferWorkKey();
    if (comm.AuthenticateSector()) return InitOutcome::Ok;

    keys.work = step.installKey;
    if (InitOutcome selected = Reselect(comm, runSerial); selected != InitOutcome::Ok) return selected;
    keys.OfferWorkKey();
    if (comm.AuthenticateSector()) {
        withInstallKey = true;
        return InitOutcome::Ok;
    }

    keys.work = kTransportKey;
    if (InitOutcome selected = Reselect(comm, runSerial); selected != InitOutcome::Ok) return selected;
    keys.OfferWorkKey();
    return comm.AuthenticateSector() ? InitOutcome::Ok : InitOutcome::NotANewCard;
}

// The run without its message: the keys are gone before the operator is asked to
// confirm anything (a dialog may stay up for long).
InitOutcome RunOnCard(TCommClass& comm, std::uint32_t serial, const KeyMaterial& keys, const InitOptions& options) {
    bool writeOk = false;
    std::size_t alreadyCount = 0;
    std::uint32_t runSerial = serial;

    RunKeys runKeys(comm);
    if (!PlanSectors(keys, runKeys.sectors)) return InitOutcome::KeysUnavailable;

    for (const SectorStep& step : runKeys.sectors) {
        bool withInstallKey = false;
        if (InitOutcome opened = OpenSector(comm, runSerial, runKeys, step, withInstallKey); opened != InitOutcome::Ok)
            return opened;
        if (withInstallKey) ++alreadyCount;

        runKeys.work = step.installKey;
        writeOk = comm.WriteSectorTrailer(runKeys.work);
        if (!writeOk) break;  // the remaining sectors are not touched
    }

    // Every sector opened already with its installation key (the last write may
    // have failed: the card carried the keys before it).
    const bool alreadyInitialized = alreadyCount == runKeys.sectors.size();
    if (!writeOk && !alreadyInitialized) return InitOutcome::InitFailed;
    if (options.verify) {
        if (InitOutcome verified = Verify(comm, runSerial, runKeys); verified != InitOutcome::Ok) return verified;
    }
    if (alreadyInitialized) return InitOutcome::AlreadyInitialized;
    comm.SendSignal(2);
    comm.SendSignal(3);
    return InitOutcome::Ok;
}

}  // namespace

InitOutcome InitializeCard(TCommClass& comm, std::uint32_t serial, const KeyMaterial& keys, const ShowInfoFn& showInfo,
                           const InitOptions& options) {
    const InitOutcome outcome = RunOnCard(comm, serial, keys, options);
    if (outcome != InitOutcome::Ok && showInfo) showInfo(OutcomeMessage(outcome));
    return outcome;
}

const char* OutcomeMessage(InitOutcome outcome) {
    switch (outcome) {
        case InitOutcome::Ok: return "";
        case InitOutcome::CardNotPlaced: return "请放置IC卡";
        case InitOutcome::SerialReadFailed: return "读卡序列号失败。";
        case InitOutcome::NotANewCard: return "扇区密码校验失败，该卡不是新卡。";
        case InitOutcome::AlreadyInitialized: return "该卡已初始化。";
        case InitOutcome::InitFailed: return "初始化包号失败。";
        case InitOutcome::KeysUnavailable: return "扇区密码解密失败。";
        case InitOutcome::CardSwapped: return "卡片已更换，初始化中止。";
        case InitOutcome::VerifyFailed: return "扇区密码写入后校验失败。";
    }
    return "";
}
