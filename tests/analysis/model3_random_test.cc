// The random model of Model III, checked against independent computations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "analysis/model3.h"
#include "analysis/random_model.h"
#include "support/trial_builder.h"

namespace {

RandomModelResult randomModelOf(const TrialData& trial) {
  Model3Design d = buildModel3Design(trial);
  return fitRandomModel(d.linear, d.strata, trial.traitValues);
}

// Mean squares of the balanced two-way analysis of variance, from the cell and marginal means.
struct BalancedAnova {
  double msM, msF, msMF, msE;
};

BalancedAnova balancedAnova(const TrialData& t, int m, int f, int n, int trait) {
  const auto& y = t.traitValues[trait];
  std::vector<double> cell(m * f, 0), male(m, 0), female(f, 0);
  double grand = 0;
  for (std::size_t i = 0; i < y.size(); ++i) {
    int a = t.factorCodes[0][i] - 1, b = t.factorCodes[1][i] - 1;
    cell[a * f + b] += y[i] / n;
    male[a] += y[i] / (f * n);
    female[b] += y[i] / (m * n);
    grand += y[i] / (m * f * n);
  }
  double ssM = 0, ssF = 0, ssMF = 0, ssE = 0;
  for (int a = 0; a < m; ++a) ssM += f * n * std::pow(male[a] - grand, 2);
  for (int b = 0; b < f; ++b) ssF += m * n * std::pow(female[b] - grand, 2);
  for (int a = 0; a < m; ++a)
    for (int b = 0; b < f; ++b) ssMF += n * std::pow(cell[a * f + b] - male[a] - female[b] + grand, 2);
  for (std::size_t i = 0; i < y.size(); ++i)
    ssE += std::pow(y[i] - cell[(t.factorCodes[0][i] - 1) * f + t.factorCodes[1][i] - 1], 2);
  return {ssM / (m - 1), ssF / (f - 1), ssMF / ((m - 1) * (f - 1)), ssE / (m * f * (n - 1))};
}

TEST(Model3Random, BalancedDesignGivesTheMeanSquareSolutions) {
  const int m = 3, f = 4, n = 2;
  TrialData trial = balancedModel3Trial(m, f, n, 2, 7);
  RandomModelResult r = randomModelOf(trial);
  EXPECT_EQ(r.r0, 1u);
  EXPECT_EQ(r.r1, 3u);
  EXPECT_EQ(r.r2, 6u);
  EXPECT_EQ(r.r, 12u);
  const double expected[] = {16, 0, 4, 18, 6, 12};
  const double got[] = {r.k[kMale][kMale], r.k[kMale][kFemale], r.k[kMale][kCross],
                        r.k[kFemale][kFemale], r.k[kFemale][kCross], r.k[kCross][kCross]};
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(got[i], expected[i], 1e-9) << i;
  EXPECT_NEAR(r.w, 0.5, 1e-15);
  for (int t = 0; t < 2; ++t) {
    BalancedAnova a = balancedAnova(trial, m, f, n, t);
    EXPECT_NEAR(r.sigma[kError][t][t], a.msE, 1e-9);
    EXPECT_NEAR(r.sigma[kCross][t][t], (a.msMF - a.msE) / n, 1e-9);
    EXPECT_NEAR(r.sigma[kFemale][t][t], (a.msF - a.msMF) / (m * n), 1e-9);
    EXPECT_NEAR(r.sigma[kMale][t][t], (a.msM - a.msMF) / (f * n), 1e-9);
    EXPECT_NEAR(r.crossF[t], a.msMF / a.msE, 1e-9);
    // With equal eigenvalues no error rows are mixed in: the exact tests are the classic ratios.
    EXPECT_NEAR(r.maleF[t] / (a.msM / a.msMF), 1.0, 1e-6);
    EXPECT_NEAR(r.femaleF[t] / (a.msF / a.msMF), 1.0, 1e-6);
  }
}

// Orthonormal bases of the strata by sequential Gram-Schmidt over the design columns in order, an
// independent route to the quantities the Householder reduction gives.
struct StrataBases {
  std::array<std::vector<std::vector<long double>>, 4> basis;  // per stratum, its orthonormal vectors
};

StrataBases gramSchmidtStrata(const LinearDesign& d, const StrataDesign& s) {
  const std::size_t n = d.observationCount(), p = d.parameterCount();
  IntMatrix x = d.designMatrix();
  std::vector<std::vector<long double>> all;
  StrataBases out;
  auto add = [&](std::vector<long double> v, std::size_t stratum) {
    for (int pass = 0; pass < 2; ++pass)
      for (const auto& q : all) {
        long double dot = 0;
        for (std::size_t i = 0; i < n; ++i) dot += q[i] * v[i];
        for (std::size_t i = 0; i < n; ++i) v[i] -= dot * q[i];
      }
    long double norm = 0;
    for (auto e : v) norm += e * e;
    norm = std::sqrt(norm);
    if (norm < 1e-9L) return;
    for (auto& e : v) e /= norm;
    all.push_back(v);
    if (stratum < 4) out.basis[stratum].push_back(v);
  };
  for (std::size_t c = 0; c < p; ++c) {
    std::vector<long double> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<long double>(x[i][c]);
    std::size_t stratum = c < s.male.first ? std::size_t{4}
                          : c < s.female.first ? std::size_t{kMale}
                          : c < s.cross.first ? std::size_t{kFemale}
                                              : std::size_t{kCross};
    add(v, stratum);
  }
  for (std::size_t e = 0; e < n; ++e) {
    std::vector<long double> v(n, 0);
    v[e] = 1;
    add(v, kError);
  }
  return out;
}

TEST(Model3Random, UnbalancedDesignMatchesIndependentProjections) {
  // 4 males x 3 females, two crosses missing, 1 to 4 observations per cross.
  std::vector<std::int32_t> males, females;
  std::vector<std::vector<double>> y(2);
  std::mt19937 rng(11);
  std::normal_distribution<double> normal;
  const int reps[4][3] = {{2, 1, 3}, {0, 4, 2}, {3, 2, 0}, {1, 2, 2}};
  for (int a = 0; a < 4; ++a)
    for (int b = 0; b < 3; ++b)
      for (int k = 0; k < reps[a][b]; ++k) {
        males.push_back(a + 1);
        females.push_back(b + 1);
        y[0].push_back(5 + a + 0.5 * b + normal(rng));
        y[1].push_back(2 * y[0].back() + normal(rng));
      }
  TrialData trial = model3Trial(males, females, y);
  Model3Design d = buildModel3Design(trial);
  RandomModelResult r = fitRandomModel(d.linear, d.strata, trial.traitValues);
  StrataBases bases = gramSchmidtStrata(d.linear, d.strata);
  const std::size_t n = trial.observationCount;
  IntMatrix x = d.linear.designMatrix();
  const ParameterRange groups[3] = {d.strata.male, d.strata.female, d.strata.cross};

  for (std::size_t s = 0; s < 4; ++s) ASSERT_EQ(bases.basis[s].size(), static_cast<std::size_t>(r.df[s])) << s;
  // Rows of the reduced design in the basis: Qs' Z_u.
  auto reduced = [&](std::size_t s, std::size_t u) {
    std::vector<std::vector<long double>> rows;
    for (const auto& q : bases.basis[s]) {
      std::vector<long double> row;
      for (std::size_t c = groups[u].first; c < groups[u].end(); ++c) {
        long double dot = 0;
        for (std::size_t i = 0; i < n; ++i) dot += q[i] * x[i][c];
        row.push_back(dot);
      }
      rows.push_back(row);
    }
    return rows;
  };
  for (std::size_t s = 0; s < 3; ++s) {
    for (std::size_t u = s; u < 3; ++u) {
      auto ru = reduced(s, u);
      long double k = 0;
      for (const auto& row : ru)
        for (auto e : row) k += e * e;
      EXPECT_NEAR(static_cast<double>(k), r.k[s][u], 1e-8) << s << u;
      for (std::size_t v = u; v < 3; ++v) {
        auto rv = reduced(s, v);
        long double trace = 0;
        for (std::size_t p = 0; p < ru.size(); ++p)
          for (std::size_t q = 0; q < ru.size(); ++q) {
            long double bu = 0, bv = 0;
            for (auto c = 0u; c < ru[p].size(); ++c) bu += ru[p][c] * ru[q][c];
            for (auto c = 0u; c < rv[p].size(); ++c) bv += rv[p][c] * rv[q][c];
            trace += bu * bv;
          }
        EXPECT_NEAR(static_cast<double>(trace), r.trace[s][u][v], 1e-7) << s << u << v;
      }
    }
  }
  for (std::size_t s = 0; s < 4; ++s)
    for (int t = 0; t < 2; ++t) {
      long double ss = 0;
      for (const auto& q : bases.basis[s]) {
        long double dot = 0;
        for (std::size_t i = 0; i < n; ++i) dot += q[i] * y[t][i];
        ss += dot * dot;
      }
      EXPECT_NEAR(static_cast<double>(ss), r.stratumProducts[s][t][t], 1e-8) << s;
    }

  // The estimates satisfy the four expectation equations exactly.
  for (int t = 0; t < 2; ++t) {
    const double sM = r.sigma[kMale][t][t], sF = r.sigma[kFemale][t][t], sI = r.sigma[kCross][t][t],
                 sE = r.sigma[kError][t][t];
    EXPECT_NEAR(r.stratumProducts[kMale][t][t],
                r.df[kMale] * sE + r.k[kMale][kMale] * sM + r.k[kMale][kFemale] * sF + r.k[kMale][kCross] * sI, 1e-8);
    EXPECT_NEAR(r.stratumProducts[kFemale][t][t],
                r.df[kFemale] * sE + r.k[kFemale][kFemale] * sF + r.k[kFemale][kCross] * sI, 1e-8);
    EXPECT_NEAR(r.stratumProducts[kCross][t][t], r.df[kCross] * sE + r.k[kCross][kCross] * sI, 1e-8);
  }

  // Normal theory: Var(y'Qy) = 2 tr(Q V Q V) with V built from the estimated components.
  const int t = 0;
  std::vector<std::vector<long double>> V(n, std::vector<long double>(n, 0));
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < n; ++j) {
      long double v = i == j ? r.sigma[kError][t][t] : 0;
      for (std::size_t u = 0; u < 3; ++u)
        for (std::size_t c = groups[u].first; c < groups[u].end(); ++c)
          v += r.sigma[u][t][t] * x[i][c] * x[j][c];
      V[i][j] = v;
    }
  for (std::size_t s = 0; s < 4; ++s) {
    // tr(QVQV) = || B' V B ||_F^2 for an orthonormal basis B of the stratum.
    const auto& B = bases.basis[s];
    long double tr = 0;
    for (const auto& a : B)
      for (const auto& b : B) {
        long double avb = 0;
        for (std::size_t i = 0; i < n; ++i) {
          long double vb = 0;
          for (std::size_t j = 0; j < n; ++j) vb += V[i][j] * b[j];
          avb += a[i] * vb;
        }
        tr += avb * avb;
      }
    EXPECT_NEAR(2 * static_cast<double>(tr) / stratumCovariance(r, s, t, t, t, t), 1.0, 1e-9) << s;
  }
}

