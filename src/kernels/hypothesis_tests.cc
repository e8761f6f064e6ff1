#include "kernels/hypothesis_tests.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "kernels/f_distribution.h"
#include "kernels/inversion.h"

HypothesisWork::HypothesisWork(std::size_t h, std::size_t p)
    : L0(h + 1, p), U(p, p), W(h + 1, p), M(h + 1, h + 1), bH(p), v(h + 1), d(p) {}

namespace {

TestResult undefinedResult() {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  TestResult r;
  r.sseH = nan;
  r.f = nan;
  r.probability = nan;
  return r;
}

bool modelIsComplete(const FittedModel& model) {
  return model.C != nullptr && model.Xty != nullptr && model.Xty->size() == model.C->cols();
}

// Reshapes work storage made for other sizes (a no-op for storage made for this model).
void fitWork(HypothesisWork& work, std::size_t rows, std::size_t p) {
  if (work.L0.rows() != rows || work.L0.cols() != p) work.L0.reset(rows, p);
  if (work.U.rows() != p || work.U.cols() != p) work.U.reset(p, p);
  if (work.W.rows() != rows || work.W.cols() != p) work.W.reset(rows, p);
  if (work.M.rows() != rows || work.M.cols() != rows) work.M.reset(rows, rows);
  work.bH.resize(p);
  work.v.resize(rows);
  work.d.resize(p);
}

// L0 = [C; 0]: the caller writes the hypothesis rows below C.
void placeRestrictions(const IntMatrix& C, IntMatrix& L0) {
  const std::size_t p = C.cols();
  for (std::size_t r = 0; r < C.rows(); ++r) std::copy(C[r], C[r] + p, L0[r]);
  for (std::size_t r = C.rows(); r < L0.rows(); ++r) std::fill(L0[r], L0[r] + p, 0);
}

// W = L U for the first rank rows L of L0, skipping the zero entries of L. U is walked once,
// row by row, and added into the rows of W that use it, so that W stays in cache. W is summed
// in double so that the loop vectorises: it only enters the correction v'M^-1 v, while
// y'y - bH'Xty, where the large cancellation happens, is summed in long double.
void multiplyBasis(const IntMatrix& L0, std::size_t rank, const RealMatrix& U, RealMatrix& W) {
  const std::size_t p = U.cols();
  for (std::size_t r = 0; r < rank; ++r) std::fill(W[r], W[r] + p, 0.0);
  for (std::size_t c = 0; c < p; ++c) {
    const double* u = U[c];
    for (std::size_t r = 0; r < rank; ++r) {
      const std::int64_t lc = L0[r][c];
      if (lc == 0) continue;
      const double f = static_cast<double>(lc);
      double* w = W[r];
      for (std::size_t b = 0; b < p; ++b) w[b] += f * u[b];
    }
  }
}

// a . b over n entries in long double, with four independent sums to keep the adder busy.
template <typename A, typename B>
long double longDot(const A* a, const B* b, std::size_t n) {
  long double s0 = 0.0L, s1 = 0.0L, s2 = 0.0L, s3 = 0.0L;
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    s0 += static_cast<long double>(a[i]) * static_cast<long double>(b[i]);
    s1 += static_cast<long double>(a[i + 1]) * static_cast<long double>(b[i + 1]);
    s2 += static_cast<long double>(a[i + 2]) * static_cast<long double>(b[i + 2]);
    s3 += static_cast<long double>(a[i + 3]) * static_cast<long double>(b[i + 3]);
  }
  for (; i < n; ++i) s0 += static_cast<long double>(a[i]) * static_cast<long double>(b[i]);
  return (s0 + s1) + (s2 + s3);
}

// M = W L' (rank x rank), filled on both triangles.
void formMiddle(const RealMatrix& W, const IntMatrix& L0, std::size_t rank, RealMatrix& M) {
  const std::size_t p = W.cols();
  for (std::size_t r = 0; r < rank; ++r)
    for (std::size_t s = 0; s <= r; ++s) M[r][s] = M[s][r] = static_cast<double>(longDot(W[r], L0[s], p));
}

// U = A^-1 - d d' / s: the inverse of A + H'H for a single hypothesis row H.
void rankOneUpdate(const RealMatrix& Ainv, const double* d, double s, RealMatrix& U) {
  const std::size_t p = U.cols();
  for (std::size_t a = 0; a < p; ++a) {
    const double g = d[a] / s;
    const double* row = Ainv[a];
    double* u = U[a];
    for (std::size_t b = 0; b < p; ++b) u[b] = row[b] - g * d[b];
  }
}

// The design-only half of a restricted fit: the basis L of the rows L0, W = L U and the inverse
// of M = L U L'. Returns the rank of L0.
std::size_t prepareRestriction(HypothesisWork& work, std::size_t p, std::size_t rows) {
  const std::size_t rank = integerRank(p, work.L0, rows);
  multiplyBasis(work.L0, rank, work.U, work.W);
  formMiddle(work.W, work.L0, rank, work.M);
  invertSymmetric(work.M, rank);
  return rank;
}

