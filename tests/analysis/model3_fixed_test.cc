// The fixed model of Model III: design, fit, tests, and the closed-form single-row tests.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>

#include "analysis/fixed_model.h"
#include "analysis/model3.h"
#include "support/trial_builder.h"

namespace {

TrialData trialFromCells(const std::vector<std::vector<int>>& reps, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> normal;
  std::vector<std::int32_t> males, females;
  std::vector<std::vector<double>> y(1);
  for (std::size_t a = 0; a < reps.size(); ++a)
    for (std::size_t b = 0; b < reps[a].size(); ++b)
      for (int k = 0; k < reps[a][b]; ++k) {
        males.push_back(static_cast<int>(a) + 1);
        females.push_back(static_cast<int>(b) + 1);
        y[0].push_back(10 + 2.0 * a - 1.0 * b + normal(rng));
      }
  return model3Trial(males, females, y);
}

TEST(Model3Design, ParametersLabelsAndRestrictions) {
  // Male codes 10, 2, 7 give levels 2, 7, 10; one cross (7, 1) is missing.
  TrialData trial = model3Trial({10, 2, 7, 10, 2, 2}, {1, 1, 2, 2, 2, 1}, {{1, 2, 3, 4, 5, 6}});
  Model3Design d = buildModel3Design(trial);
  EXPECT_EQ(d.linear.parameterNames,
            (std::vector<std::string>{"u", "M2", "M7", "M10", "F1", "F2", "MF(2,1)", "MF(2,2)", "MF(7,2)", "MF(10,1)",
                                      "MF(10,2)"}));
  EXPECT_EQ(d.linear.rowColumns[0], (std::vector<std::uint32_t>{0, 3, 4, 9}));
  ASSERT_EQ(d.linear.restrictions.rows(), 7u);
  // The row of male 7 covers its one cell only.
  std::vector<std::int64_t> row3(d.linear.restrictions[3], d.linear.restrictions[3] + 11);
  EXPECT_EQ(row3, (std::vector<std::int64_t>{0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0}));
  EXPECT_EQ(d.strata.crossSizes, (std::vector<int>{2, 1, 1, 1, 1}));
}

TEST(Model3Fixed, CompleteTwoByTwo) {
  TrialData trial = trialFromCells({{2, 2}, {2, 2}}, 1);
  Model3Design d = buildModel3Design(trial);
  FixedModel fixed(d.linear);
  ASSERT_TRUE(fixed.solvable());
  EXPECT_EQ(fixed.rankX(), 4);
  TraitFit fit = fixed.fitTrait(trial.traitValues[0]);
  EXPECT_EQ(fit.dfError, 4);
  for (const auto& test : d.linear.factorTests) EXPECT_EQ(fixed.testFactor(fit, test.range).df1, 1) << test.label;
  // Cell effects sum to zero within each male.
  EXPECT_NEAR(fit.estimates[5] + fit.estimates[6], 0.0, 1e-12);
  EXPECT_NEAR(fit.estimates[7] + fit.estimates[8], 0.0, 1e-12);
}

TEST(Model3Fixed, ErrorIsTheWithinCellSumOfSquares) {
  TrialData trial = trialFromCells({{2, 1, 3}, {0, 4, 2}, {3, 2, 0}}, 3);
  Model3Design d = buildModel3Design(trial);
  FixedModel fixed(d.linear);
  ASSERT_TRUE(fixed.solvable());
  EXPECT_EQ(fixed.rankX(), 7);
  TraitFit fit = fixed.fitTrait(trial.traitValues[0]);
  std::map<std::pair<int, int>, std::pair<double, int>> cells;
  const auto& y = trial.traitValues[0];
  for (std::size_t i = 0; i < y.size(); ++i) {
    auto& c = cells[{trial.factorCodes[0][i], trial.factorCodes[1][i]}];
    c.first += y[i];
    c.second += 1;
  }
  double within = 0;
  for (std::size_t i = 0; i < y.size(); ++i) {
    const auto& c = cells[{trial.factorCodes[0][i], trial.factorCodes[1][i]}];
    within += std::pow(y[i] - c.first / c.second, 2);
  }
  EXPECT_NEAR(fit.sse, within, 1e-9);
  EXPECT_EQ(fit.dfError, static_cast<int>(y.size()) - 7);
}

TEST(Model3Fixed, BalancedFactorTestsAreTheClassicSumsOfSquares) {
  const int m = 3, f = 4, n = 2;
  TrialData trial = balancedModel3Trial(m, f, n, 1, 9);
  Model3Design d = buildModel3Design(trial);
  FixedModel fixed(d.linear);
  TraitFit fit = fixed.fitTrait(trial.traitValues[0]);
  const auto& y = trial.traitValues[0];
  std::vector<double> male(m), female(f);
  double grand = 0;
  for (std::size_t i = 0; i < y.size(); ++i) {
    male[trial.factorCodes[0][i] - 1] += y[i] / (f * n);
    female[trial.factorCodes[1][i] - 1] += y[i] / (m * n);
    grand += y[i] / y.size();
  }
  double ssM = 0, ssF = 0;
  for (double v : male) ssM += f * n * (v - grand) * (v - grand);
  for (double v : female) ssF += m * n * (v - grand) * (v - grand);
  TestResult tm = fixed.testFactor(fit, d.linear.factorTests[0].range);
  TestResult tf = fixed.testFactor(fit, d.linear.factorTests[1].range);
  EXPECT_EQ(tm.df1, m - 1);
  EXPECT_EQ(tf.df1, f - 1);
  EXPECT_NEAR(tm.sseH - fit.sse, ssM, 1e-8);
  EXPECT_NEAR(tf.sseH - fit.sse, ssF, 1e-8);
  EXPECT_EQ(fixed.testFactor(fit, d.linear.factorTests[2].range).df1, (m - 1) * (f - 1));
}

// The closed form of the single-row tests gives the restricted refit's F and df1.
TEST(Model3Fixed, ClosedFormTestsEqualTheRestrictedRefit) {
  struct Case {
    const char* what;
    std::vector<std::vector<int>> reps;
  };
  for (const Case& c : std::vector<Case>{
           {"balanced", {{2, 2, 2}, {2, 2, 2}, {2, 2, 2}}},
           {"unbalanced", {{1, 3, 2, 1}, {2, 1, 1, 4}, {3, 2, 1, 1}}},
           {"missing cells", {{2, 0, 3, 1}, {1, 2, 0, 2}, {2, 2, 2, 0}, {0, 1, 3, 2}}},
           {"male in one cell", {{2, 3, 1}, {0, 2, 0}, {1, 2, 2}}},
       }) {
    TrialData trial = trialFromCells(c.reps, 5);
    Model3Design d = buildModel3Design(trial);
    FixedModel fixed(d.linear);
    ASSERT_TRUE(fixed.solvable()) << c.what;
    ASSERT_TRUE(fixed.closedFormTests()) << c.what;
    TraitFit fit = fixed.fitTrait(trial.traitValues[0]);
    const std::size_t p = d.linear.parameterCount();
    auto same = [&](const TestResult& fast, const TestResult& refit, const std::string& where) {
      EXPECT_EQ(fast.df1, refit.df1) << c.what << " " << where;
      if (refit.df1 == 0) {
        EXPECT_EQ(fast.f, 0.0);
        EXPECT_EQ(fast.probability, 1.0);
      } else {
        EXPECT_NEAR(fast.f, refit.f, 1e-9 * std::max(1.0, std::fabs(refit.f))) << c.what << " " << where;
        EXPECT_NEAR(fast.probability, refit.probability, 1e-9) << c.what << " " << where;
      }
    };
    for (std::size_t k = 0; k < p; ++k)
      same(fixed.testParameter(fit, k), fixed.testParameterByRefit(fit, k), "parameter " + d.linear.parameterNames[k]);
    for (const auto& g : d.linear.pairwise)
      for (std::size_t i = g.range.first; i < g.range.end(); ++i)
        for (std::size_t j = g.range.first; j < i; ++j)
          same(fixed.testPair(fit, i, j), fixed.testPairByRefit(fit, i, j),
               d.linear.parameterNames[i] + " - " + d.linear.parameterNames[j]);
  }
}

TEST(Model3Fixed, ParameterFixedByTheRestrictionsHasZeroStandardError) {
  TrialData trial = trialFromCells({{2, 3, 1}, {0, 2, 0}, {1, 2, 2}}, 8);
  Model3Design d = buildModel3Design(trial);
  FixedModel fixed(d.linear);
  TraitFit fit = fixed.fitTrait(trial.traitValues[0]);
  const std::size_t cell = 1 + 3 + 3 + 3;  // MF(2,2), the only cross of male 2
  ASSERT_EQ(d.linear.parameterNames[cell], "MF(2,2)");
  EXPECT_EQ(fit.stdErrors[cell], 0.0);
  EXPECT_NEAR(fit.estimates[cell], 0.0, 1e-12);
  TestResult r = fixed.testParameter(fit, cell);
  EXPECT_EQ(r.df1, 0);
  EXPECT_EQ(r.probability, 1.0);
  for (double se : fit.stdErrors) EXPECT_FALSE(std::isnan(se));
}

TEST(Model3Fixed, DisconnectedCrossesCannotBeSolved) {
  TrialData trial = trialFromCells({{2, 2, 0, 0}, {2, 2, 0, 0}, {0, 0, 2, 2}, {0, 0, 2, 2}}, 2);
  Model3Design d = buildModel3Design(trial);
  FixedModel fixed(d.linear);
  EXPECT_FALSE(fixed.solvable());
}

}  // namespace

namespace {

// The factor tests prepared once per design give what the kernel gives trait by trait.
TEST(Model3Fixed, PreparedFactorTestsEqualTheKernel) {
  TrialData trial = trialFromCells({{2, 0, 3, 1}, {1, 2, 0, 2}, {2, 2, 2, 0}, {0, 1, 3, 2}}, 12);
  Model3Design d = buildModel3Design(trial);
  FixedModel fixed(d.linear);
  TraitFit fit = fixed.fitTrait(trial.traitValues[0]);
  FittedModel model = fit.model;
  model.Xty = &fit.xty;
  for (const auto& test : d.linear.factorTests) {
    TestResult prepared = fixed.testFactor(fit, test.range);
    TestResult direct = testFactor(model, fixed.normalMatrix(), test.range.first, test.range.count);
    EXPECT_EQ(prepared.df1, direct.df1) << test.label;
    EXPECT_EQ(prepared.sseH, direct.sseH) << test.label;
    EXPECT_EQ(prepared.f, direct.f) << test.label;
  }
}

}  // namespace