TEST(Model3Random, ProportionalTraitsAreFullyCorrelated) {
  TrialData trial = balancedModel3Trial(4, 4, 3, 1, 5);
  std::vector<double> scaled = trial.traitValues[0];
  for (auto& v : scaled) v *= 3;
  trial = model3Trial(trial.factorCodes[0], trial.factorCodes[1], {trial.traitValues[0], scaled});
  RandomModelResult r = randomModelOf(trial);
  for (std::size_t u = 0; u < 3; ++u) {
    if (r.sigma[u][0][0] <= 0) continue;
    EXPECT_NEAR(r.correlation[u][0][1], 1.0, 1e-12) << u;
    EXPECT_NEAR(r.correlationVariance[u][0][1], 0.0, 1e-9) << u;
  }
}

TEST(Model3Random, TooFewErrorRowsLeaveTheExactTestsUndefined) {
  TrialData trial = balancedModel3Trial(3, 3, 1, 1, 3);  // one observation per cross: dfE = 0
  RandomModelResult r = randomModelOf(trial);
  EXPECT_TRUE(std::isnan(r.maleF[0]));
  EXPECT_TRUE(std::isnan(r.femaleP[0]));
}

double kolmogorovSmirnovUniform(std::vector<double> p) {
  std::sort(p.begin(), p.end());
  double d = 0;
  const double n = static_cast<double>(p.size());
  for (std::size_t i = 0; i < p.size(); ++i)
    d = std::max({d, (i + 1) / n - p[i], p[i] - i / n});
  return d;
}

