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

// Rotation of the pair (j, k), j > k, in the plane of unknowns j and k. A is kept exactly
// symmetric, so the new rows j and k are computed once (contiguously) and mirrored into the
// columns; the eigenvectors are kept as rows of Vt (the transpose of V) for the same reason.
void rotate(RealMatrix& A, RealMatrix& Vt, std::size_t n, std::size_t j, std::size_t k) {
  const double x = -A[j][k];
  const double y = (A[k][k] - A[j][j]) / 2.0;
  double omega = x / std::sqrt(x * x + y * y);
  if (y < 0.0) omega = -omega;
  const double sn = omega / std::sqrt(2.0 * (1.0 + std::sqrt(1.0 - omega * omega)));
  const double cn = std::sqrt(1.0 - sn * sn);
  double* rowJ = A[j];
  double* rowK = A[k];
  const double ajj = rowJ[j], akk = rowK[k], ajk = rowJ[k];
  for (std::size_t l = 0; l < n; ++l) {
    const double ajl = rowJ[l], akl = rowK[l];
    rowJ[l] = cn * ajl + sn * akl;
    rowK[l] = cn * akl - sn * ajl;
  }
  rowJ[j] = cn * cn * ajj + sn * sn * akk + omega * ajk;
  rowK[k] = sn * sn * ajj + cn * cn * akk - omega * ajk;
  rowJ[k] = 0.0;
  rowK[j] = 0.0;
  // Rows j and k are final, so mirroring them whole also rewrites the four entries of the pair
  // with their own values.
  for (std::size_t l = 0; l < n; ++l) {
    double* rowL = A[l];
    rowL[j] = rowJ[l];
    rowL[k] = rowK[l];
  }
  double* vj = Vt[j];
  double* vk = Vt[k];
  for (std::size_t l = 0; l < n; ++l) {
    const double vlj = vj[l], vlk = vk[l];
    vj[l] = cn * vlj + sn * vlk;
    vk[l] = cn * vlk - sn * vlj;
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
    if (std::fabs(A[k][l]) > threshold) {  // A[l][k], read along row k
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
// larger; the eigenvectors (rows of Vt) follow their eigenvalues into the columns of V.
void sortDescending(RealMatrix& A, const RealMatrix& Vt, RealMatrix& V, std::size_t n) {
  std::vector<std::size_t> order(n);
  for (std::size_t i = 0; i < n; ++i) order[i] = i;
  // Insertion sort by adjacent exchanges: stable, so it gives the exchange sort's order.
  for (std::size_t i = 1; i < n; ++i)
    for (std::size_t m = i; m > 0 && A[order[m]][order[m]] > A[order[m - 1]][order[m - 1]]; --m)
      std::swap(order[m], order[m - 1]);
  std::vector<double> diagonal(n);
  for (std::size_t i = 0; i < n; ++i) diagonal[i] = A[order[i]][order[i]];
  for (std::size_t i = 0; i < n; ++i) A[i][i] = diagonal[i];
  for (std::size_t l = 0; l < n; ++l)
    for (std::size_t i = 0; i < n; ++i) V[l][i] = Vt[order[i]][l];
}

}  // namespace

void jacobiEigen(RealMatrix& A, std::size_t n, RealMatrix& V, double eps) {
  n = std::min({n, A.rows(), A.cols()});
  if (V.rows() < n || V.cols() < n) V.reset(n, n);
  if (n == 0) return;
  // The method reads the lower triangle; the upper one is made its mirror image.
  for (std::size_t j = 1; j < n; ++j)
    for (std::size_t k = 0; k < j; ++k) A[k][j] = A[j][k];
  RealMatrix Vt(n, n);
  for (std::size_t i = 0; i < n; ++i) Vt[i][i] = 1.0;

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
      rotate(A, Vt, n, at.j, at.k);
      ++rotations;
      found = nextAfterRotation(A, n, threshold, at, at);
    }
    if (threshold < eps) break;
  }
  sortDescending(A, Vt, V, n);
}
