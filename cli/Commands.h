// The subcommands of cardfmt. Each returns the process exit code (ExitCodes.h).
#pragma once

#include "cli/ExitCodes.h"

#include <string>
#include <vector>

int ProbeCommand(const std::vector<std::string>& args);
int InitCommand(const std::vector<std::string>& args);
int WatchCommand(const std::vector<std::string>& args);
int ScanCommand(const std::vector<std::string>& args);
int CheckCommand(const std::vector<std::string>& args);
int ResetCommand(const std::vector<std::string>& args);
