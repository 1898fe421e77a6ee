#include "card_init/CardCheck.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"

int CheckCommand(const std::vector<std::string>& args) {
    Options options(args, {"--port", "--key-name", "--key-tokens"}, {"--trace"});
    if (!options.Error().empty()) return UsageError("check", options.Error());
    auto port = options.Value("--port");
    if (!port || port->empty()) return UsageError("check", "--port PORT is required");
    const std::optional<KeyMaterial> keys = CardKeysFromOptions(options, "check");
    if (!keys) return kExitUsage;
    ApplyTrace(options);
    if (!options.Has("--key-name")) SayIfDemoKeys();
    SayIfKeyLibraryRefused();

    return RunOnTheCard(*port, [&](TCommClass& comm, std::uint32_t serial) {
        const CheckReport report = CheckCard(comm, serial, *keys);
        for (const SectorFinding& found : report.sectors)
            PrintCardResult(serial, std::to_string(found.sector) + "号包：" + OpenerText(found.opener));
        PrintCardResult(serial, CheckMessage(report.verdict));
        return report.verdict == CheckVerdict::Initialized ? kExitOk : kExitNegative;
    });
}
