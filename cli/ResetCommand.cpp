#include "card_init/CardReset.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"

namespace {

std::string SectorLine(const ResetFinding& found) {
    std::string line = std::to_string(found.sector) + "号包：";
    if (found.written) return line + "已改写为出厂密码";
    if (found.writeFailed) return line + OpenerText(found.opener) + "，改写失败";
    return line + OpenerText(found.opener) + "，未改写";
}

int Refuse(const std::string& port) {
    PrintError("cardfmt reset: nothing written: returning a card to the factory state needs --force.");
    PrintError("With --force, each of sectors 5 and 6 of the card on " + port +
               " that opens with the installation key gets the factory trailer back: key A FFFFFFFFFFFF, "
               "access bytes FF078069, key B FFFFFFFFFFFF. Sectors on the transport key already, and "
               "sectors that neither key opens, are left as they are.");
    PrintError("'cardfmt check --port " + port + "' shows which key opens each sector.");
    return kExitUsage;
}

}  // namespace

int ResetCommand(const std::vector<std::string>& args) {
    Options options(args, {"--port", "--key-name", "--key-tokens"}, {"--trace", "--force"});
    if (!options.Error().empty()) return UsageError("reset", options.Error());
    auto port = options.Value("--port");
    if (!port || port->empty()) return UsageError("reset", "--port PORT is required");
    const std::optional<KeyMaterial> keys = CardKeysFromOptions(options, "reset");
    if (!keys) return kExitUsage;
    if (!options.Has("--force")) return Refuse(*port);
    ApplyTrace(options);
    if (!options.Has("--key-name")) SayIfDemoKeys();
    SayIfKeyLibraryRefused();

    return RunOnTheCard(*port, [&](TCommClass& comm, std::uint32_t serial) {
        const ResetReport report = ResetCard(comm, serial, *keys);
        for (const ResetFinding& found : report.sectors) PrintCardResult(serial, SectorLine(found));
        PrintCardResult(serial, ResetMessage(report.outcome));
        const bool factory = report.outcome == ResetOutcome::Reset || report.outcome == ResetOutcome::AlreadyFactory;
        return factory ? kExitOk : kExitNegative;
    });
}
