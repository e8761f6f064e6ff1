#include "kernels/householder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "kernels/design_builders.h"
#include "kernels/inversion.h"

namespace {

RealMatrix column(std::vector<std::vector<double>> rows) {
  RealMatrix m(rows.size(), rows.empty() ? 0 : rows[0].size());
  for (std::size_t i = 0; i < rows.size(); ++i)
    for (std::size_t j = 0; j < rows[i].size(); ++j) m[i][j] = rows[i][j];
  return m;
}

long double sumOfProducts(const RealMatrix& Y, std::size_t a, std::size_t b, std::size_t from, std::size_t to) {
  long double s = 0;
  for (std::size_t r = from; r < to; ++r) s += static_cast<long double>(Y[r][a]) * Y[r][b];
  return s;
}

// Residual sum of squares of the least-squares fit of y on the columns of X, by the normal
// equations solved with Gaussian elimination in long double (X must have full column rank).
long double residualByNormalEquations(const RealMatrix& X, const std::vector<double>& y) {
  const std::size_t n = X.rows(), p = X.cols();
  std::vector<std::vector<long double>> a(p, std::vector<long double>(p + 1, 0));
  for (std::size_t i = 0; i < p; ++i) {
    for (std::size_t j = 0; j < p; ++j)
      for (std::size_t r = 0; r < n; ++r) a[i][j] += static_cast<long double>(X[r][i]) * X[r][j];
    for (std::size_t r = 0; r < n; ++r) a[i][p] += static_cast<long double>(X[r][i]) * y[r];
  }
  for (std::size_t k = 0; k < p; ++k)
    for (std::size_t i = 0; i < p; ++i) {
      if (i == k) continue;
      const long double f = a[i][k] / a[k][k];
      for (std::size_t j = k; j <= p; ++j) a[i][j] -= f * a[k][j];
    }
  long double rss = 0;
  for (std::size_t r = 0; r < n; ++r) {
    long double fit = 0;
    for (std::size_t k = 0; k < p; ++k) fit += X[r][k] * (a[k][p] / a[k][k]);
    rss += (y[r] - fit) * (y[r] - fit);
  }
  return rss;
}

TEST(HouseholderSolve, MeanColumnGivesTheCorrectedSumOfSquares) {
  RealMatrix X = column({{1}, {1}, {1}, {1}});
  RealMatrix Y = column({{1}, {2}, {3}, {4}});
  ASSERT_EQ(1u, householderSolve(X, Y, 4, 1));
  EXPECT_DOUBLE_EQ(-2.0, X[0][0]);
  EXPECT_DOUBLE_EQ(-5.0, Y[0][0]);
  EXPECT_NEAR(0.0, Y[1][0], 1e-15);
  EXPECT_NEAR(1.0, Y[2][0], 1e-15);
  EXPECT_NEAR(2.0, Y[3][0], 1e-15);
  EXPECT_NEAR(5.0, static_cast<double>(sumOfProducts(Y, 0, 0, 1, 4)), 1e-14);
}

TEST(HouseholderSolve, DependentAndZeroColumnsTakeNoRow) {
  // Third column = first minus second; a zero column in between.
  const std::vector<double> y = {1.0, 3.5, 2.0, 7.0, 4.0, 6.5};
  RealMatrix X = column({{1, 0, 0, 1}, {1, 1, 0, 0}, {1, 2, 0, -1}, {1, 0, 0, 1}, {1, 5, 0, -4}, {1, 3, 0, -2}});
  RealMatrix Y(6, 1);
  for (std::size_t r = 0; r < 6; ++r) Y[r][0] = y[r];
  ASSERT_EQ(2u, householderSolve(X, Y, 6, 4));
  // Upper trapezoidal: row 1 leads in column 1.
  EXPECT_EQ(0.0, X[1][0]);
  EXPECT_GT(std::fabs(X[1][1]), 1e-10);
  RealMatrix firstTwo = column({{1, 0}, {1, 1}, {1, 2}, {1, 0}, {1, 5}, {1, 3}});
  EXPECT_NEAR(static_cast<double>(residualByNormalEquations(firstTwo, y)),
              static_cast<double>(sumOfProducts(Y, 0, 0, 2, 6)), 1e-12);
}

TEST(HouseholderSolve, ZeroPivotBringsUpTheFirstUsableRow) {
  RealMatrix X = column({{0}, {3}, {4}});
  RealMatrix Y = column({{1}, {2}, {3}});
  ASSERT_EQ(1u, householderSolve(X, Y, 3, 1));
  EXPECT_DOUBLE_EQ(-5.0, X[0][0]);
  EXPECT_NEAR(-3.6, Y[0][0], 1e-15);
  EXPECT_NEAR(1.0, Y[1][0], 1e-15);  // the old row 0, exchanged and then left alone
  EXPECT_NEAR(0.2, Y[2][0], 1e-15);
}

RealMatrix randomMatrix(std::size_t rows, std::size_t cols, std::mt19937_64& rng) {
  std::normal_distribution<double> z;
  RealMatrix m(rows, cols);
  for (std::size_t i = 0; i < rows; ++i)
    for (std::size_t c = 0; c < cols; ++c) m[i][c] = z(rng);
  return m;
}

TEST(HouseholderSolve, PreservesSumsOfSquaresAndCrossProductsAndFitsLeastSquares) {
  std::mt19937_64 rng(17);
  const RealMatrix X0 = randomMatrix(40, 7, rng), Y0 = randomMatrix(40, 3, rng);
  RealMatrix X = X0, Y = Y0;
  ASSERT_EQ(7u, householderSolve(X, Y, 40, 7));
  for (std::size_t a = 0; a < 3; ++a) {
    for (std::size_t b = 0; b <= a; ++b)
      EXPECT_NEAR(static_cast<double>(sumOfProducts(Y0, a, b, 0, 40)), static_cast<double>(sumOfProducts(Y, a, b, 0, 40)),
                  1e-11);
    std::vector<double> y(40);
    for (std::size_t r = 0; r < 40; ++r) y[r] = Y0[r][a];
    EXPECT_NEAR(static_cast<double>(residualByNormalEquations(X0, y)), static_cast<double>(sumOfProducts(Y, a, a, 7, 40)),
                1e-11);
  }
  for (std::size_t r = 1; r < 7; ++r)
    for (std::size_t c = 0; c < r; ++c) EXPECT_EQ(0.0, X[r][c]) << r << "," << c;
}

TEST(HouseholderSolve, FewerRowsThanColumnsStaysInsideTheMatrices) {
  std::mt19937_64 rng(23);
  const RealMatrix X0 = randomMatrix(3, 6, rng), Y0 = randomMatrix(3, 2, rng);
  RealMatrix X = X0, Y = Y0;
  ASSERT_EQ(3u, householderSolve(X, Y, 3, 6));
  for (std::size_t a = 0; a < 2; ++a)
    EXPECT_NEAR(static_cast<double>(sumOfProducts(Y0, a, a, 0, 3)), static_cast<double>(sumOfProducts(Y, a, a, 0, 3)), 1e-12);
  EXPECT_EQ(0.0, X[1][0]);
  EXPECT_EQ(0.0, X[2][0]);
  EXPECT_EQ(0.0, X[2][1]);

  // Asking for more rows or columns than there are is clamped to the matrices.
  RealMatrix small = X0, smallY = Y0;
  EXPECT_EQ(3u, householderSolve(small, smallY, 10, 9));
}

// ---- Strata against the plain reduction ----

// The reduction as first written: reflections down from the diagonal, then rotations that clear
// the rows of dependent columns, then compaction of the rows kept. Reads rows up to nCols - 1,
// so it needs nRows >= nCols.
std::size_t plainReduction(RealMatrix& X, RealMatrix& Y, std::size_t nRows, std::size_t nCols) {
  if (nRows < nCols) {
    ADD_FAILURE() << "the plain reduction cannot run with fewer rows than columns";
    return 0;
  }
  const std::size_t T = Y.cols();
  std::vector<double> u(nRows);
  for (std::size_t o = 0; o < nCols; ++o) {
    double ss = 0;
    for (std::size_t d = o; d < nRows; ++d) ss += X[d][o] * X[d][o];
    const double norm = std::sqrt(ss);
    if (norm < 1e-10) continue;
    if (X[o][o] == 0.0) {
      for (std::size_t w = o + 1; w < nRows; ++w)
        if (std::fabs(X[w][o]) > 1e-10) {
          X.swapRows(o, w);
          Y.swapRows(o, w);
          break;
        }
    }
    const double x0 = X[o][o];
    const double sigma = x0 < 0 ? -1.0 : 1.0;
    const double w = x0 + sigma * norm;
    u[o] = 1.0;
    for (std::size_t d = o + 1; d < nRows; ++d) u[d] = X[d][o] / w;
    const double beta = w * sigma / norm;
    for (std::size_t c = 0; c < nCols; ++c) {
      double s = 0;
      for (std::size_t d = o; d < nRows; ++d) s += u[d] * X[d][c];
      s *= beta;
      for (std::size_t d = o; d < nRows; ++d) X[d][c] -= s * u[d];
    }
    for (std::size_t c = 0; c < T; ++c) {
      double s = 0;
      for (std::size_t d = o; d < nRows; ++d) s += u[d] * Y[d][c];
      s *= beta;
      for (std::size_t d = o; d < nRows; ++d) Y[d][c] -= s * u[d];
    }
  }
  for (std::size_t r = 0; r < nCols; ++r) {
    if (std::fabs(X[r][r]) >= 1e-10) continue;
    for (std::size_t v = r + 1; v < nCols; ++v) {
      if (std::fabs(X[r][v]) <= 1e-10) continue;
      std::size_t w = v;
      while (w < nCols && std::fabs(X[w][v]) <= 1e-10) ++w;
      if (w == nCols) continue;
      const double h = std::sqrt(X[w][v] * X[w][v] + X[r][v] * X[r][v]);
      const double cr = X[r][v] / h, cw = X[w][v] / h;
      for (std::size_t c = v; c < nCols; ++c) {
        const double oldR = X[r][c], oldW = X[w][c];
        X[r][c] = cr * oldW - cw * oldR;
        X[w][c] = cw * oldW + cr * oldR;
      }
      for (std::size_t c = 0; c < T; ++c) {
        const double oldR = Y[r][c], oldW = Y[w][c];
        Y[r][c] = cr * oldW - cw * oldR;
        Y[w][c] = cw * oldW + cr * oldR;
      }
    }
  }
  std::vector<std::size_t> kept;
  for (std::size_t r = 0; r < nCols; ++r) {
    double ss = 0;
    for (std::size_t a = r; a < nCols; ++a) ss += X[r][a] * X[r][a];
    if (std::sqrt(ss) > 1e-10) kept.push_back(r);
  }
  for (std::size_t i = 0; i < kept.size(); ++i) {
    if (kept[i] == i) continue;
    std::copy(X[kept[i]], X[kept[i]] + nCols, X[i]);
    Y.swapRows(i, kept[i]);
  }
  return kept.size();
}

struct Reduced {
  RealMatrix X, Y;
  std::size_t kept;
};

RealMatrix traitsFor(std::size_t n, std::size_t traits, unsigned seed) {
  std::mt19937_64 rng(seed);
  std::normal_distribution<double> z(10.0, 3.0);
  RealMatrix Y(n, traits);
  for (std::size_t r = 0; r < n; ++r)
    for (std::size_t t = 0; t < traits; ++t) Y[r][t] = z(rng) + static_cast<double>(r % 7) * (t + 1);
  return Y;
}

// Row boundaries of the strata: the exact ranks of the designs made of the leading groups.
std::vector<std::size_t> strataBounds(const testdesign::Design& d) {
  std::vector<std::size_t> bounds = {0};
  for (std::size_t g = 0; g + 1 < d.groupStart.size(); ++g) {
    IntMatrix lead(d.X.rows(), d.groupEnd(g));
    for (std::size_t r = 0; r < d.X.rows(); ++r) std::copy(d.X[r], d.X[r] + d.groupEnd(g), lead[r]);
    bounds.push_back(integerRank(lead.cols(), lead, lead.rows()));
  }
  bounds.push_back(d.X.rows());
  return bounds;
}

// Sums of squares and cross products of every stratum, and the sums of squares of the reduced
// design's entries of every group in every stratum (the expectation coefficients).
std::vector<long double> strataSums(const testdesign::Design& d, const RealMatrix& X, const RealMatrix& Y,
                                    const std::vector<std::size_t>& bounds) {
  std::vector<long double> sums;
  for (std::size_t s = 0; s + 1 < bounds.size(); ++s) {
    for (std::size_t a = 0; a < Y.cols(); ++a)
      for (std::size_t b = 0; b <= a; ++b) sums.push_back(sumOfProducts(Y, a, b, bounds[s], bounds[s + 1]));
    if (s + 2 == bounds.size()) break;  // error stratum: X rows there are stale
    for (std::size_t g = 0; g + 1 < d.groupStart.size(); ++g) {
      long double k = 0;
      for (std::size_t r = bounds[s]; r < bounds[s + 1]; ++r)
        for (std::size_t c = d.groupStart[g]; c < d.groupEnd(g); ++c) k += static_cast<long double>(X[r][c]) * X[r][c];
      sums.push_back(k);
    }
  }
  return sums;
}

std::vector<testdesign::Codes> dropCells(std::vector<testdesign::Codes> obs, const std::vector<std::array<int, 2>>& cells) {
  std::vector<testdesign::Codes> kept;
  for (const auto& o : obs) {
    bool drop = false;
    for (const auto& c : cells) drop = drop || (o[testdesign::kMale] == c[0] && o[testdesign::kFemale] == c[1]);
    if (!drop) kept.push_back(o);
  }
  return kept;
}

TEST(HouseholderSolve, StrataMatchThePlainReductionOnCrossedAndBlockedDesigns) {
  using testdesign::fullFactorial;
  struct Case {
    std::string name;
    testdesign::Design design;
  };
  auto unevenReps = fullFactorial(1, 1, 3, 3, 2);
  unevenReps.push_back({1, 1, 2, 3});
  unevenReps.push_back({1, 1, 1, 1});
  unevenReps.push_back({1, 1, 1, 1});
  std::vector<Case> cases = {
      {"crossed 2x2", testdesign::modelThree(fullFactorial(1, 1, 2, 2, 3))},
      {"crossed 4x3 missing cells", testdesign::modelThree(dropCells(fullFactorial(1, 1, 4, 3, 3), {{1, 2}, {3, 3}, {4, 1}}))},
      {"crossed uneven replicates", testdesign::modelThree(unevenReps)},
      {"blocked 3 blocks 3x4", testdesign::modelTwo(fullFactorial(1, 3, 3, 4, 1))},
      {"blocked missing cells", testdesign::modelTwo(dropCells(fullFactorial(1, 2, 4, 4, 2), {{2, 2}, {4, 1}, {1, 4}}))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto& d = c.design;
    const std::size_t n = d.X.rows(), p = d.X.cols();
    const std::vector<std::size_t> bounds = strataBounds(d);
    const std::size_t rank = bounds[bounds.size() - 2];
    const RealMatrix Y0 = traitsFor(n, 3, static_cast<unsigned>(n));
    Reduced mine{testdesign::toReal(d.X), Y0, 0}, plain{testdesign::toReal(d.X), Y0, 0};
    mine.kept = householderSolve(mine.X, mine.Y, n, p);
    plain.kept = plainReduction(plain.X, plain.Y, n, p);
    ASSERT_EQ(rank, plain.kept);
    ASSERT_EQ(rank, mine.kept);
    const auto expected = strataSums(d, plain.X, plain.Y, bounds), actual = strataSums(d, mine.X, mine.Y, bounds);
    ASSERT_EQ(expected.size(), actual.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
      EXPECT_NEAR(static_cast<double>(expected[i]), static_cast<double>(actual[i]), 1e-9 * (1 + std::fabs(static_cast<double>(expected[i]))))
          << "sum " << i;
  }
}

// Sorted by site and block, the multi-site design makes the plain reduction keep rows that belong
// to no column; the reduction with its own pivot rows keeps exactly the rank, and its strata add
// up to the separate fits of the leading designs.
TEST(HouseholderSolve, MultiSiteDesignKeepsExactlyTheRank) {
  const auto d = testdesign::modelOne(testdesign::fullFactorial(2, 2, 4, 5, 2));
  const std::size_t n = d.X.rows(), p = d.X.cols();
  const std::vector<std::size_t> bounds = strataBounds(d);
  ASSERT_EQ(80u, bounds[bounds.size() - 2]);
  const RealMatrix Y0 = traitsFor(n, 2, 99);

  // 160 observations, 174 parameters: the plain reduction needs as many rows as columns, so it
  // gets zero rows appended (an observation with no design entries and a zero response changes
  // no fit).
  ASSERT_LT(n, p);
  RealMatrix plainX(p, p), plainY(p, Y0.cols());
  for (std::size_t r = 0; r < n; ++r) {
    for (std::size_t c = 0; c < p; ++c) plainX[r][c] = static_cast<double>(d.X[r][c]);
    for (std::size_t t = 0; t < Y0.cols(); ++t) plainY[r][t] = Y0[r][t];
  }
  EXPECT_EQ(151u, plainReduction(plainX, plainY, p, p));

  RealMatrix X = testdesign::toReal(d.X), Y = Y0;
  ASSERT_EQ(80u, householderSolve(X, Y, n, p));

  // Residual rows hold the variation within the site x block x cross cells.
  std::map<testdesign::Codes, std::vector<std::size_t>> cells;
  const auto obs = testdesign::fullFactorial(2, 2, 4, 5, 2);
  for (std::size_t r = 0; r < n; ++r) cells[obs[r]].push_back(r);
  for (std::size_t t = 0; t < 2; ++t) {
    long double within = 0;
    for (const auto& [codes, rows] : cells) {
      long double mean = 0;
      for (std::size_t r : rows) mean += Y0[r][t];
      mean /= static_cast<long double>(rows.size());
      for (std::size_t r : rows) within += (Y0[r][t] - mean) * (Y0[r][t] - mean);
    }
    EXPECT_NEAR(static_cast<double>(within), static_cast<double>(sumOfProducts(Y, t, t, 80, n)), 1e-9);
  }

  // Stratum g holds what group g adds to the fit: the residual of the leading design without it
  // minus the residual with it.
  for (std::size_t g = 1; g + 1 < d.groupStart.size(); ++g) {
    RealMatrix Xg(n, d.groupEnd(g)), Yg = Y0;
    for (std::size_t r = 0; r < n; ++r)
      for (std::size_t c = 0; c < d.groupEnd(g); ++c) Xg[r][c] = static_cast<double>(d.X[r][c]);
    RealMatrix Xh(n, d.groupEnd(g - 1)), Yh = Y0;
    for (std::size_t r = 0; r < n; ++r)
      for (std::size_t c = 0; c < d.groupEnd(g - 1); ++c) Xh[r][c] = static_cast<double>(d.X[r][c]);
    ASSERT_EQ(bounds[g + 1], householderSolve(Xg, Yg, n, Xg.cols())) << "group " << g;
    ASSERT_EQ(bounds[g], householderSolve(Xh, Yh, n, Xh.cols())) << "group " << g;
    for (std::size_t t = 0; t < 2; ++t) {
      const long double added = sumOfProducts(Yh, t, t, bounds[g], n) - sumOfProducts(Yg, t, t, bounds[g + 1], n);
      EXPECT_NEAR(static_cast<double>(added), static_cast<double>(sumOfProducts(Y, t, t, bounds[g], bounds[g + 1])), 1e-8)
          << "group " << g;
    }
  }
}

// One observation per cell leaves fewer observations than parameters.
TEST(HouseholderSolve, MultiSiteDesignWithFewerObservationsThanParameters) {
  const auto d = testdesign::modelOne(testdesign::fullFactorial(2, 2, 3, 3, 1));
  const std::size_t n = d.X.rows(), p = d.X.cols();
  ASSERT_LT(n, p);
  RealMatrix X = testdesign::toReal(d.X), Y = traitsFor(n, 2, 5);
  const RealMatrix Y0 = Y;
  EXPECT_EQ(36u, householderSolve(X, Y, n, p));
  EXPECT_NEAR(static_cast<double>(sumOfProducts(Y0, 0, 1, 0, n)), static_cast<double>(sumOfProducts(Y, 0, 1, 0, n)), 1e-9);
}

}  // namespace
