#include "kernels/jacobi.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

namespace {

// The threshold method as first written: after every rotation the sweep restarts from the top
// of the lower triangle with the same threshold.
void restartingJacobi(RealMatrix& A, std::size_t n, RealMatrix& V, double eps) {
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t l = 0; l < n; ++l) V[i][l] = i == l ? 1.0 : 0.0;
  long double s = 0.0L;
  for (std::size_t j = 1; j < n; ++j)
    for (std::size_t k = 0; k < j; ++k) s += static_cast<long double>(A[j][k]) * A[j][k];
  double a = static_cast<double>(std::sqrt(2.0L * s));
  for (;;) {
    a = a / static_cast<double>(n);
    bool rotated;
    do {
      rotated = false;
      for (std::size_t j = 1; j < n && !rotated; ++j)
        for (std::size_t k = 0; k < j && !rotated; ++k) {
          if (!(std::fabs(A[j][k]) > a)) continue;
          rotated = true;
          const double x = -A[j][k];
          const double y = (A[k][k] - A[j][j]) / 2.0;
          double omega = x / std::sqrt(x * x + y * y);
          if (y < 0.0) omega = -omega;
          const double sn = omega / std::sqrt(2.0 * (1.0 + std::sqrt(1.0 - omega * omega)));
          const double cn = std::sqrt(1.0 - sn * sn);
          const double ajj = A[j][j], akk = A[k][k], ajk = A[j][k];
          A[j][j] = cn * cn * ajj + sn * sn * akk + omega * ajk;
          A[k][k] = sn * sn * ajj + cn * cn * akk - omega * ajk;
          A[j][k] = A[k][j] = 0.0;
          for (std::size_t l = 0; l < n; ++l) {
            if (l == j || l == k) continue;
            const double ajl = A[j][l], akl = A[k][l];
            A[j][l] = cn * ajl + sn * akl;
            A[k][l] = cn * akl - sn * ajl;
          }
          for (std::size_t l = 0; l < n; ++l) {
            if (l == j || l == k) continue;
            const double alj = A[l][j], alk = A[l][k];
            A[l][j] = cn * alj + sn * alk;
            A[l][k] = cn * alk - sn * alj;
          }
          for (std::size_t l = 0; l < n; ++l) {
            const double vlj = V[l][j], vlk = V[l][k];
            V[l][j] = cn * vlj + sn * vlk;
            V[l][k] = cn * vlk - sn * vlj;
          }
        }
    } while (rotated);
    if (a < eps) break;
  }
  for (bool exchanged = true; exchanged;) {
    exchanged = false;
    for (std::size_t i = 0; i + 1 < n; ++i)
      if (A[i + 1][i + 1] > A[i][i]) {
        std::swap(A[i][i], A[i + 1][i + 1]);
        for (std::size_t l = 0; l < n; ++l) std::swap(V[l][i], V[l][i + 1]);
        exchanged = true;
      }
  }
}

RealMatrix from(std::vector<std::vector<double>> rows) {
  RealMatrix m(rows.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i)
    for (std::size_t j = 0; j < rows.size(); ++j) m[i][j] = rows[i][j];
  return m;
}

// A Gram matrix B B' of a random n x q matrix: positive semi-definite, of rank q when q < n.
RealMatrix randomGram(std::size_t n, std::size_t q, std::mt19937_64& rng) {
  std::normal_distribution<double> z;
  RealMatrix b(n, q), g(n, n);
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t c = 0; c < q; ++c) b[i][c] = z(rng);
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j <= i; ++j) {
      long double s = 0;
      for (std::size_t c = 0; c < q; ++c) s += static_cast<long double>(b[i][c]) * b[j][c];
      g[i][j] = g[j][i] = static_cast<double>(s);
    }
  return g;
}

