#include "cli/CliSupport.h"

#include "card_init/KeyMaterial.h"
#include "cli/ExitCodes.h"
#include "cryptel/InstallationKeys.h"
#include "platform/Console.h"
#include "platform/DebugChannel.h"

#include <atomic>
#include <csignal>
#include <cstdio>

void PrintLine(const std::string& line) { platform::WriteOutLine(line); }

void PrintError(const std::string& line) { platform::WriteErrLine(line); }

int UsageError(const std::string& command, const std::string& message) {
    PrintError("cardfmt " + command + ": " + message);
    PrintError("Try 'cardfmt " + command + " --help'.");
    return kExitUsage;
}

void ApplyTrace(const Options& options) { platform::EnableDebugChannel(options.Has("--trace")); }

void SayIfDemoKeys() {
    if (!InstallationKeysAreDemo()) return;
    PrintError(
        "cardfmt: demo keys in use: cards formatted by this build are useless to a real installation "
        "(build it with the installation's CARDFMT_KEY_NAME and CARDFMT_KEY_TOKENS)");
}

void SayIfKeyLibraryRefused() {
    const KeyMaterial keys = InstallationKeyMaterial();
    if (keys.problem.empty()) return;
    PrintError("cardfmt: no card will be written: " + keys.problem);
}

bool ConnectOrExplain(TCommClass& comm, const std::string& portName) {
    if (comm.Connect(portName)) return true;
    std::string where = portName;
    if (!comm.LastOpenDevice().empty() && comm.LastOpenDevice() != portName)
        where += " (" + comm.LastOpenDevice() + ")";
    PrintError("cardfmt: cannot open port " + where + ": " + comm.LastOpenError());
    PrintError("Check the port name; 'cardfmt scan' finds the port where a reader answers.");
    return false;
}

void ReportNoReader(const std::string& portName, const std::string& more) {
    PrintError("cardfmt: no reader answers on " + portName + more);
}

namespace {

bool SelectCardOrSay(TCommClass& comm, const std::string& portName, std::uint32_t& serial) {
    if (!comm.RequestCard()) {
        // Silence is not an empty reader: nothing answered at all.
        if (comm.LastFailure() == LinkFailure::NoReply)
            ReportNoReader(portName);
        else
            PrintLine(OutcomeMessage(InitOutcome::CardNotPlaced));
        return false;
    }
    if (!comm.ReadCardSerial(serial)) {
        PrintLine(OutcomeMessage(InitOutcome::SerialReadFailed));
        return false;
    }
    return true;
}

}  // namespace

int RunOnTheCard(const std::string& portName, const CardProcedure& procedure) {
    TCommClass comm;
    if (!ConnectOrExplain(comm, portName)) return kExitNoPort;
    int code = kExitNegative;
    std::uint32_t serial = 0;
    try {
        if (SelectCardOrSay(comm, portName, serial)) code = procedure(comm, serial);
    } catch (const std::exception& e) {
        PrintCardResult(serial, e.what());
        code = kExitNegative;
    }
    comm.Disconnect();
    return code;
}

std::optional<KeyMaterial> CardKeysFromOptions(const Options& options, const std::string& command) {
    const auto name = options.Value("--key-name");
    const auto tokens = options.Value("--key-tokens");
    if (!name && !tokens) return InstallationKeyMaterial();
    if (!name || !tokens || name->empty() || tokens->empty()) {
        UsageError(command, "--key-name NAME and --key-tokens T5,T6 go together");
        return std::nullopt;
    }
    return OtherKeyMaterial(*tokens, *name);
}

std::string SerialText(std::uint32_t serial) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(serial));
    return text;
}

namespace {

// Touched by the signal handler, so nothing but a lock-free atomic that is set up
// before main runs: the handler may interrupt any code, its own first call included.
std::atomic<bool> stopSignalled{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnStopSignal(int) { stopSignalled.store(true); }

}  // namespace

void PrintCardResult(std::uint32_t serial, const std::string& result) { PrintLine(SerialText(serial) + " " + result); }

void PrintCardResult(std::uint32_t serial, InitOutcome outcome) {
    PrintCardResult(serial, outcome == InitOutcome::Ok ? "ok" : OutcomeMessage(outcome));
}

void InstallStopSignals() {
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
}

bool StopSignalled() { return stopSignalled.load(); }
