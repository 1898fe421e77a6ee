#include "cli/CliSupport.h"
#include "cli/Commands.h"

int ProbeCommand(const std::vector<std::string>& args) {
    Options options(args, {"--port"}, {"--trace"});
    if (!options.Error().empty()) return UsageError("probe", options.Error());
    auto port = options.Value("--port");
    if (!port || port->empty()) return UsageError("probe", "--port PORT is required");
    ApplyTrace(options);

    TCommClass comm;
    if (!ConnectOrExplain(comm, *port)) return kExitNoPort;
    const bool answered = comm.ProbeReader();
    comm.Disconnect();
    PrintLine(*port + (answered ? " reader answered" : " no reader answered"));
    return answered ? kExitOk : kExitNegative;
}
