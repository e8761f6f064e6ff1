#include "kernels/inversion.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "kernels/design_builders.h"

namespace {

RealMatrix realFrom(std::vector<std::vector<double>> rows) {
  RealMatrix m(rows.size(), rows.empty() ? 0 : rows[0].size());
  for (std::size_t i = 0; i < rows.size(); ++i)
    for (std::size_t j = 0; j < rows[i].size(); ++j) m[i][j] = rows[i][j];
  return m;
}

IntMatrix intFrom(std::vector<std::vector<std::int64_t>> rows) {
  IntMatrix m(rows.size(), rows.empty() ? 0 : rows[0].size());
  for (std::size_t i = 0; i < rows.size(); ++i)
    for (std::size_t j = 0; j < rows[i].size(); ++j) m[i][j] = rows[i][j];
  return m;
}

TEST(InvertSymmetric, SmallMatricesGiveTheirInverse) {
  RealMatrix one = realFrom({{4}});
  EXPECT_EQ(kInversionOk, invertSymmetric(one, 1));
  EXPECT_DOUBLE_EQ(0.25, one[0][0]);

  RealMatrix two = realFrom({{4, 2}, {2, 3}});
  EXPECT_EQ(kInversionOk, invertSymmetric(two, 2));
  EXPECT_DOUBLE_EQ(0.375, two[0][0]);
  EXPECT_DOUBLE_EQ(-0.25, two[0][1]);
  EXPECT_DOUBLE_EQ(-0.25, two[1][0]);
  EXPECT_DOUBLE_EQ(0.5, two[1][1]);
}

TEST(InvertSymmetric, VanishingPivotPrintsFailAndReturnsMinusTwo) {
  RealMatrix zeroLead = realFrom({{0, 1}, {1, 2}});
  testing::internal::CaptureStdout();
  EXPECT_EQ(kInversionFailed, invertSymmetric(zeroLead, 2));
  EXPECT_EQ("fail\n", testing::internal::GetCapturedStdout());
  EXPECT_EQ(realFrom({{0, 1}, {1, 2}}), zeroLead);

  // Passes the first step and fails at the second.
  RealMatrix singular = realFrom({{1, 1}, {1, 1}});
  testing::internal::CaptureStdout();
  EXPECT_EQ(kInversionFailed, invertSymmetric(singular, 2));
  EXPECT_EQ("fail\n", testing::internal::GetCapturedStdout());
  EXPECT_NE(realFrom({{1, 1}, {1, 1}}), singular);
}

TEST(InvertSymmetric, InvertsTheLeadingSquareReadingOnlyTheLowerTriangle) {
  const std::size_t n = 30;
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  RealMatrix b(n, n);
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < n; ++j) b[i][j] = u(rng);
  RealMatrix spd(n, n);  // B B' + n I
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < n; ++j) {
      long double s = (i == j) ? n : 0;
      for (std::size_t k = 0; k < n; ++k) s += static_cast<long double>(b[i][k]) * b[j][k];
      spd[i][j] = static_cast<double>(s);
    }
  RealMatrix a(n + 3, n + 5, 99.0);  // larger storage: the border must stay untouched
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j <= i; ++j) a[i][j] = spd[i][j];
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = i + 1; j < n; ++j) a[i][j] = -1e9;  // never read

  ASSERT_EQ(kInversionOk, invertSymmetric(a, n));
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < n; ++j) {
      long double s = 0;
      for (std::size_t k = 0; k < n; ++k) s += static_cast<long double>(spd[i][k]) * a[k][j];
      EXPECT_NEAR(i == j ? 1.0 : 0.0, static_cast<double>(s), 1e-12) << i << "," << j;
      EXPECT_EQ(a[i][j], a[j][i]);
    }
  for (std::size_t i = 0; i < a.rows(); ++i)
    for (std::size_t j = 0; j < a.cols(); ++j)
      if (i >= n || j >= n) {
        EXPECT_EQ(99.0, a[i][j]);
      }
}