TEST(JacobiEigen, SameRotationsAsTheRestartingSweepBitForBit) {
  std::mt19937_64 rng(2024);
  struct Case {
    std::size_t n, q;
  };
  for (const Case& c : {Case{30, 30}, Case{41, 20}, Case{55, 55}, Case{64, 40}, Case{80, 80}}) {
    SCOPED_TRACE("order " + std::to_string(c.n));
    const RealMatrix A0 = randomGram(c.n, c.q, rng);
    RealMatrix A = A0, V(c.n, c.n, 7.0), B = A0, W(c.n, c.n);
    jacobiEigen(A, c.n, V, 1e-6);
    restartingJacobi(B, c.n, W, 1e-6);
    EXPECT_TRUE(A == B);
    EXPECT_TRUE(V == W);
  }
}

TEST(JacobiEigen, DecomposesIntoOrthonormalEigenvectors) {
  std::mt19937_64 rng(8);
  const std::size_t n = 25;
  const RealMatrix A0 = randomGram(n, n, rng);
  RealMatrix A = A0, V(n, n);
  jacobiEigen(A, n, V, 1e-10);
  for (std::size_t i = 0; i + 1 < n; ++i) EXPECT_GE(A[i][i], A[i + 1][i + 1]);
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < n; ++j) {
      long double vtv = 0, av = 0, vd = 0;
      for (std::size_t l = 0; l < n; ++l) {
        vtv += static_cast<long double>(V[l][i]) * V[l][j];
        av += static_cast<long double>(A0[i][l]) * V[l][j];
      }
      vd = static_cast<long double>(V[i][j]) * A[j][j];
      EXPECT_NEAR(i == j ? 1.0 : 0.0, static_cast<double>(vtv), 1e-12);
      EXPECT_NEAR(static_cast<double>(vd), static_cast<double>(av), 1e-8);
    }
}

TEST(JacobiEigen, SmallCases) {
  RealMatrix diag = from({{1, 0, 0}, {0, 5, 0}, {0, 0, 3}}), V(3, 3);
  jacobiEigen(diag, 3, V, 1e-6);
  EXPECT_EQ(from({{5, 0, 0}, {0, 3, 0}, {0, 0, 1}}), diag);
  EXPECT_EQ(from({{0, 0, 1}, {1, 0, 0}, {0, 1, 0}}), V);

  RealMatrix two = from({{2, 1}, {1, 2}}), V2(2, 2);
  jacobiEigen(two, 2, V2, 1e-6);
  EXPECT_NEAR(3.0, two[0][0], 1e-14);
  EXPECT_NEAR(1.0, two[1][1], 1e-14);
  EXPECT_NEAR(V2[0][0], V2[1][0], 1e-14);   // (1, 1) / sqrt 2
  EXPECT_NEAR(V2[0][1], -V2[1][1], 1e-14);  // (1, -1) / sqrt 2
  EXPECT_NEAR(std::sqrt(0.5), std::fabs(V2[0][0]), 1e-14);

  RealMatrix one = from({{4}}), V1(1, 1, 9.0);
  jacobiEigen(one, 1, V1, 1e-6);
  EXPECT_EQ(from({{4}}), one);
  EXPECT_EQ(from({{1}}), V1);

  RealMatrix zero(4, 4), V0(4, 4, 3.0);
  jacobiEigen(zero, 4, V0, 1e-6);
  EXPECT_EQ(RealMatrix(4, 4), zero);
  EXPECT_EQ(from({{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}), V0);
}

TEST(JacobiEigen, TerminatesOnUndefinedEntriesAndOnANonPositivePrecision) {
  RealMatrix bad = from({{1, NAN}, {NAN, 2}}), V(2, 2);
  jacobiEigen(bad, 2, V, 1e-6);
  RealMatrix fine = from({{2, 1}, {1, 2}});
  jacobiEigen(fine, 2, V, 0.0);
  EXPECT_NEAR(3.0, fine[0][0], 1e-14);
}

}  // namespace
