// The commands of the command-line program.
#pragma once

#include <string>
#include <vector>

// Exit codes: 0 success, 1 the data or the files failed, 2 a usage error.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

int runCommandLine(const std::vector<std::string>& args);
