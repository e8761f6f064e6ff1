#include "kernels/householder.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double kNegligible = 1e-10;

long double normBelow(const RealMatrix& X, std::size_t column, std::size_t from, std::size_t nRows) {
  long double sum = 0.0L;
  for (std::size_t d = from; d < nRows; ++d) {
    const long double v = X[d][column];
    sum += v * v;
  }
  return std::sqrt(sum);
}

// A zero leading entry with a usable entry below it: bring that row up so the reflection
// starts from a nonzero pivot.
void raisePivotRow(RealMatrix& X, RealMatrix& Y, std::size_t column, std::size_t row, std::size_t nRows,
                   std::size_t nCols) {
  if (X[row][column] != 0.0) return;
  for (std::size_t w = row + 1; w < nRows; ++w) {
    if (std::fabs(X[w][column]) > kNegligible) {
      std::swap_ranges(X[row], X[row] + nCols, X[w]);
      std::swap_ranges(Y[row], Y[row] + Y.cols(), Y[w]);
      return;
    }
  }
}

// s[c] = beta * (sum over rows d = row .. nRows-1 of u[d] M[d][c]) for c = from .. cols-1, in
// long double. Columns are taken four at a time so the sums stay in registers while the rows
// are walked.
void reflectionDots(const RealMatrix& M, std::size_t from, std::size_t cols, std::size_t row, std::size_t nRows,
                    const std::vector<double>& u, double beta, std::vector<double>& s) {
  std::size_t c = from;
  for (; c + 4 <= cols; c += 4) {
    long double s0 = 0.0L, s1 = 0.0L, s2 = 0.0L, s3 = 0.0L;
    for (std::size_t d = row; d < nRows; ++d) {
      const long double ud = u[d];
      const double* m = M[d] + c;
      s0 += ud * m[0];
      s1 += ud * m[1];
      s2 += ud * m[2];
      s3 += ud * m[3];
    }
    s[c] = static_cast<double>(beta * s0);
    s[c + 1] = static_cast<double>(beta * s1);
    s[c + 2] = static_cast<double>(beta * s2);
    s[c + 3] = static_cast<double>(beta * s3);
  }
  for (; c < cols; ++c) {
    long double s0 = 0.0L;
    for (std::size_t d = row; d < nRows; ++d) s0 += static_cast<long double>(u[d]) * M[d][c];
    s[c] = static_cast<double>(beta * s0);
  }
}

// Applies I - beta u u' (u[row] = 1) to rows row .. nRows-1 of the columns from .. cols-1 of M.
void reflect(RealMatrix& M, std::size_t from, std::size_t cols, std::size_t row, std::size_t nRows,
             const std::vector<double>& u, double beta, std::vector<double>& s) {
  reflectionDots(M, from, cols, row, nRows, u, beta, s);
  for (std::size_t d = row; d < nRows; ++d) {
    const double ud = u[d];
    double* m = M[d];
    for (std::size_t c = from; c < cols; ++c) m[c] -= s[c] * ud;
  }
}

}  // namespace

std::size_t householderSolve(RealMatrix& X, RealMatrix& Y, std::size_t nRows, std::size_t nCols) {
  nRows = std::min({nRows, X.rows(), Y.rows()});
  nCols = std::min(nCols, X.cols());
  std::vector<double> u(nRows);
  std::vector<double> dots(std::max(nCols, Y.cols()));
  std::size_t row = 0;  // next free row: the rank so far
  for (std::size_t o = 0; o < nCols && row < nRows; ++o) {
    const long double norm = normBelow(X, o, row, nRows);
    if (norm < kNegligible) {
      // Dependent on the columns before: the remainder is rounding, and no row is taken.
      for (std::size_t d = row; d < nRows; ++d) X[d][o] = 0.0;
      continue;
    }
    raisePivotRow(X, Y, o, row, nRows, nCols);
    const double x0 = X[row][o];
    const double sigma = x0 < 0.0 ? -1.0 : 1.0;
    const double w = static_cast<double>(x0 + sigma * norm);
    u[row] = 1.0;
    for (std::size_t d = row + 1; d < nRows; ++d) u[d] = X[d][o] / w;
    const double beta = static_cast<double>(w * sigma / norm);
    reflect(X, o + 1, nCols, row, nRows, u, beta, dots);
    reflect(Y, 0, Y.cols(), row, nRows, u, beta, dots);
    X[row][o] = static_cast<double>(-sigma * norm);
    for (std::size_t d = row + 1; d < nRows; ++d) X[d][o] = 0.0;
    ++row;
  }
  // Columns met after the free rows ran out lie in the span of the earlier ones.
  return row;
}
