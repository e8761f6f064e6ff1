#include "analysis/fixed_model.h"

#include <cmath>

#include "kernels/f_distribution.h"
#include "kernels/inversion.h"

namespace {

RealMatrix crossProducts(const LinearDesign& design) {
  const std::size_t p = design.parameterCount();
  RealMatrix g(p, p, 0.0);
  for (const auto& cols : design.rowColumns)
    for (std::uint32_t a : cols)
      for (std::uint32_t b : cols) g[a][b] += 1.0;
  return g;
}

RealMatrix penalisedNormalMatrix(const RealMatrix& g, const IntMatrix& c) {
  RealMatrix a = g;
  const std::size_t p = g.rows();
  std::vector<std::size_t> nonzero;
  for (std::size_t r = 0; r < c.rows(); ++r) {
    nonzero.clear();
    for (std::size_t j = 0; j < p; ++j)
      if (c[r][j] != 0) nonzero.push_back(j);
    for (std::size_t i : nonzero)
      for (std::size_t j : nonzero) a[i][j] += static_cast<double>(c[r][i] * c[r][j]);
  }
  return a;
}

RealMatrix product(const RealMatrix& a, const RealMatrix& b) {
  const std::size_t n = a.rows(), m = b.cols(), inner = a.cols();
  RealMatrix out(n, m, 0.0);
  for (std::size_t i = 0; i < n; ++i) {
    double* row = out[i];
    for (std::size_t k = 0; k < inner; ++k) {
      const double aik = a[i][k];
      if (aik == 0.0) continue;
      const double* brow = b[k];
      for (std::size_t j = 0; j < m; ++j) row[j] += aik * brow[j];
    }
  }
  return out;
}

// The inversion kernel only notices exactly vanishing pivots; a singular matrix usually shows
// instead as an inverse that does not reproduce the identity.
bool isInverse(const RealMatrix& a, const RealMatrix& inv) {
  RealMatrix check = product(a, inv);
  for (std::size_t i = 0; i < check.rows(); ++i)
    for (std::size_t j = 0; j < check.cols(); ++j)
      if (!(std::fabs(check[i][j] - (i == j ? 1.0 : 0.0)) < 1e-6)) return false;
  return true;
}

}  // namespace

double signedT(double f, double direction) {
  double t = std::sqrt(f > 0 ? f : 0.0);
  return direction < 0 ? -t : t;
}

FixedModel::FixedModel(const LinearDesign& design)
    : design_(design), work_(design.restrictions.rows(), design.parameterCount()) {
  const std::size_t p = design.parameterCount();
  G_ = crossProducts(design);
  A_ = penalisedNormalMatrix(G_, design.restrictions);
  Ainv_ = A_;
  solvable_ = invertSymmetric(Ainv_, p) == kInversionOk && isInverse(A_, Ainv_);
  Q_ = product(product(Ainv_, G_), Ainv_);
  IntMatrix x = design.designMatrix();
  rankX_ = static_cast<int>(integerRank(p, x, x.rows()));
  for (const auto& test : design.factorTests)
    factorTests_.emplace_back(design.restrictions, A_, test.range.first, test.range.count);
#ifdef PEDIVAR_REFIT_HYPOTHESIS_TESTS
  closedForm_ = false;
#else
  closedForm_ = solvable_ && classes_.build(design.restrictions) &&
                classes_.rank() + static_cast<std::size_t>(rankX_) == p;
#endif
}

TraitFit FixedModel::fitTrait(const std::vector<double>& y) const {
  const std::size_t p = design_.parameterCount();
  TraitFit fit;
  std::vector<long double> xty(p, 0.0L);
  long double yty = 0.0L, sum = 0.0L;
  for (std::size_t i = 0; i < design_.rowColumns.size(); ++i) {
    for (std::uint32_t c : design_.rowColumns[i]) xty[c] += y[i];
    yty += static_cast<long double>(y[i]) * y[i];
    sum += y[i];
  }
  fit.xty.assign(xty.begin(), xty.end());
  fit.yty = static_cast<double>(yty);
  fit.sum = static_cast<double>(sum);
  fit.estimates.assign(p, 0.0);
  long double bxty = 0.0L;
  for (std::size_t k = 0; k < p; ++k) {
    long double b = 0.0L;
    for (std::size_t j = 0; j < p; ++j) b += static_cast<long double>(Ainv_[k][j]) * fit.xty[j];
    fit.estimates[k] = static_cast<double>(b);
    bxty += static_cast<long double>(fit.estimates[k]) * fit.xty[k];
  }
  const std::size_t n = y.size();
  fit.sse = static_cast<double>(yty - bxty);
  fit.sst = static_cast<double>(yty - sum * sum / static_cast<long double>(n));
  fit.dfError = static_cast<int>(n) - rankX_;
  const double mse = fit.sse / fit.dfError;
  double scale = 0.0;
  for (std::size_t k = 0; k < p; ++k) scale = std::max(scale, std::fabs(Q_[k][k]));
  fit.stdErrors.assign(p, 0.0);
  for (std::size_t k = 0; k < p; ++k) {
    double v = Q_[k][k];
    // A parameter fixed by the restrictions has variance 0; rounding may leave it just below.
    if (v < 0 && v > -1e-9 * scale) v = 0.0;
    fit.stdErrors[k] = std::sqrt(mse * v);
  }
  fit.model.C = &design_.restrictions;
  fit.model.yty = fit.yty;
  fit.model.sse = fit.sse;
  fit.model.rankX = rankX_;
  fit.model.observations = static_cast<int>(n);
  return fit;
}

