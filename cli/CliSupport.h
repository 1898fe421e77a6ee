// Helpers shared by the subcommands: output, usage errors, opening the port.
#pragma once

#include "card_init/CardInit.h"
#include "card_init/KeyMaterial.h"
#include "cli/Options.h"
#include "reader_link/CommObjClas.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// Writes a UTF-8 line to stdout and flushes it.
void PrintLine(const std::string& line);
// Writes a UTF-8 line to stderr.
void PrintError(const std::string& line);

// Reports a usage error with a pointer to the help; returns the exit code.
int UsageError(const std::string& command, const std::string& message);

// Applies --trace: the debug channel's lines go to stderr.
void ApplyTrace(const Options& options);

// Says once on stderr when this build carries the demo keys.
void SayIfDemoKeys();

// Says on stderr why the key library was refused, when it was: every card run then
// ends with "扇区密码解密失败。" before anything is written.
void SayIfKeyLibraryRefused();

// Connects the link to the port, or explains on stderr why not (port, device and
// the system's reason). Returns false when the port could not be opened.
bool ConnectOrExplain(TCommClass& comm, const std::string& portName);

// Says on stderr that nothing answers on the port (every attempt of a command
// timed out, as opposed to a reply that refused it).
void ReportNoReader(const std::string& portName, const std::string& more = {});

// One card procedure on the card lying on the reader at `portName`: connects (or
// explains why not: kExitNoPort), wakes and selects the card as a poll of the card
// watcher does, runs `procedure` on it and returns its exit code, and closes the
// port. When no card can be selected it says why and returns kExitNegative: "no
// reader answers on PORT" on stderr when nothing answered at all, else the
// operator's message ("请放置IC卡", "读卡序列号失败。") on stdout. A link error that
// cuts the procedure short is printed as the card's result (kExitNegative).
using CardProcedure = std::function<int(TCommClass& comm, std::uint32_t serial)>;
int RunOnTheCard(const std::string& portName, const CardProcedure& procedure);

// The keys a command asks the card with: the built-in ones, or with --key-name NAME
// --key-tokens T5,T6 (both or neither) the tokens of another build. nullopt after
// a usage error was reported (exit code kExitUsage).
std::optional<KeyMaterial> CardKeysFromOptions(const Options& options, const std::string& command);

// Prints the line of one card run, "SERIAL RESULT": the serial as 8 upper-case
// hexadecimal digits ("1234ABCD"), then "ok", the operator's message for the
// outcome, or the text of the error that cut the run short.
void PrintCardResult(std::uint32_t serial, InitOutcome outcome);
void PrintCardResult(std::uint32_t serial, const std::string& result);
// The serial as it is printed: 8 upper-case hexadecimal digits.
std::string SerialText(std::uint32_t serial);

// After InstallStopSignals, SIGINT and SIGTERM ask the command to stop instead of
// ending the process; StopSignalled tells whether one came.
void InstallStopSignals();
bool StopSignalled();
