// A complete report of a small unbalanced trial, compared byte for byte (apart from the time text).
// Set PEDIVAR_UPDATE_GOLDEN=1 to rewrite the expected file after a deliberate change.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "analysis/report_text.h"
#include "analysis/run.h"
#include "data/trial_file.h"
#include "support/cli_runner.h"

namespace {

const std::string kGolden = std::string(PEDIVAR_FIXTURES) + "/golden/";

std::string maskTime(std::string text, std::int64_t start) {
  const std::string stamp = timeText(start), mask(24, '#');
  for (std::size_t pos; (pos = text.find(stamp)) != std::string::npos;) text.replace(pos, stamp.size(), mask);
  return text;
}

TEST(GoldenReport, UnbalancedTrialWithMissingCrosses) {
  TrialData trial;
  ASSERT_FALSE(loadTrialFile(kGolden + "unbalanced_m3.csv", trial));
  const std::int64_t start = 1700000000;
  RunTarget target{testing::TempDir() + "golden_result.txt", nullptr, nullptr, {}, start};
  ASSERT_EQ(runAnalysis(ModelKind::ModelIII, trial, target).status, RunStatus::Complete);
  const std::string actual = maskTime(readFile(target.reportPath), start);
  const std::string expectedPath = kGolden + "unbalanced_m3_result.txt";
  if (std::getenv("PEDIVAR_UPDATE_GOLDEN")) std::ofstream(expectedPath, std::ios::binary) << actual;
  EXPECT_EQ(actual, readFile(expectedPath));
}

}  // namespace
