// The subcommands of cardfmt. Each returns the process exit code.
#pragma once

#include <string>
#include <vector>

int ProbeCommand(const std::vector<std::string>& args);
int InitCommand(const std::vector<std::string>& args);
int WatchCommand(const std::vector<std::string>& args);
int ScanCommand(const std::vector<std::string>& args);

// Exit codes shared by the commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitNegative = 1;  // no reader, a card message, no card
inline constexpr int kExitNoPort = 2;    // the port could not be opened; also usage errors
