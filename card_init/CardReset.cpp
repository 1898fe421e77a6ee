#include "card_init/CardReset.h"

#include "card_init/SectorProbe.h"

using namespace card_steps;

namespace {

ResetOutcome CardGone(InitOutcome selected) {
    switch (selected) {
        case InitOutcome::CardNotPlaced: return ResetOutcome::CardNotPlaced;
        case InitOutcome::SerialReadFailed: return ResetOutcome::SerialReadFailed;
        default: return ResetOutcome::CardSwapped;
    }
}

// Proves the written sectors on the card, as the formatting run proves its own
// (CardInit.cpp says why): select the card again, open every written sector with
// the transport key, select it once more.
ResetOutcome Verify(TCommClass& comm, std::uint32_t& runSerial, RunKeys& keys, const ResetReport& report) {
    const auto selectedAgain = [&] {
        const InitOutcome selected = Reselect(comm, runSerial);
        if (selected == InitOutcome::Ok) return ResetOutcome::Reset;
        return selected == InitOutcome::CardSwapped ? ResetOutcome::CardSwapped : ResetOutcome::VerifyFailed;
    };
    if (const ResetOutcome selected = selectedAgain(); selected != ResetOutcome::Reset) return selected;
    for (const ResetFinding& found : report.sectors) {
        if (!found.written) continue;
        comm.SectorNo = found.sector;
        comm.AuthEnabled = true;
        keys.work = kTransportKey;
        keys.OfferWorkKey();
        if (!comm.AuthenticateSector()) return ResetOutcome::VerifyFailed;
    }
    return selectedAgain();
}

}  // namespace

ResetReport ResetCard(TCommClass& comm, std::uint32_t serial, const KeyMaterial& keys) {
    ResetReport report;
    RunKeys runKeys(comm);
    if (!PlanSectors(keys, runKeys.sectors)) {
        report.outcome = ResetOutcome::KeysUnavailable;
        return report;
    }
    std::uint32_t runSerial = serial;
    SectorProbe probe(comm, runSerial, runKeys);
    bool written = false, foreign = false;
    for (const SectorStep& step : runKeys.sectors) {
        ResetFinding found{step.sector, SectorOpener::Neither, false, false};
        if (const InitOutcome asked = probe.Open(step, found.opener); asked != InitOutcome::Ok) {
            report.outcome = CardGone(asked);
            return report;
        }
        foreign = foreign || found.opener == SectorOpener::Neither;
        if (found.opener == SectorOpener::Installation) {
            // The only trailer this run can write: the transport one, from constants.
            found.written = comm.WriteTransportTrailer();
            found.writeFailed = !found.written;
            written = written || found.written;
        }
        report.sectors.push_back(found);
        if (found.writeFailed) {
            // The remaining sectors are not touched; what was written is still proven.
            probe.CardHalted();
            break;
        }
    }
    const bool writeFailed = !report.sectors.empty() && report.sectors.back().writeFailed;
    if (written) {
        if (const ResetOutcome verified = Verify(comm, runSerial, runKeys, report); verified != ResetOutcome::Reset) {
            report.outcome = verified;
            return report;
        }
    }
    if (writeFailed)
        report.outcome = ResetOutcome::WriteFailed;
    else if (foreign)
        report.outcome = ResetOutcome::ForeignLeft;
    else
        report.outcome = written ? ResetOutcome::Reset : ResetOutcome::AlreadyFactory;
    return report;
}

const char* ResetMessage(ResetOutcome outcome) {
    switch (outcome) {
        case ResetOutcome::Reset: return "该卡已恢复出厂密码。";
        case ResetOutcome::AlreadyFactory: return "该卡已是出厂密码，无需恢复。";
        case ResetOutcome::ForeignLeft: return "该卡有包不是本系统的密码，该包未改写。";
        case ResetOutcome::WriteFailed: return "恢复出厂密码失败。";
        case ResetOutcome::VerifyFailed: return "恢复出厂密码后校验失败。";
        case ResetOutcome::CardNotPlaced: return OutcomeMessage(InitOutcome::CardNotPlaced);
        case ResetOutcome::SerialReadFailed: return OutcomeMessage(InitOutcome::SerialReadFailed);
        case ResetOutcome::CardSwapped: return CardSwappedMessage();
        case ResetOutcome::KeysUnavailable: return OutcomeMessage(InitOutcome::KeysUnavailable);
    }
    return "";
}
