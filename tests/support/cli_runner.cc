#include "support/cli_runner.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

CliRun runCli(const std::string& args) {
  std::string errPath = testing::TempDir() + "cli_stderr.txt";
  std::string command = std::string(PEDIVAR_CLI) + " " + args + " 2>" + errPath;
  CliRun run{0, "", ""};
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return {-1, "", "popen failed"};
  std::array<char, 4096> buf;
  while (std::size_t n = std::fread(buf.data(), 1, buf.size(), pipe)) run.out.append(buf.data(), n);
  int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = readFile(errPath);
  return run;
}

std::string writeCsv(const std::string& name, const std::string& text) {
  std::string path = testing::TempDir() + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}
