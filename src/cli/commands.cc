#include "cli/commands.h"

#include <unistd.h>

#include <cstdio>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <string>

#include "analysis/run.h"
#include "data/preview.h"
#include "data/trial_data.h"
#include "data/trial_file.h"

namespace {

const char* const kUsage =
    "usage: pedivar check FILE\n"
    "       pedivar preview FILE [--output PATH]\n"
    "       pedivar analyze [--model I|II|III] [--report PATH] FILE\n"
    "       pedivar --help | --version\n";

const char* const kHelp =
    "Pedivar analyses NC Design II breeding trials (males crossed with females).\n"
    "\n"
    "Commands:\n"
    "  check FILE      read the trial's first sheet (.xls workbook or .csv) and check its layout\n"
    "  preview FILE    write the data preview tmp.txt next to FILE (or to --output PATH) and print it\n"
    "  analyze FILE    run the analysis of the model the header selects and write result.txt next\n"
    "                  to FILE (or to --report PATH); --model refuses data of another model\n"
    "\n"
    "Exit status: 0 success, 1 the data or a file failed, 2 usage error.\n";

int usageError(const std::string& why) {
  std::cerr << "pedivar: " << why << "\n" << kUsage;
  return kExitUsage;
}

// FILE plus options of the form --name VALUE.
struct ParsedArgs {
  std::string file;
  std::map<std::string, std::string> options;
};

std::optional<ParsedArgs> parseArgs(const std::vector<std::string>& args, std::size_t from,
                                    const std::vector<std::string>& allowed, std::string& why) {
  ParsedArgs parsed;
  for (std::size_t i = from; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.rfind("--", 0) == 0) {
      bool known = false;
      for (const auto& name : allowed) known = known || name == a;
      if (!known) {
        why = "unknown option " + a;
        return std::nullopt;
      }
      if (i + 1 >= args.size()) {
        why = "option " + a + " needs a value";
        return std::nullopt;
      }
      parsed.options[a] = args[++i];
    } else if (parsed.file.empty()) {
      parsed.file = a;
    } else {
      why = "more than one FILE given";
      return std::nullopt;
    }
  }
  if (parsed.file.empty()) {
    why = "no FILE given";
    return std::nullopt;
  }
  return parsed;
}

// The directory part of a path, ending in the separator ("" for a bare file name).
std::string directoryOf(const std::string& path) {
  auto slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool loadOrReport(const std::string& file, TrialData& data) {
  if (auto error = loadTrialFile(file, data)) {
    std::cerr << *error;
    if (error->empty() || error->back() != '\n') std::cerr << "\n";
    return false;
  }
  return true;
}

std::string summaryLine(const TrialData& data) {
  static const char* const kFactorNames[4][4] = {
      {"Male", "Female"}, {"Block", "Male", "Female"}, {"Site", "Block", "Male", "Female"}};
  const int model = static_cast<int>(data.modelKind) - 1;
  std::string line = modelName(data.modelKind);
  line += ":";
  for (int k = 0; k < data.factorCount(); ++k) {
    line += std::string(k ? ", " : " ") + kFactorNames[model][k] + " " + std::to_string(data.factorLevelCounts[k]) +
            (data.factorLevelCounts[k] == 1 ? " level" : " levels");
  }
  line += "; " + std::to_string(data.traitCount) + (data.traitCount == 1 ? " trait, " : " traits, ");
  line += std::to_string(data.observationCount) + " observations";
  return line;
}

int commandCheck(const std::vector<std::string>& args) {
  std::string why;
  auto parsed = parseArgs(args, 1, {}, why);
  if (!parsed) return usageError(why);
  TrialData data;
  if (!loadOrReport(parsed->file, data)) return kExitFailure;
  std::cout << summaryLine(data) << "\n";
  return kExitOk;
}

int commandPreview(const std::vector<std::string>& args) {
  std::string why;
  auto parsed = parseArgs(args, 1, {"--output"}, why);
  if (!parsed) return usageError(why);
  TrialData data;
  if (!loadOrReport(parsed->file, data)) return kExitFailure;
  auto out = parsed->options.count("--output") ? parsed->options["--output"]
                                               : directoryOf(parsed->file) + kPreviewFileName;
  if (!writePreviewFile(data, out)) {
    std::cerr << "The preview cannot be written to " << out << "\n";
    return kExitFailure;
  }
  std::cout << previewText(data);
  return kExitOk;
}

std::optional<ModelKind> modelFromOption(const std::string& value) {
  if (value == "III" || value == "3") return ModelKind::ModelIII;
  if (value == "II" || value == "2") return ModelKind::ModelII;
  if (value == "I" || value == "1") return ModelKind::ModelI;
  return std::nullopt;
}

int commandAnalyze(const std::vector<std::string>& args) {
  std::string why;
  auto parsed = parseArgs(args, 1, {"--model", "--report"}, why);
  if (!parsed) return usageError(why);
  std::optional<ModelKind> wanted;
  if (parsed->options.count("--model")) {
    wanted = modelFromOption(parsed->options["--model"]);
    if (!wanted) return usageError("--model takes I, II or III");
  }
  TrialData data;
  if (!loadOrReport(parsed->file, data)) return kExitFailure;
  ModelKind model = wanted.value_or(data.modelKind);
  RunTarget target;
  target.reportPath = parsed->options.count("--report") ? parsed->options["--report"]
                                                        : directoryOf(parsed->file) + kReportFileName;
  const bool showProgress = isatty(STDERR_FILENO);
  if (showProgress) {
    target.progress = [](std::string_view stage) {
      std::fprintf(stderr, "\r\033[K%.*s", static_cast<int>(stage.size()), stage.data());
      std::fflush(stderr);
    };
  }
  RunOutcome outcome = runAnalysis(model, data, target);
  if (showProgress) std::fprintf(stderr, "\r\033[K");
  if (outcome.status != RunStatus::Complete) {
    std::cerr << outcome.message << "\n";
    return kExitFailure;
  }
  std::cout << target.reportPath << "\n";
  return kExitOk;
}

}  // namespace

int runCommandLine(const std::vector<std::string>& args) {
  if (args.empty()) return usageError("no command given");
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    std::cout << kHelp << "\n" << kUsage;
    return kExitOk;
  }
  if (command == "--version") {
    std::cout << "pedivar " << PEDIVAR_VERSION << "\n";
    return kExitOk;
  }
  static const std::map<std::string, std::function<int(const std::vector<std::string>&)>> commands = {
      {"check", commandCheck}, {"preview", commandPreview}, {"analyze", commandAnalyze}};
  auto it = commands.find(command);
  if (it == commands.end()) return usageError("unknown command " + command);
  return it->second(args);
}