TEST(InvertSymmetric, OrderBeyondTheMatrixIsRefused) {
  RealMatrix a = realFrom({{4, 2}, {2, 3}});
  EXPECT_EQ(kInversionFailed, invertSymmetric(a, 3));
  EXPECT_EQ(realFrom({{4, 2}, {2, 3}}), a);
  EXPECT_EQ(kInversionOk, invertSymmetric(a, 0));
}

// ---- integerRank ----

// The plain fraction-free elimination, checked: returns false when a product leaves 64 bits.
// `largest` receives the largest magnitude met.
bool literalElimination(IntMatrix& m, std::size_t& rank, std::int64_t& largest) {
  rank = 0;
  largest = 0;
  for (std::size_t j = 0; j < m.cols(); ++j) {
    std::size_t k = rank;
    while (k < m.rows() && m[k][j] == 0) ++k;
    if (k == m.rows()) continue;
    for (std::size_t c = j; c < m.cols(); ++c) std::swap(m[k][c], m[rank][c]);
    for (std::size_t q = rank + 1; q < m.rows(); ++q) {
      if (m[q][j] == 0) continue;
      for (std::size_t c = j + 1; c < m.cols(); ++c) {
        std::int64_t x, y, d;
        if (__builtin_mul_overflow(m[rank][j], m[q][c], &x) || __builtin_mul_overflow(m[rank][c], m[q][j], &y) ||
            __builtin_sub_overflow(x, y, &d))
          return false;
        m[q][c] = d;
        largest = std::max(largest, d < 0 ? -d : d);
      }
      m[q][j] = 0;
    }
    ++rank;
  }
  return true;
}

// Row r of `a` is a positive multiple of row r of `b`.
bool positiveMultiple(const IntMatrix& a, const IntMatrix& b, std::size_t r) {
  std::size_t lead = 0;
  while (lead < a.cols() && b[r][lead] == 0) ++lead;
  if (lead == a.cols()) {
    for (std::size_t c = 0; c < a.cols(); ++c)
      if (a[r][c] != 0) return false;
    return true;
  }
  if (a[r][lead] == 0 || (a[r][lead] > 0) != (b[r][lead] > 0)) return false;
  for (std::size_t c = 0; c < a.cols(); ++c) {
    // a[r][c] / a[r][lead] == b[r][c] / b[r][lead], cross-multiplied in 128 bits.
    __extension__ typedef __int128 Wide;
    if (static_cast<Wide>(a[r][c]) * b[r][lead] != static_cast<Wide>(b[r][c]) * a[r][lead]) return false;
  }
  return true;
}

void expectEchelon(const IntMatrix& m, std::size_t rank) {
  std::size_t previousLead = 0;
  for (std::size_t r = 0; r < m.rows(); ++r) {
    std::size_t lead = 0;
    while (lead < m.cols() && m[r][lead] == 0) ++lead;
    if (r >= rank) {
      EXPECT_EQ(m.cols(), lead) << "row " << r << " below the basis is not zero";
      continue;
    }
    ASSERT_LT(lead, m.cols()) << "basis row " << r << " is zero";
    if (r > 0) {
      EXPECT_GT(lead, previousLead) << "row " << r;
    }
    previousLead = lead;
  }
}

IntMatrix stacked(const IntMatrix& top, const IntMatrix& bottom) {
  IntMatrix s(top.rows() + bottom.rows(), top.cols());
  for (std::size_t i = 0; i < top.rows(); ++i) std::copy(top[i], top[i] + top.cols(), s[i]);
  for (std::size_t i = 0; i < bottom.rows(); ++i) std::copy(bottom[i], bottom[i] + top.cols(), s[top.rows() + i]);
  return s;
}

