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

// Reshapes work storage made for other sizes; capacity is kept, so a run that allocated it once
// for its largest test does not allocate again.
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

// W = L U for the first rank rows L of L0, skipping the zero entries of L. The rows of W are
// summed in double (vectorised): their terms have one sign pattern per column of U and no
// cancellation of the size that y'y - bH'Xty has, which is summed in long double.
void multiplyBasis(const IntMatrix& L0, std::size_t rank, const RealMatrix& U, RealMatrix& W) {
  const std::size_t p = U.cols();
  for (std::size_t r = 0; r < rank; ++r) {
    double* w = W[r];
    std::fill(w, w + p, 0.0);
    const std::int64_t* l = L0[r];
    for (std::size_t c = 0; c < p; ++c) {
      if (l[c] == 0) continue;
      const double lc = static_cast<double>(l[c]);
      const double* u = U[c];
      for (std::size_t b = 0; b < p; ++b) w[b] += lc * u[b];
    }
  }
}

// M = W L' (rank x rank), filled on both triangles.
void formMiddle(const RealMatrix& W, const IntMatrix& L0, std::size_t rank, RealMatrix& M) {
  const std::size_t p = W.cols();
  for (std::size_t r = 0; r < rank; ++r)
    for (std::size_t s = 0; s <= r; ++s) {
      long double sum = 0.0L;
      const std::int64_t* l = L0[s];
      for (std::size_t c = 0; c < p; ++c)
        if (l[c] != 0) sum += static_cast<long double>(W[r][c]) * static_cast<long double>(l[c]);
      M[r][s] = M[s][r] = static_cast<double>(sum);
    }
}

long double dot(const std::vector<double>& a, const std::vector<double>& b, std::size_t n) {
  long double s = 0.0L;
  for (std::size_t i = 0; i < n; ++i) s += static_cast<long double>(a[i]) * b[i];
  return s;
}

// The restricted error sum of squares for the rows L0 and the updated inverse in work.U, then
// the F test of the hypothesis against the full model.
TestResult restrictedFit(const FittedModel& model, HypothesisWork& work, std::size_t rows) {
  const std::size_t p = model.parameters();
  const std::vector<double>& Xty = *model.Xty;
  const std::size_t rank = integerRank(p, work.L0, rows);
  multiplyBasis(work.L0, rank, work.U, work.W);
  formMiddle(work.W, work.L0, rank, work.M);
  invertSymmetric(work.M, rank);
  for (std::size_t a = 0; a < p; ++a) {
    long double s = 0.0L;
    for (std::size_t b = 0; b < p; ++b) s += static_cast<long double>(work.U[a][b]) * Xty[b];
    work.bH[a] = static_cast<double>(s);
  }
  for (std::size_t r = 0; r < rank; ++r) {
    long double s = 0.0L;
    for (std::size_t c = 0; c < p; ++c)
      if (work.L0[r][c] != 0) s += static_cast<long double>(work.L0[r][c]) * work.bH[c];
    work.v[r] = static_cast<double>(s);
  }
  long double quadratic = 0.0L;
  for (std::size_t r = 0; r < rank; ++r)
    for (std::size_t s = 0; s < rank; ++s) quadratic += static_cast<long double>(work.v[r]) * work.M[r][s] * work.v[s];

  TestResult result;
  result.sseH = static_cast<double>(model.yty - dot(work.bH, Xty, p) + quadratic);
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

}  // namespace

TestResult testFactor(const FittedModel& model, const RealMatrix& A, std::size_t first, std::size_t n) {
  if (!modelIsComplete(model)) return undefinedResult();
  const std::size_t p = model.parameters(), h = model.restrictions();
  if (A.rows() < p || A.cols() < p || first > p || n > p - first) return undefinedResult();
  const std::size_t rows = h + n;
  HypothesisWork work(rows == 0 ? 0 : rows - 1, p);
  fitWork(work, rows, p);
  placeRestrictions(*model.C, work.L0);
  for (std::size_t i = 0; i < n; ++i) work.L0[h + i][first + i] = 1;
  for (std::size_t a = 0; a < p; ++a) std::copy(A[a], A[a] + p, work.U[a]);
  for (std::size_t i = first; i < first + n; ++i) work.U[i][i] += 1.0;
  invertSymmetric(work.U, p);
  return restrictedFit(model, work, rows);
}

TestResult estimateParameter(const FittedModel& model, const RealMatrix& Ainv, std::size_t k, HypothesisWork& work) {
  if (!modelIsComplete(model)) return undefinedResult();
  const std::size_t p = model.parameters(), h = model.restrictions();
  if (Ainv.rows() < p || Ainv.cols() < p || k >= p) return undefinedResult();
  fitWork(work, h + 1, p);
  placeRestrictions(*model.C, work.L0);
  work.L0[h][k] = 1;
  // U = A^-1 - a a' / (a_k + 1) with a = column k of A^-1, read as row k (A^-1 is symmetric).
  const double denominator = Ainv[k][k] + 1.0;
  const double* ak = Ainv[k];
  for (std::size_t a = 0; a < p; ++a) {
    const double g = ak[a] / denominator;
    const double* row = Ainv[a];
    double* u = work.U[a];
    for (std::size_t b = 0; b < p; ++b) u[b] = row[b] - g * ak[b];
  }
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
  for (std::size_t a = 0; a < p; ++a) {
    const double g = d[a] / s;
    const double* row = Ainv[a];
    double* u = work.U[a];
    for (std::size_t b = 0; b < p; ++b) u[b] = row[b] - g * d[b];
  }
  return restrictedFit(model, work, h + 1);
}
