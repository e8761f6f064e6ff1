// One analysis run: computes everything for all traits, writes the report, hands over to the shell.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "data/trial_data.h"
#include "shell/handoff.h"

inline constexpr const char* kReportFileName = "result.txt";

// Called from the worker with a short description of the stage reached ("trait 2: pairwise tests").
using ProgressFn = std::function<void(std::string_view stage)>;

enum class RunStatus {
  Complete,          // the report was written whole
  NotAppropriate,    // the data's model is not the one asked for
  Unavailable,       // this model's analysis is not built
  Disconnected,      // the crosses fall apart: the normal equations cannot be solved
  ReportNotWritten,  // result.txt could not be created or written
};

struct RunOutcome {
  RunStatus status = RunStatus::Complete;
  std::string message;  // for the user; empty when Complete
};

struct RunTarget {
  std::string reportPath;                              // the report file to (re)write
  std::atomic<std::int64_t>* startTime = nullptr;      // analysisStartTime, stamped first if given
  HandOff* handoff = nullptr;                          // measured and signalled at the end if given
  ProgressFn progress;                                 // optional
  // Fixed start time for reproducible reports (tests); 0 takes the current time.
  std::int64_t fixedStartTime = 0;
};

// Runs the analysis of `model` over `trial`. The report is assembled and then written to a
// temporary file beside reportPath and renamed over it, so no reader ever sees a half-written
// report. On every path the run hands over when target.handoff is set: on success the report's
// line count and longest line, displayMode 300, then completionTick = timerTicks; on failure
// measures 0, displayMode 3 (back to the preview), then completionTick.
RunOutcome runAnalysis(ModelKind model, const TrialData& trial, const RunTarget& target);

// The messages of the outcomes.
namespace messages {
inline constexpr const char* kNotAppropriate = "The data is not appropriate to this model.";
}  // namespace messages