// The first `rank` rows of `basis` span the rows of `original`.
void expectSameRowSpace(const IntMatrix& basis, std::size_t rank, const IntMatrix& original) {
  IntMatrix leading(rank, basis.cols());
  for (std::size_t i = 0; i < rank; ++i) std::copy(basis[i], basis[i] + basis.cols(), leading[i]);
  EXPECT_EQ(rank, testdesign::rankModPrime(leading));
  EXPECT_EQ(rank, testdesign::rankModPrime(stacked(leading, original)));
}

TEST(IntegerRank, SmallCases) {
  IntMatrix m = intFrom({{1, 1, 0}, {1, 0, 1}, {0, 1, -1}});
  EXPECT_EQ(2u, integerRank(3, m, 3));
  EXPECT_EQ(intFrom({{1, 1, 0}, {0, -1, 1}, {0, 0, 0}}), m);

  IntMatrix gaps = intFrom({{0, 0, 0}, {0, 2, 4}, {0, 0, 0}, {3, 0, 1}, {0, 0, 0}});
  EXPECT_EQ(2u, integerRank(3, gaps, 5));
  expectEchelon(gaps, 2);
  EXPECT_EQ(intFrom({{3, 0, 1}, {0, 1, 2}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}}), gaps);

  IntMatrix zero(3, 4);
  EXPECT_EQ(0u, integerRank(4, zero, 3));
  EXPECT_EQ(IntMatrix(3, 4), zero);
}

TEST(IntegerRank, WorksOnTheLeadingBlockOnly) {
  IntMatrix m = intFrom({{1, 2, 7}, {2, 4, 7}, {5, 5, 5}});
  EXPECT_EQ(1u, integerRank(2, m, 2));
  EXPECT_EQ(intFrom({{1, 2, 7}, {0, 0, 7}, {5, 5, 5}}), m);
}

TEST(IntegerRank, RowsArePositiveMultiplesOfThePlainElimination) {
  std::mt19937_64 rng(11);
  std::uniform_int_distribution<int> entry(-3, 3), size(1, 7), zeroChance(0, 2);
  for (int trial = 0; trial < 300; ++trial) {
    IntMatrix m(static_cast<std::size_t>(size(rng)), static_cast<std::size_t>(size(rng)));
    for (std::size_t i = 0; i < m.rows(); ++i)
      for (std::size_t c = 0; c < m.cols(); ++c) m[i][c] = zeroChance(rng) == 0 ? 0 : entry(rng);
    if (trial % 3 == 0 && m.rows() > 2)  // force dependent rows
      for (std::size_t c = 0; c < m.cols(); ++c) m[2][c] = m[0][c] - 2 * m[1][c];
    IntMatrix literal = m;
    std::size_t literalRank = 0;
    std::int64_t largest = 0;
    ASSERT_TRUE(literalElimination(literal, literalRank, largest));
    IntMatrix reduced = m;
    ASSERT_EQ(literalRank, integerRank(m.cols(), reduced, m.rows())) << "trial " << trial;
    for (std::size_t r = 0; r < m.rows(); ++r) EXPECT_TRUE(positiveMultiple(reduced, literal, r)) << "trial " << trial << " row " << r;
  }
}

// Restriction rows of the multi-site design with the unit rows of each factor test: several
// hundred rows, exact rank and row space.
TEST(IntegerRank, ExactOnLargeMultiSiteRestrictionMatrices) {
  const auto design = testdesign::modelOne(testdesign::fullFactorial(3, 2, 5, 5, 1));
  const IntMatrix& C = design.C;
  ASSERT_EQ(168u, C.rows());
  ASSERT_EQ(300u, C.cols());
  for (std::size_t group = 1; group < 10; ++group) {
    const std::size_t first = design.groupStart[group], n = design.groupEnd(group) - first;
    IntMatrix H(n, C.cols());
    for (std::size_t i = 0; i < n; ++i) H[i][first + i] = 1;
    const IntMatrix original = stacked(C, H);
    IntMatrix m = original;
    const std::size_t rank = integerRank(m.cols(), m, m.rows());
    SCOPED_TRACE("group " + std::to_string(group) + ", " + std::to_string(original.rows()) + " rows");
    EXPECT_EQ(testdesign::rankModPrime(original), rank);
    expectEchelon(m, rank);
    expectSameRowSpace(m, rank, original);
  }
}

