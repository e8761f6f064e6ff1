// Published results of real trials, from the shared folder of external checks (skipped when absent).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "analysis/fixed_model.h"
#include "analysis/model3.h"
#include "analysis/random_model.h"
#include "support/trial_builder.h"

namespace {

std::vector<std::vector<std::string>> readCsvRows(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::vector<std::string>> rows;
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::stringstream ss(line);
    std::string field;
    while (std::getline(ss, field, ',')) fields.push_back(field);
    rows.push_back(fields);
  }
  return rows;
}

// Line x tester in four replications, analysed as Model III (tester = male, line = female): the
// blocks fall into the error, everything else is the published balanced analysis.
TEST(ExternalChecks, LineByTesterTrialAsModelIII) {
  const std::string path = std::string(PEDIVAR_SHARED_DIR) + "/external-checks/gpbStat_rcbdltc.csv";
  auto rows = readCsvRows(path);
  if (rows.size() < 2) GTEST_SKIP() << "external checks not found at " << path;
  std::vector<std::int32_t> testers, lines;
  std::vector<std::vector<double>> yield(1);
  for (std::size_t i = 1; i < rows.size(); ++i) {
    lines.push_back(std::stoi(rows[i][1]));
    testers.push_back(std::stoi(rows[i][2]));
    yield[0].push_back(std::stod(rows[i][3]));
  }
  TrialData trial = model3Trial(testers, lines, yield);
  Model3Design d = buildModel3Design(trial);
  FixedModel fixed(d.linear);
  TraitFit fit = fixed.fitTrait(trial.traitValues[0]);
  EXPECT_NEAR(fit.sst, 30425.906, 5e-4);
  EXPECT_NEAR(fit.sse, 4077.815 + 148.436, 1e-3);
  const double published[3] = {1718.926, 10318.361, 14162.367};  // testers, lines, interaction
  const int df[3] = {2, 4, 8};
  for (int k = 0; k < 3; ++k) {
    TestResult r = fixed.testFactor(fit, d.linear.factorTests[k].range);
    EXPECT_EQ(r.df1, df[k]);
    EXPECT_NEAR(r.sseH - fit.sse, published[k], 1e-3) << d.linear.factorTests[k].label;
  }
  RandomModelResult random = fitRandomModel(d.linear, d.strata, trial.traitValues);
  EXPECT_NEAR(random.sigma[kFemale][0][0], 67.441205, 1e-5);
  EXPECT_NEAR(random.sigma[kMale][0][0], -45.541650, 1e-5);
}

}  // namespace
