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

// Applies I - beta u u' (u[row] = 1) to rows row .. nRows-1 of the columns from..cols-1 of M.
// Rows are visited in storage order: first all dot products, then all updates.
void reflect(RealMatrix& M, std::size_t from, std::size_t cols, std::size_t row, std::size_t nRows,
             const std::vector<double>& u, double beta, std::vector<long double>& dots) {
  std::fill(dots.begin() + static_cast<std::ptrdiff_t>(from), dots.begin() + static_cast<std::ptrdiff_t>(cols), 0.0L);
  for (std::size_t d = row; d < nRows; ++d) {
    const long double ud = u[d];
    const double* m = M[d];
    for (std::size_t c = from; c < cols; ++c) dots[c] += ud * m[c];
  }
  for (std::size_t c = from; c < cols; ++c) dots[c] *= beta;
  for (std::size_t d = row; d < nRows; ++d) {
    const double ud = u[d];
    double* m = M[d];
    for (std::size_t c = from; c < cols; ++c) m[c] -= static_cast<double>(dots[c]) * ud;
  }
}

}  // namespace

std::size_t householderSolve(RealMatrix& X, RealMatrix& Y, std::size_t nRows, std::size_t nCols) {
  nRows = std::min({nRows, X.rows(), Y.rows()});
  nCols = std::min(nCols, X.cols());
  std::vector<double> u(nRows);
  std::vector<long double> dots(std::max(nCols, Y.cols()));
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
