#include "kernels/hypothesis_tests.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "kernels/design_builders.h"
#include "kernels/householder.h"
#include "kernels/inversion.h"

namespace {

using testdesign::Codes;

// The penalised normal equations of one trait, set up as the analyses do.
struct Fit {
  testdesign::Design d;
  std::vector<double> y, Xty, b;
  RealMatrix G, A, Ainv;
  double yty = 0, sse = 0;
  int rankX = 0;

  Fit(const std::vector<Codes>& obs, unsigned seed) : d(testdesign::modelThree(obs)) {
    const std::size_t n = obs.size(), p = d.X.cols();
    std::mt19937_64 rng(seed);
    std::normal_distribution<double> z(0.0, 1.0);
    for (std::size_t r = 0; r < n; ++r)
      y.push_back(20.0 + 2.0 * obs[r][testdesign::kMale] - 1.5 * obs[r][testdesign::kFemale] + z(rng));
    G.reset(p, p);
    A.reset(p, p);
    Xty.assign(p, 0.0);
    for (std::size_t r = 0; r < n; ++r) {
      yty += y[r] * y[r];
      for (std::size_t i = 0; i < p; ++i) {
        Xty[i] += static_cast<double>(d.X[r][i]) * y[r];
        for (std::size_t j = 0; j < p; ++j) G[i][j] += static_cast<double>(d.X[r][i] * d.X[r][j]);
      }
    }
    for (std::size_t i = 0; i < p; ++i)
      for (std::size_t j = 0; j < p; ++j) {
        double cc = 0;
        for (std::size_t k = 0; k < d.C.rows(); ++k) cc += static_cast<double>(d.C[k][i] * d.C[k][j]);
        A[i][j] = G[i][j] + cc;
      }
    Ainv = A;
    EXPECT_EQ(kInversionOk, invertSymmetric(Ainv, p));
    b.assign(p, 0.0);
    for (std::size_t i = 0; i < p; ++i)
      for (std::size_t j = 0; j < p; ++j) b[i] += Ainv[i][j] * Xty[j];
    sse = yty;
    for (std::size_t i = 0; i < p; ++i) sse -= b[i] * Xty[i];
    IntMatrix copy = d.X;
    rankX = static_cast<int>(integerRank(p, copy, n));
  }

  FittedModel model() const {
    FittedModel m;
    m.C = &d.C;
    m.Xty = &Xty;
    m.yty = yty;
    m.sse = sse;
    m.rankX = rankX;
    m.observations = static_cast<int>(y.size());
    return m;
  }
  std::size_t p() const { return d.X.cols(); }
  std::size_t males() const { return d.groupEnd(1) - d.groupStart[1]; }

  // se^2 of estimate k: MSE (A^-1 G A^-1)[k][k].
  double variance(std::size_t k) const {
    double v = 0;
    for (std::size_t i = 0; i < p(); ++i)
      for (std::size_t j = 0; j < p(); ++j) v += Ainv[k][i] * G[i][j] * Ainv[j][k];
    return v * sse / static_cast<double>(static_cast<int>(y.size()) - rankX);
  }

  // The smallest residual sum of squares over all b with C b = 0 and H b = 0, computed through a
  // basis N of the null space of [C; H]: the residual of y on X N.
  double restrictedResidual(const std::vector<std::vector<double>>& H) const {
    std::vector<std::vector<long double>> L;
    for (std::size_t r = 0; r < d.C.rows(); ++r) L.emplace_back(d.C[r], d.C[r] + p());
    for (const auto& h : H) L.emplace_back(h.begin(), h.end());
    std::vector<std::size_t> pivots;
    std::size_t row = 0;
    for (std::size_t c = 0; c < p() && row < L.size(); ++c) {
      std::size_t best = row;
      for (std::size_t r = row; r < L.size(); ++r)
        if (std::fabs(L[r][c]) > std::fabs(L[best][c])) best = r;
      if (std::fabs(L[best][c]) < 1e-9) continue;
      std::swap(L[best], L[row]);
      const long double piv = L[row][c];
      for (auto& e : L[row]) e /= piv;
      for (std::size_t r = 0; r < L.size(); ++r)
        if (r != row && L[r][c] != 0) {
          const long double f = L[r][c];
          for (std::size_t k = 0; k < p(); ++k) L[r][k] -= f * L[row][k];
        }
      pivots.push_back(c);
      ++row;
    }
    std::vector<std::vector<double>> basis;  // one null-space vector per free column
    for (std::size_t f = 0; f < p(); ++f) {
      if (std::find(pivots.begin(), pivots.end(), f) != pivots.end()) continue;
      std::vector<double> v(p(), 0.0);
      v[f] = 1.0;
      for (std::size_t i = 0; i < pivots.size(); ++i) v[pivots[i]] = static_cast<double>(-L[i][f]);
      basis.push_back(v);
    }
    const std::size_t n = y.size();
    RealMatrix Z(n, std::max<std::size_t>(basis.size(), 1)), Y(n, 1);
    for (std::size_t r = 0; r < n; ++r) {
      Y[r][0] = y[r];
      for (std::size_t q = 0; q < basis.size(); ++q) {
        long double s = 0;
        for (std::size_t c = 0; c < p(); ++c) s += static_cast<long double>(d.X[r][c]) * basis[q][c];
        Z[r][q] = static_cast<double>(s);
      }
    }
    const std::size_t k = householderSolve(Z, Y, n, basis.size());
    long double rss = 0;
    for (std::size_t r = k; r < n; ++r) rss += static_cast<long double>(Y[r][0]) * Y[r][0];
    return static_cast<double>(rss);
  }

