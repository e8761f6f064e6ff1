#include "analysis/run.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <optional>

#include "analysis/fixed_model.h"
#include "analysis/model3.h"
#include "analysis/random_model.h"
#include "analysis/report_text.h"
#include "data/c_locale.h"

namespace {

const char* const kDisconnected =
    "The crosses are not connected: the males and females fall into groups that share no cross, so the "
    "normal equations cannot be solved. The analysis was not performed.";

void announce(const ProgressFn& progress, const std::string& stage) {
  if (progress) progress(stage);
}

std::optional<std::string> model3Report(const TrialData& trial, std::int64_t startTime, const ProgressFn& progress) {
  announce(progress, "setting up the design");
  const Model3Design design = buildModel3Design(trial);
  FixedModel fixed(design.linear);
  if (!fixed.solvable()) return std::nullopt;
  ReportText out;
  writeFixedBanner(out, design.linear.equationLine, startTime);
  for (int t = 0; t < trial.traitCount; ++t) {
    announce(progress, "trait " + std::to_string(t + 1) + " of " + std::to_string(trial.traitCount) + ": fixed model");
    fixed.writeTrait(out, t + 1, trial.traitValues[t]);
  }
  writeRandomBanner(out, startTime);
  announce(progress, "random model: variance components, exact tests, correlations");
  const RandomModelResult random = fitRandomModel(design.linear, design.strata, trial.traitValues);
  writeVarianceTables(out, random);
  writeCorrelationMatrices(out, random);
  return std::move(out.str());
}

// Writes the whole report beside its final place and renames it over result.txt, so a reader sees
// either the old report or the complete new one.
bool writeAtomically(const std::string& path, const std::string& text) {
  std::string temp = path + ".XXXXXX";
  int fd = mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = true;
  for (std::size_t done = 0; ok && done < text.size();) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<std::size_t>(n);
  }
  fchmod(fd, 0644);
  ok = ::close(fd) == 0 && ok;
  if (ok) ok = std::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) std::remove(temp.c_str());
  return ok;
}

struct ReportMeasures {
  std::int32_t lines = 0;
  std::int32_t longest = 0;
};

// Lines as a text reader sees them: the line end (LF, with a CR before it) is not part of the
// line, and a last line without a line end still counts.
ReportMeasures measureReport(const std::string& path) {
  ReportMeasures m;
  std::ifstream in(path, std::ios::binary);
  if (!in) return m;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ++m.lines;
    m.longest = std::max<std::int32_t>(m.longest, static_cast<std::int32_t>(line.size()));
  }
  return m;
}

void handOver(HandOff* handoff, const ReportMeasures& measures, bool complete) {
  if (!handoff) return;
  handoff->reportLineCount.store(measures.lines, std::memory_order_release);
  handoff->reportMaxLineLength.store(measures.longest, std::memory_order_release);
  handoff->displayMode.store(complete ? kDisplayReport : kDisplayPreview, std::memory_order_release);
  handoff->completionTick.store(handoff->timerTicks.load(std::memory_order_acquire), std::memory_order_release);
}

RunOutcome failed(HandOff* handoff, RunStatus status, std::string message) {
  handOver(handoff, {}, false);
  return {status, std::move(message)};
}

}  // namespace

RunOutcome runAnalysis(ModelKind model, const TrialData& trial, const RunTarget& target) {
  ScopedCLocale cLocale;
  const std::int64_t start = target.fixedStartTime ? target.fixedStartTime : static_cast<std::int64_t>(std::time(nullptr));
  if (target.startTime) target.startTime->store(start, std::memory_order_release);
  if (trial.modelKind != model || model == ModelKind::None)
    return failed(target.handoff, RunStatus::NotAppropriate, messages::kNotAppropriate);
  if (model != ModelKind::ModelIII)
    return failed(target.handoff, RunStatus::Unavailable,
                  std::string("The ") + modelName(model) + " analysis is not available yet.");
  std::optional<std::string> text = model3Report(trial, start, target.progress);
  if (!text) return failed(target.handoff, RunStatus::Disconnected, kDisconnected);
  announce(target.progress, "writing the report");
  if (!writeAtomically(target.reportPath, *text))
    return failed(target.handoff, RunStatus::ReportNotWritten, "The report cannot be written to " + target.reportPath + ".");
  handOver(target.handoff, measureReport(target.reportPath), true);
  return {};
}