// The trait's half: the restricted error sum of squares for the prepared rows, then the F test
// of the hypothesis against the full model.
TestResult evaluateRestriction(const FittedModel& model, HypothesisWork& work, std::size_t rank) {
  const std::size_t p = model.parameters();
  const std::vector<double>& Xty = *model.Xty;
  for (std::size_t a = 0; a < p; ++a) work.bH[a] = static_cast<double>(longDot(work.U[a], Xty.data(), p));
  for (std::size_t r = 0; r < rank; ++r) work.v[r] = static_cast<double>(longDot(work.L0[r], work.bH.data(), p));
  long double quadratic = 0.0L;
  for (std::size_t r = 0; r < rank; ++r)
    for (std::size_t s = 0; s < rank; ++s) quadratic += static_cast<long double>(work.v[r]) * work.M[r][s] * work.v[s];

  TestResult result;
  result.sseH = static_cast<double>(model.yty - longDot(work.bH.data(), Xty.data(), p) + quadratic);
  result.df1 = static_cast<int>(rank) + model.rankX - static_cast<int>(p);
  result.df2 = model.observations - model.rankX;
  if (result.df1 <= 0) {
    // The hypothesis is implied by the parameterisation: nothing is tested.
    result.f = 0.0;
    result.probability = 1.0;
    return result;
  }
  result.f = ((result.sseH - model.sse) / result.df1) / (model.sse / result.df2);
  result.probability = fProbability(result.df1, result.df2, result.f);
  return result;
}

TestResult restrictedFit(const FittedModel& model, HypothesisWork& work, std::size_t rows) {
  return evaluateRestriction(model, work, prepareRestriction(work, model.parameters(), rows));
}

}  // namespace

PreparedFactorTest::PreparedFactorTest(const IntMatrix& C, const RealMatrix& A, std::size_t first, std::size_t n)
    : work_(C.rows() + n == 0 ? 0 : C.rows() + n - 1, C.cols()), parameters_(C.cols()) {
  const std::size_t p = C.cols(), h = C.rows();
  valid_ = A.rows() >= p && A.cols() >= p && first <= p && n <= p - first;
  if (!valid_) return;
  const std::size_t rows = h + n;
  fitWork(work_, rows, p);
  placeRestrictions(C, work_.L0);
  for (std::size_t i = 0; i < n; ++i) work_.L0[h + i][first + i] = 1;
  for (std::size_t a = 0; a < p; ++a) std::copy(A[a], A[a] + p, work_.U[a]);
  for (std::size_t i = first; i < first + n; ++i) work_.U[i][i] += 1.0;
  invertSymmetric(work_.U, p);
  rank_ = prepareRestriction(work_, p, rows);
}

TestResult PreparedFactorTest::evaluate(const FittedModel& model) const {
  if (!valid_ || !modelIsComplete(model) || model.parameters() != parameters_) return undefinedResult();
  return evaluateRestriction(model, work_, rank_);
}

TestResult testFactor(const FittedModel& model, const RealMatrix& A, std::size_t first, std::size_t n) {
  if (!modelIsComplete(model)) return undefinedResult();
  return PreparedFactorTest(*model.C, A, first, n).evaluate(model);
}

TestResult estimateParameter(const FittedModel& model, const RealMatrix& Ainv, std::size_t k, HypothesisWork& work) {
  if (!modelIsComplete(model)) return undefinedResult();
  const std::size_t p = model.parameters(), h = model.restrictions();
  if (Ainv.rows() < p || Ainv.cols() < p || k >= p) return undefinedResult();
  fitWork(work, h + 1, p);
  placeRestrictions(*model.C, work.L0);
  work.L0[h][k] = 1;
  // U = A^-1 - a a' / (a_k + 1) with a = column k of A^-1, read as row k (A^-1 is symmetric).
  rankOneUpdate(Ainv, Ainv[k], Ainv[k][k] + 1.0, work.U);
  return restrictedFit(model, work, h + 1);
}

TestResult testDifference(const FittedModel& model, const RealMatrix& Ainv, std::size_t i, std::size_t j,
                          HypothesisWork& work) {
  if (!modelIsComplete(model)) return undefinedResult();
  const std::size_t p = model.parameters(), h = model.restrictions();
  if (Ainv.rows() < p || Ainv.cols() < p || i >= p || j >= p) return undefinedResult();
  if (i == j) {
    // b_i = b_i holds for every fit: nothing is restricted.
    TestResult same;
    same.sseH = model.sse;
    same.df2 = model.observations - model.rankX;
    return same;
  }
  fitWork(work, h + 1, p);
  placeRestrictions(*model.C, work.L0);
  work.L0[h][i] = 1;
  work.L0[h][j] = -1;
  // U = A^-1 - d d' / s, d the difference of rows i and j of the symmetric A^-1.
  const double s = Ainv[i][i] + 1.0 + Ainv[j][j] - 2.0 * Ainv[i][j];
  std::vector<double>& d = work.d;
  for (std::size_t a = 0; a < p; ++a) d[a] = Ainv[i][a] - Ainv[j][a];
  rankOneUpdate(Ainv, d.data(), s, work.U);
  return restrictedFit(model, work, h + 1);
}
