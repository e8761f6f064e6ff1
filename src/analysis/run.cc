#include "analysis/run.h"

// Placeholder until the model analyses exist.
RunOutcome runAnalysis(ModelKind model, const TrialData& trial, const RunTarget&) {
  if (trial.modelKind != model) return {RunStatus::NotAppropriate, messages::kNotAppropriate};
  return {RunStatus::Unavailable, std::string("The ") + modelName(model) + " analysis is not available yet."};
}
