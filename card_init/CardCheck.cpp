#include "card_init/CardCheck.h"

#include "card_init/SectorProbe.h"

using namespace card_steps;

namespace {

CheckVerdict VerdictOf(const std::vector<SectorFinding>& sectors) {
    std::size_t transport = 0, installation = 0;
    for (const SectorFinding& found : sectors) {
        if (found.opener == SectorOpener::Neither) return CheckVerdict::Foreign;
        (found.opener == SectorOpener::Transport ? transport : installation)++;
    }
    if (installation == 0) return CheckVerdict::NewCard;
    return transport == 0 ? CheckVerdict::Initialized : CheckVerdict::HalfDone;
}

CheckVerdict CardGone(InitOutcome selected) {
    switch (selected) {
        case InitOutcome::CardNotPlaced: return CheckVerdict::CardNotPlaced;
        case InitOutcome::SerialReadFailed: return CheckVerdict::SerialReadFailed;
        default: return CheckVerdict::CardSwapped;
    }
}

}  // namespace

CheckReport CheckCard(TCommClass& comm, std::uint32_t serial, const KeyMaterial& keys) {
    CheckReport report;
    RunKeys runKeys(comm);
    if (!PlanSectors(keys, runKeys.sectors)) {
        report.verdict = CheckVerdict::KeysUnavailable;
        return report;
    }
    std::uint32_t runSerial = serial;
    SectorProbe probe(comm, runSerial, runKeys);
    for (const SectorStep& step : runKeys.sectors) {
        SectorFinding found{step.sector, SectorOpener::Neither};
        if (const InitOutcome asked = probe.Open(step, found.opener); asked != InitOutcome::Ok) {
            report.verdict = CardGone(asked);
            return report;
        }
        report.sectors.push_back(found);
    }
    report.verdict = VerdictOf(report.sectors);
    return report;
}

const char* OpenerText(SectorOpener opener) {
    switch (opener) {
        case SectorOpener::Transport: return "出厂密码";
        case SectorOpener::Installation: return "本系统密码";
        case SectorOpener::Neither: return "无法打开";
    }
    return "";
}

const char* CardSwappedMessage() { return "卡片已更换，操作中止。"; }

const char* CheckMessage(CheckVerdict verdict) {
    switch (verdict) {
        case CheckVerdict::NewCard: return "新卡，尚未初始化。";
        case CheckVerdict::Initialized: return OutcomeMessage(InitOutcome::AlreadyInitialized);
        case CheckVerdict::HalfDone: return "该卡初始化未完成。";
        case CheckVerdict::Foreign: return "该卡不是本系统的卡。";
        case CheckVerdict::CardNotPlaced: return OutcomeMessage(InitOutcome::CardNotPlaced);
        case CheckVerdict::SerialReadFailed: return OutcomeMessage(InitOutcome::SerialReadFailed);
        case CheckVerdict::CardSwapped: return CardSwappedMessage();
        case CheckVerdict::KeysUnavailable: return OutcomeMessage(InitOutcome::KeysUnavailable);
    }
    return "";
}