// Under the null hypothesis the exact tests' probabilities are uniform, on unbalanced data too.
TEST(Model3Random, ExactTestsAreExactUnderTheNull) {
  std::mt19937 rng(2024);
  std::uniform_int_distribution<int> reps(1, 3);
  std::vector<double> maleP, femaleP;
  while (maleP.size() < 300) {
    std::vector<int> cellReps;
    for (int k = 0; k < 12; ++k) cellReps.push_back(reps(rng));
    cellReps[5] = 0;  // one missing cross
    TrialData noMale = randomModel3Trial(3, 4, cellReps, 1, {0.0, 1.0, 0.7, 1.0}, rng);
    TrialData noFemale = randomModel3Trial(3, 4, cellReps, 1, {1.0, 0.0, 0.7, 1.0}, rng);
    RandomModelResult a = randomModelOf(noMale), b = randomModelOf(noFemale);
    if (std::isnan(a.maleP[0]) || std::isnan(b.femaleP[0])) continue;  // too few error rows
    maleP.push_back(a.maleP[0]);
    femaleP.push_back(b.femaleP[0]);
  }
  // 1.95 / sqrt(300) is the 0.1% point of the Kolmogorov-Smirnov statistic.
  EXPECT_LT(kolmogorovSmirnovUniform(maleP), 0.113);
  EXPECT_LT(kolmogorovSmirnovUniform(femaleP), 0.113);
}

}  // namespace
