#include "card_init/AutoFindCard.h"
#include "card_init/CardInit.h"
#include "card_init/CardJournal.h"
#include "card_init/CardTally.h"
#include "card_init/WatchSession.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "platform/Clock.h"
#include "platform/Event.h"

#include <optional>

namespace {

// The operator named the port: the session waits for that port only, however long.
// (The window, which found its port by scanning, scans again after a while.)
const TWatchSession::Options kNamedPortOnly{.rescanAfterMs = 0};

// The link closes the port when a write to it fails (an unplugged USB adapter); the
// watcher then cannot poll any more. Waits until the session has the port back, or
// a stop. The watcher stands still meanwhile.
void WaitForPort(TWatchSession& session) {
    if (session.Lose().event != TWatchSession::Event::Lost) return;
    PrintError("cardfmt: lost the reader on " + session.Port() + "; waiting for it to come back (Ctrl+C stops)");
    while (!StopSignalled()) {
        platform::SleepMs(session.NextStepMs());
        if (session.Next().event == TWatchSession::Event::Reopened) {
            PrintError("cardfmt: the reader on " + session.Port() + " is back");
            return;
        }
    }
    session.Abandon();
}

// The watcher goes on polling a reader that answers nothing, as it waits for one
// that was unplugged; the operator is told once, and again when it answers.
void TellReaderSilence(const TCommClass& comm, const std::string& port, bool& silent) {
    const LinkFailure failure = comm.LastFailure();
    if (!silent && failure == LinkFailure::NoReply) {
        ReportNoReader(port, "; waiting for it (Ctrl+C stops)");
        silent = true;
    } else if (silent && (failure == LinkFailure::None || failure == LinkFailure::Refused)) {
        PrintError("cardfmt: the reader on " + port + " answers");
        silent = false;
    }
}

}  // namespace

int WatchCommand(const std::vector<std::string>& args) {
    Options options(args, {"--port", "--cards", "--journal"}, {"--trace", "--verify", "--no-verify"});
    auto cards = options.Count("--cards");
    if (!options.Error().empty()) return UsageError("watch", options.Error());
    auto port = options.Value("--port");
    if (!port || port->empty()) return UsageError("watch", "--port PORT is required");
    // --verify is what every run does now; it stays accepted for the scripts that name it.
    if (options.Has("--verify") && options.Has("--no-verify"))
        return UsageError("watch", "--verify and --no-verify exclude each other");
    const auto journalFile = options.Value("--journal");
    if (journalFile && journalFile->empty()) return UsageError("watch", "--journal needs a file name");
    ApplyTrace(options);
    InstallStopSignals();
    SayIfDemoKeys();
    SayIfKeyLibraryRefused();

    TCommClass comm;
    if (!ConnectOrExplain(comm, *port)) return kExitNoPort;

    const KeyMaterial keys = InstallationKeyMaterial();
    const InitOptions initOptions{.verify = !options.Has("--no-verify")};
    std::atomic<long> reported{0};
    // After a run cut short by an error or by the lost port the watcher forgets the
    // card and reports it again: that card was counted already. Both are touched on
    // the watcher's thread only.
    std::uint32_t lastCounted = 0;
    bool forgotByError = false;
    std::atomic<bool> pollFailed{false};
    platform::Event cardDone{platform::Event::Kind::AutoReset};
    // Both written on the watcher's thread only; the tally is read once it has stopped.
    std::optional<CardJournal> journal;
    if (journalFile) journal.emplace(CardJournal::ToFile(*journalFile, "cardfmt"));
    CardTally tally;
    {
        TAutoFindCardThrd watcher(&comm);
        watcher.OnNewCard = [&](std::uint32_t serial) {
            const bool countedAlready = forgotByError && serial == lastCounted;
            forgotByError = false;
            lastCounted = serial;
            const auto done = [&] {
                if (!countedAlready) ++reported;
                cardDone.Set();
            };
            try {
                InitOutcome outcome = InitializeCard(comm, serial, keys, {}, initOptions);
                PrintCardResult(serial, outcome);
                if (journal) journal->Record(serial, outcome, *port, initOptions.verify);
                tally.Count(outcome, countedAlready);
                // A run the lost port cut short: the watcher forgets the card too.
                forgotByError = comm.LastFailure() == LinkFailure::PortLost;
            } catch (const std::exception& e) {
                PrintCardResult(serial, e.what());
                if (journal) journal->RecordLinkError(serial, e.what(), *port);
                tally.Count(std::nullopt, countedAlready);
                forgotByError = true;
                done();
                throw;  // the watcher forgets the card and reports it again
            }
            done();
        };
        watcher.OnPollError = [&] {
            pollFailed.store(true);
            cardDone.Set();
        };
        TWatchSession session(comm, *port, kNamedPortOnly);
        watcher.Start();
        bool silent = false;
        while (!StopSignalled() && !(cards && reported.load() >= *cards)) {
            cardDone.Wait(200);
            TellReaderSilence(comm, *port, silent);
            if (!pollFailed.exchange(false)) continue;
            // The link is only touched here while the watcher stands still.
            watcher.Stop();
            WaitForPort(session);
            watcher.Start();
        }
        watcher.Stop();
    }
    comm.Disconnect();
    PrintError("cardfmt: " + tally.Summary());
    return kExitOk;
}