namespace {

FittedModel modelOf(const TraitFit& fit) {
  FittedModel m = fit.model;
  m.Xty = &fit.xty;
  return m;
}

}  // namespace

TestResult FixedModel::testFactor(const TraitFit& fit, const ParameterRange& range) const {
  for (std::size_t k = 0; k < design_.factorTests.size(); ++k) {
    const ParameterRange& r = design_.factorTests[k].range;
    if (r.first == range.first && r.count == range.count) return factorTests_[k].evaluate(modelOf(fit));
  }
  return ::testFactor(modelOf(fit), A_, range.first, range.count);
}

TestResult FixedModel::singleRowTest(const TraitFit& fit, bool inRowSpace, double contrast, double variance) const {
  TestResult r;
  r.df2 = fit.dfError;
  if (inRowSpace) {
    r.sseH = fit.sse;
    return r;  // df1 0: F 0, probability 1
  }
  r.df1 = 1;
  const double extra = contrast * contrast / variance;
  r.sseH = fit.sse + extra;
  r.f = extra / (fit.sse / r.df2);
  r.probability = fProbability(1, r.df2, r.f);
  return r;
}

TestResult FixedModel::testParameter(const TraitFit& fit, std::size_t k) const {
  if (!closedForm_) return testParameterByRefit(fit, k);
  return singleRowTest(fit, classes_.unitInRowSpace(k), fit.estimates[k], Q_[k][k]);
}

TestResult FixedModel::testPair(const TraitFit& fit, std::size_t i, std::size_t j) const {
  if (!closedForm_) return testPairByRefit(fit, i, j);
  const double variance = Q_[i][i] + Q_[j][j] - 2.0 * Q_[i][j];
  return singleRowTest(fit, classes_.differenceInRowSpace(i, j), fit.estimates[i] - fit.estimates[j], variance);
}

TestResult FixedModel::testParameterByRefit(const TraitFit& fit, std::size_t k) const {
  return estimateParameter(modelOf(fit), Ainv_, k, work_);
}

TestResult FixedModel::testPairByRefit(const TraitFit& fit, std::size_t i, std::size_t j) const {
  return testDifference(modelOf(fit), Ainv_, i, j, work_);
}

void FixedModel::writeTrait(ReportText& out, int traitNumber, const std::vector<double>& y) const {
  const TraitFit fit = fitTrait(y);
  const int n = static_cast<int>(y.size());

  ModelTestRow m;
  m.dfModel = rankX_ - 1;
  m.ssModel = fit.sst - fit.sse;
  m.msModel = m.ssModel / m.dfModel;
  m.f = (m.ssModel * fit.dfError) / (fit.sse * m.dfModel);
  m.probability = fProbability(m.dfModel, fit.dfError, m.f);
  m.dfError = fit.dfError;
  m.ssError = fit.sse;
  m.msError = fit.sse / fit.dfError;
  m.dfTotal = n - 1;
  m.ssTotal = fit.sst;
  writeModelTestTable(out, traitNumber, m);

  std::vector<FactorTestRow> factors;
  for (const auto& test : design_.factorTests) {
    TestResult r = testFactor(fit, test.range);
    double ss = r.sseH - fit.sse;
    factors.push_back({test.label, r.df1, ss, ss / r.df1, r.f, r.probability});
  }
  writeFactorTestTable(out, traitNumber, factors);

  std::vector<EstimateRow> estimates;
  for (std::size_t k = 0; k < design_.parameterCount(); ++k) {
    TestResult r = testParameter(fit, k);
    estimates.push_back({design_.parameterNames[k], fit.estimates[k], fit.stdErrors[k],
                         signedT(r.f, fit.estimates[k]), r.probability});
  }
  writeEstimateTable(out, traitNumber, estimates);

  for (const auto& group : design_.pairwise) {
    std::vector<std::string> labels(design_.parameterNames.begin() + static_cast<std::ptrdiff_t>(group.range.first),
                                    design_.parameterNames.begin() + static_cast<std::ptrdiff_t>(group.range.end()));
    writePairwiseTables(out, group.titleFormat, traitNumber, labels, [&](int i, int j) {
      const std::size_t pi = group.range.first + static_cast<std::size_t>(i);
      const std::size_t pj = group.range.first + static_cast<std::size_t>(j);
      TestResult r = testPair(fit, pi, pj);
      return pairwiseCell(signedT(r.f, fit.estimates[pi] - fit.estimates[pj]), r.probability);
    });
  }
}
