#include "card_init/CardInit.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"

int InitCommand(const std::vector<std::string>& args) {
    Options options(args, {"--port"}, {"--trace", "--verify", "--no-verify"});
    if (!options.Error().empty()) return UsageError("init", options.Error());
    auto port = options.Value("--port");
    if (!port || port->empty()) return UsageError("init", "--port PORT is required");
    // --verify is what every run does now; it stays accepted for the scripts that name it.
    if (options.Has("--verify") && options.Has("--no-verify"))
        return UsageError("init", "--verify and --no-verify exclude each other");
    ApplyTrace(options);
    SayIfDemoKeys();
    SayIfKeyLibraryRefused();

    const InitOptions initOptions{.verify = !options.Has("--no-verify")};
    return RunOnTheCard(*port, [&](TCommClass& comm, std::uint32_t serial) {
        // The procedure works on the card just selected, as after a poll of the watcher.
        const InitOutcome outcome = InitializeCard(comm, serial, InstallationKeyMaterial(), {}, initOptions);
        PrintCardResult(serial, outcome);
        return outcome == InitOutcome::Ok ? kExitOk : kExitNegative;
    });
}