// Dense contrast rows ahead of the restriction rows make the plain elimination's products grow
// past 32 bits (and here past 64); the gcd-reduced elimination stays exact.
TEST(IntegerRank, ExactWhereThePlainEliminationOverflows) {
  const auto design = testdesign::modelOne(testdesign::fullFactorial(3, 2, 5, 5, 1));
  std::mt19937_64 rng(5);
  std::uniform_int_distribution<int> entry(-2, 2);
  for (std::size_t dense : {2u, 4u, 8u}) {
    IntMatrix D(dense, design.C.cols());
    for (std::size_t i = 0; i < dense; ++i)
      for (std::size_t c = 0; c < D.cols(); ++c) D[i][c] = entry(rng);
    const IntMatrix original = stacked(D, stacked(design.C, design.X));
    IntMatrix m = original;
    const std::size_t rank = integerRank(m.cols(), m, m.rows());
    SCOPED_TRACE(std::to_string(dense) + " dense rows, " + std::to_string(original.rows()) + " rows");
    EXPECT_EQ(testdesign::rankModPrime(original), rank);
    expectEchelon(m, rank);
    expectSameRowSpace(m, rank, original);

    IntMatrix literal = original;
    std::size_t literalRank = 0;
    std::int64_t largest = 0;
    const bool fitted64 = literalElimination(literal, literalRank, largest);
    EXPECT_TRUE(!fitted64 || largest > std::numeric_limits<std::int32_t>::max()) << "the plain elimination fits 32 bits";
  }
}

TEST(IntegerRank, DesignOfTheMultiSiteModelHasTheRankOfItsCells) {
  const auto design = testdesign::modelOne(testdesign::fullFactorial(2, 2, 4, 5, 2));
  IntMatrix x = design.X;
  EXPECT_EQ(80u, integerRank(x.cols(), x, x.rows()));
  expectEchelon(x, 80);
  expectSameRowSpace(x, 80, design.X);
}

TEST(IntegerRank, ProductsBeyondSixtyFourBitsContinueExactly) {
  // a*d and b*c overflow 64 bits, a*d - b*c = -1 does not.
  const std::int64_t a = (1LL << 35) + 1, b = 1LL << 35, c = 1LL << 35, d = (1LL << 35) - 1;
  IntMatrix m = intFrom({{a, b, 1}, {c, d, 1}, {a + c, b + d, 2}});
  EXPECT_EQ(2u, integerRank(3, m, 3));
  EXPECT_EQ(intFrom({{a, b, 1}, {0, -1, a - c}, {0, 0, 0}}), m);
}

TEST(IntegerRank, RankStaysExactWhenTheBasisOutgrowsSixtyFourBits) {
  std::mt19937_64 rng(3);
  std::uniform_int_distribution<std::int64_t> big(-(1LL << 50), 1LL << 50);
  IntMatrix full(6, 6);
  for (std::size_t i = 0; i < 6; ++i)
    for (std::size_t c = 0; c < 6; ++c) full[i][c] = big(rng);
  IntMatrix dependent = full;
  for (std::size_t c = 0; c < 6; ++c) {
    dependent[3][c] = full[0][c] + full[1][c];
    dependent[4][c] = full[1][c] - full[2][c];
    dependent[5][c] = full[0][c] - full[2][c];
  }
  const std::size_t fullRank = testdesign::rankModPrime(full), dependentRank = testdesign::rankModPrime(dependent);
  ASSERT_EQ(6u, fullRank);
  ASSERT_EQ(3u, dependentRank);
  EXPECT_EQ(fullRank, integerRank(6, full, 6));
  EXPECT_EQ(dependentRank, integerRank(6, dependent, 6));
}

}  // namespace