  std::vector<double> unit(std::size_t k) const {
    std::vector<double> e(p(), 0.0);
    e[k] = 1.0;
    return e;
  }
};

std::vector<Codes> cells(const std::vector<std::array<int, 3>>& maleFemaleReps) {
  std::vector<Codes> obs;
  for (const auto& c : maleFemaleReps)
    for (int r = 0; r < c[2]; ++r) obs.push_back({1, 1, c[0], c[1]});
  return obs;
}

void expectClose(double expected, double actual, const std::string& what) {
  EXPECT_NEAR(expected, actual, 1e-8 * (1.0 + std::fabs(expected))) << what;
}

TEST(TestFactor, BalancedCrossGivesOneDegreeOfFreedomPerFactor) {
  const Fit fit(cells({{1, 1, 2}, {1, 2, 2}, {2, 1, 2}, {2, 2, 2}}), 1);
  ASSERT_EQ(9u, fit.p());
  ASSERT_EQ(4, fit.rankX);
  const FittedModel model = fit.model();
  struct Group {
    std::size_t first, n;
  };
  for (const Group& g : {Group{1, 2}, Group{3, 2}, Group{5, 4}}) {
    const TestResult r = testFactor(model, fit.A, g.first, g.n);
    SCOPED_TRACE("parameters from " + std::to_string(g.first));
    EXPECT_EQ(1, r.df1);
    EXPECT_EQ(4, r.df2);
    std::vector<std::vector<double>> H;
    for (std::size_t i = 0; i < g.n; ++i) H.push_back(fit.unit(g.first + i));
    expectClose(fit.restrictedResidual(H), r.sseH, "SSE_H");
    EXPECT_GE(r.sseH, fit.sse - 1e-9);
    const double f = ((r.sseH - fit.sse) / 1) / (fit.sse / 4);
    expectClose(f, r.f, "F");
    EXPECT_GT(r.probability, 0.0);
    EXPECT_LE(r.probability, 1.0);
  }
}

TEST(TestFactor, SingleLevelFactorHasNothingToTest) {
  const Fit fit(cells({{7, 1, 2}, {7, 2, 3}, {7, 3, 2}}), 2);
  const TestResult r = testFactor(fit.model(), fit.A, 1, 1);
  EXPECT_EQ(0, r.df1);
  EXPECT_EQ(0.0, r.f);
  EXPECT_EQ(1.0, r.probability);
  EXPECT_EQ(4, r.df2);
}

TEST(TestFactor, InconsistentArgumentsGiveNaN) {
  const Fit fit(cells({{1, 1, 2}, {1, 2, 2}, {2, 1, 2}, {2, 2, 2}}), 1);
  EXPECT_TRUE(std::isnan(testFactor(fit.model(), fit.A, 8, 2).f));
  RealMatrix small(3, 3);
  EXPECT_TRUE(std::isnan(testFactor(fit.model(), small, 1, 2).f));
}

// 3 males x 2 females with the cell (3, 2) missing, uneven replicates.
std::vector<Codes> missingCell() { return cells({{1, 1, 2}, {1, 2, 3}, {2, 1, 2}, {2, 2, 2}, {3, 1, 3}}); }

TEST(EstimateParameter, FreeParametersGiveTheSquaredTValue) {
  const Fit fit(missingCell(), 3);
  ASSERT_EQ(5, fit.rankX);
  const FittedModel model = fit.model();
  HypothesisWork work(fit.d.C.rows(), fit.p());
  int free = 0;
  for (std::size_t k = 0; k < fit.p(); ++k) {
    const TestResult r = estimateParameter(model, fit.Ainv, k, work);
    SCOPED_TRACE("parameter " + std::to_string(k));
    expectClose(fit.restrictedResidual({fit.unit(k)}), r.sseH, "SSE_H");
    EXPECT_GE(r.sseH, fit.sse - 1e-9);
    if (r.df1 == 0) {
      EXPECT_EQ(0.0, r.f);
      EXPECT_EQ(1.0, r.probability);
      continue;
    }
    ++free;
    EXPECT_EQ(1, r.df1);
    EXPECT_EQ(12 - 5, r.df2);
    expectClose(fit.b[k] * fit.b[k] / fit.variance(k), r.f, "F = t^2");
  }
  // u, males 2 of 3, females 1 of 2, cells: 5 - 3 - 2 + 1 interaction contrasts.
  EXPECT_GT(free, 3);
}

TEST(EstimateParameter, CellOfAMaleWithOneFemaleIsFixed) {
  // Male 3 is crossed with female 1 only: its restriction row fixes that cell at zero.
  const Fit fit(missingCell(), 4);
  HypothesisWork work(fit.d.C.rows(), fit.p());
  const std::size_t cellOfMale3 = fit.p() - 1;
  const TestResult r = estimateParameter(fit.model(), fit.Ainv, cellOfMale3, work);
  EXPECT_EQ(0, r.df1);
  EXPECT_EQ(0.0, r.f);
  EXPECT_EQ(1.0, r.probability);
  expectClose(fit.sse, r.sseH, "SSE_H");
}

TEST(TestDifference, MatchesTheRestrictedFitAndFixedDifferencesGiveNothing) {
  // Males 1 and 2 crossed with both females; male 3 only with female 1, male 4 only with female 2.
  const Fit fit(cells({{1, 1, 2}, {1, 2, 2}, {2, 1, 3}, {2, 2, 2}, {3, 1, 2}, {4, 2, 2}}), 5);
  const FittedModel model = fit.model();
  HypothesisWork work(fit.d.C.rows(), fit.p());
  const std::size_t firstCell = 1 + 4 + 2;  // u, 4 males, 2 females
  for (std::size_t i = 1; i < fit.p(); ++i)
    for (std::size_t j = i + 1; j < fit.p(); ++j) {
      const TestResult r = testDifference(model, fit.Ainv, i, j, work);
      SCOPED_TRACE(std::to_string(i) + " - " + std::to_string(j));
      std::vector<double> h(fit.p(), 0.0);
      h[i] = 1;
      h[j] = -1;
      expectClose(fit.restrictedResidual({h}), r.sseH, "SSE_H");
      EXPECT_GE(r.sseH, fit.sse - 1e-9);
      if (r.df1 == 1) {
        const double diff = fit.b[i] - fit.b[j];
        const double var = fit.variance(i) + fit.variance(j) - 2 * [&] {
          double v = 0;
          for (std::size_t a = 0; a < fit.p(); ++a)
            for (std::size_t c = 0; c < fit.p(); ++c) v += fit.Ainv[i][a] * fit.G[a][c] * fit.Ainv[c][j];
          return v * fit.sse / (static_cast<double>(fit.y.size()) - fit.rankX);
        }();
        expectClose(diff * diff / var, r.f, "F = t^2");
      } else {
        EXPECT_EQ(0, r.df1);
        EXPECT_EQ(0.0, r.f);
        EXPECT_EQ(1.0, r.probability);
      }
    }
  // Cells (3,1) and (4,2) are both fixed at zero, so is their difference.
  const TestResult fixed = testDifference(model, fit.Ainv, firstCell + 4, firstCell + 5, work);
  EXPECT_EQ(0, fixed.df1);
  EXPECT_EQ(1.0, fixed.probability);
  const TestResult same = testDifference(model, fit.Ainv, 2, 2, work);
  EXPECT_EQ(0, same.df1);
  EXPECT_EQ(fit.sse, same.sseH);
}

TEST(HypothesisWork, ReusedOrMisfittedStorageGivesTheSameResults) {
  const Fit fit(missingCell(), 6);
  const FittedModel model = fit.model();
  HypothesisWork reused(fit.d.C.rows(), fit.p());
  HypothesisWork tooSmall(1, 2);
  for (std::size_t k = 0; k < fit.p(); ++k) {
    HypothesisWork fresh(fit.d.C.rows(), fit.p());
    const TestResult a = estimateParameter(model, fit.Ainv, k, reused);
    const TestResult b = estimateParameter(model, fit.Ainv, k, fresh);
    const TestResult c = estimateParameter(model, fit.Ainv, k, tooSmall);
    EXPECT_EQ(b.sseH, a.sseH);
    EXPECT_EQ(b.sseH, c.sseH);
    EXPECT_EQ(b.f, c.f);
  }
}

}  // namespace
