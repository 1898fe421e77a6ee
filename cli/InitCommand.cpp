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

    TCommClass comm;
    if (!ConnectOrExplain(comm, *port)) return kExitNoPort;

    int code = kExitNegative;
    std::uint32_t serial = 0;
    try {
        // The same two exchanges as one poll of the card watcher: the procedure then
        // works on the card just selected.
        if (SelectCardOrSay(comm, *port, serial)) {
            InitOutcome outcome = InitializeCard(comm, serial, InstallationKeyMaterial(), {},
                                                 InitOptions{.verify = !options.Has("--no-verify")});
            PrintCardResult(serial, outcome);
            code = outcome == InitOutcome::Ok ? kExitOk : kExitNegative;
        }
    } catch (const std::exception& e) {
        PrintCardResult(serial, e.what());
    }
    comm.Disconnect();
    return code;
}
