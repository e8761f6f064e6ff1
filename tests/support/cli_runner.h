// Runs the command-line program as a user would, for end-to-end tests.
#pragma once

#include <string>

struct CliRun {
  int status;
  std::string out;
  std::string err;
};

// Runs `pedivar ARGS` (ARGS as a shell would split them) and collects its exit status and output.
CliRun runCli(const std::string& args);

std::string readFile(const std::string& path);
// Writes `text` to a file of that name in the test's temporary folder and returns its path.
std::string writeCsv(const std::string& name, const std::string& text);
