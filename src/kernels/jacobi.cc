#include "kernels/jacobi.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Far above convergence: a round divides the threshold by n >= 2, so about 2100 rounds take
// any finite threshold below the smallest double; a round needs a few sweeps of n^2 / 2
// rotations at most in practice.
constexpr std::size_t kMaxRounds = 4000;
std::size_t maxRotations(std::size_t n) { return 1000 * n * n + 10000; }

// A position (j, k), j > k, of the strict lower triangle; scan order is by j, then k.
struct Position {
  std::size_t j = 1;
  std::size_t k = 0;
};

void rotate(RealMatrix& A, RealMatrix& V, std::size_t n, std::size_t j, std::size_t k) {
  const double x = -A[j][k];
  const double y = (A[k][k] - A[j][j]) / 2.0;
  double omega = x / std::sqrt(x * x + y * y);
  if (y < 0.0) omega = -omega;
  const double sn = omega / std::sqrt(2.0 * (1.0 + std::sqrt(1.0 - omega * omega)));
  const double cn = std::sqrt(1.0 - sn * sn);
  const double ajj = A[j][j], akk = A[k][k], ajk = A[j][k];
  A[j][j] = cn * cn * ajj + sn * sn * akk + omega * ajk;
  A[k][k] = sn * sn * ajj + cn * cn * akk - omega * ajk;
  A[j][k] = 0.0;
  A[k][j] = 0.0;
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

bool above(const RealMatrix& A, std::size_t j, std::size_t k, double threshold) {
  return std::fabs(A[j][k]) > threshold;
}

// The first element above the threshold at or after `from` in scan order.
bool scanFrom(const RealMatrix& A, std::size_t n, double threshold, Position from, Position& found) {
  for (std::size_t j = from.j; j < n; ++j)
    for (std::size_t k = (j == from.j ? from.k : 0); k < j; ++k)
      if (above(A, j, k, threshold)) {
        found = {j, k};
        return true;
      }
  return false;
}

// The element a restarted sweep would find after rotating `at`. Every element before `at` was
// at most the threshold, and the rotation changed only rows and columns j and k; of those,
// the ones before `at` in scan order are row k left of the diagonal, column k in rows k+1 ..
// j-1, and row j left of column k. If none of them exceeds the threshold, the sweep goes on
// from `at`.
bool nextAfterRotation(const RealMatrix& A, std::size_t n, double threshold, Position at, Position& found) {
  const std::size_t j = at.j, k = at.k;
  for (std::size_t l = 0; l < k; ++l)
    if (above(A, k, l, threshold)) {
      found = {k, l};
      return true;
    }
  for (std::size_t l = k + 1; l < j; ++l)
    if (above(A, l, k, threshold)) {
      found = {l, k};
      return true;
    }
  for (std::size_t l = 0; l < k; ++l)
    if (above(A, j, l, threshold)) {
      found = {j, l};
      return true;
    }
  return scanFrom(A, n, threshold, at, found);
}

// Descending order of the diagonal by adjacent exchanges where the lower entry is strictly
// larger; columns of V follow their eigenvalues.
void sortDescending(RealMatrix& A, RealMatrix& V, std::size_t n) {
  std::vector<std::size_t> order(n);
  for (std::size_t i = 0; i < n; ++i) order[i] = i;
  // Insertion sort by adjacent exchanges: stable, so it gives the exchange sort's order.
  for (std::size_t i = 1; i < n; ++i)
    for (std::size_t m = i; m > 0 && A[order[m]][order[m]] > A[order[m - 1]][order[m - 1]]; --m)
      std::swap(order[m], order[m - 1]);
  std::vector<double> row(n);
  for (std::size_t i = 0; i < n; ++i) row[i] = A[order[i]][order[i]];
  for (std::size_t i = 0; i < n; ++i) A[i][i] = row[i];
  for (std::size_t l = 0; l < n; ++l) {
    for (std::size_t i = 0; i < n; ++i) row[i] = V[l][order[i]];
    std::copy(row.begin(), row.end(), V[l]);
  }
}

}  // namespace

void jacobiEigen(RealMatrix& A, std::size_t n, RealMatrix& V, double eps) {
  n = std::min({n, A.rows(), A.cols()});
  if (V.rows() < n || V.cols() < n) V.reset(n, n);
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t l = 0; l < n; ++l) V[i][l] = (i == l) ? 1.0 : 0.0;
  if (n == 0) return;

  long double s = 0.0L;
  for (std::size_t j = 1; j < n; ++j)
    for (std::size_t k = 0; k < j; ++k) s += static_cast<long double>(A[j][k]) * A[j][k];
  double threshold = static_cast<double>(std::sqrt(2.0L * s));

  std::size_t rotations = 0;
  const std::size_t rotationLimit = maxRotations(n);
  for (std::size_t round = 0; round < kMaxRounds && rotations < rotationLimit; ++round) {
    threshold = threshold / static_cast<double>(n);
    if (!std::isfinite(threshold)) break;  // NaN or infinite entries: nothing converges
    Position at;
    bool found = scanFrom(A, n, threshold, Position{}, at);
    while (found && rotations < rotationLimit) {
      rotate(A, V, n, at.j, at.k);
      ++rotations;
      found = nextAfterRotation(A, n, threshold, at, at);
    }
    if (threshold < eps) break;
  }
  sortDescending(A, V, n);
}
