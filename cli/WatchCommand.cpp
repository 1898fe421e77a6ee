#include "card_init/AutoFindCard.h"
#include "card_init/CardInit.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "platform/Event.h"

int WatchCommand(const std::vector<std::string>& args) {
    Options options(args, {"--port", "--cards"}, {"--trace"});
    auto cards = options.Count("--cards");
    if (!options.Error().empty()) return UsageError("watch", options.Error());
    auto port = options.Value("--port");
    if (!port || port->empty()) return UsageError("watch", "--port PORT is required");
    ApplyTrace(options);
    InstallStopSignals();

    TCommClass comm;
    if (!ConnectOrExplain(comm, *port)) return kExitNoPort;

    const KeyMaterial keys = InstallationKeyMaterial();
    std::atomic<long> reported{0};
    platform::Event cardDone{platform::Event::Kind::AutoReset};
    {
        TAutoFindCardThrd watcher(&comm);
        watcher.OnNewCard = [&](std::uint32_t serial) {
            try {
                InitOutcome outcome = InitializeCard(comm, keys, {});
                PrintLine(SerialText(serial) + " " + (outcome == InitOutcome::Ok ? "ok" : OutcomeMessage(outcome)));
            } catch (const std::exception& e) {
                PrintLine(SerialText(serial) + " " + e.what());
                ++reported;
                cardDone.Set();
                throw;  // the watcher forgets the card and reports it again
            }
            ++reported;
            cardDone.Set();
        };
        watcher.Start();
        while (!StopSignalled().load() && !(cards && reported.load() >= *cards)) cardDone.Wait(200);
        watcher.Stop();
    }
    comm.Disconnect();
    return kExitOk;
}
