#include "analysis/random_model.h"

#include <cmath>
#include <limits>

#include "kernels/f_distribution.h"
#include "kernels/householder.h"
#include "kernels/inversion.h"
#include "kernels/jacobi.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct RowRange {
  std::size_t lo = 0, hi = 0;
  std::size_t size() const { return hi - lo; }
};

TraitMatrix squareMatrix(std::size_t t, double value = 0.0) { return TraitMatrix(t, std::vector<double>(t, value)); }

std::size_t rankOfLeadingColumns(const LinearDesign& design, std::size_t columns) {
  IntMatrix x = design.designMatrix(columns);
  return integerRank(columns, x, x.rows());
}

// b_u(p, q) over the rows of a stratum: the Gram matrix of the group's columns of R.
RealMatrix groupGram(const RealMatrix& R, RowRange rows, const ParameterRange& cols) {
  const std::size_t n = rows.size();
  RealMatrix b(n, n, 0.0);
  for (std::size_t p = 0; p < n; ++p) {
    const double* rp = R[rows.lo + p];
    for (std::size_t q = 0; q <= p; ++q) {
      const double* rq = R[rows.lo + q];
      long double s = 0.0L;
      for (std::size_t c = cols.first; c < cols.end(); ++c) s += static_cast<long double>(rp[c]) * rq[c];
      b[p][q] = b[q][p] = static_cast<double>(s);
    }
  }
  return b;
}

double frobeniusProduct(const RealMatrix& a, const RealMatrix& b) {
  long double s = 0.0L;
  const std::size_t n = a.rows() * a.cols();
  for (std::size_t i = 0; i < n; ++i) s += static_cast<long double>(a.data()[i]) * b.data()[i];
  return static_cast<double>(s);
}

double diagonalSum(const RealMatrix& R, RowRange rows, const ParameterRange& cols) {
  long double s = 0.0L;
  for (std::size_t p = rows.lo; p < rows.hi; ++p)
    for (std::size_t c = cols.first; c < cols.end(); ++c) s += static_cast<long double>(R[p][c]) * R[p][c];
  return static_cast<double>(s);
}

class RandomModelFit {
 public:
  RandomModelFit(const LinearDesign& design, const StrataDesign& strata, const std::vector<std::vector<double>>& traits)
      : design_(design), strata_(strata), traits_(traits), traitCount_(traits.size()) {}

  RandomModelResult run() {
    reduce();
    coefficients();
    estimates();
    estimatorCoefficients();
    samplingVariances();
    crossTests();
    exactTests();
    heritabilities();
    correlations();
    return std::move(m_);
  }

 private:
  const ParameterRange& group(std::size_t u) const {
    return u == kMale ? strata_.male : u == kFemale ? strata_.female : strata_.cross;
  }
  RowRange stratum(std::size_t s) const {
    switch (s) {
      case kMale: return {m_.r0, m_.r1};
      case kFemale: return {m_.r1, m_.r2};
      case kCross: return {m_.r2, m_.r};
      default: return {m_.r, m_.n};
    }
  }

  void reduce() {
    const LinearDesign& d = design_;
    const std::size_t p = strata_.cross.end();
    m_.n = d.observationCount();
    m_.r0 = rankOfLeadingColumns(d, strata_.male.first);
    m_.r1 = rankOfLeadingColumns(d, strata_.female.first);
    m_.r2 = rankOfLeadingColumns(d, strata_.cross.first);
    m_.r = rankOfLeadingColumns(d, p);
    R_.reset(m_.n, p, 0.0);
    for (std::size_t i = 0; i < m_.n; ++i)
      for (std::uint32_t c : d.rowColumns[i])
        if (c < p) R_[i][c] = 1.0;
    QY_.reset(m_.n, traitCount_, 0.0);
    for (std::size_t i = 0; i < m_.n; ++i)
      for (std::size_t t = 0; t < traitCount_; ++t) QY_[i][t] = traits_[t][i];
    householderSolve(R_, QY_, m_.n, p);
    for (std::size_t s = 0; s < kComponents; ++s) m_.df[s] = static_cast<double>(stratum(s).size());
  }

  void coefficients() {
    const double n = static_cast<double>(m_.n);
    auto& k = m_.k;
    k[kMale][kMale] = n - diagonalSum(R_, {0, m_.r0}, strata_.male);
    k[kFemale][kFemale] = n - diagonalSum(R_, {0, m_.r1}, strata_.female);
    k[kCross][kCross] = n - diagonalSum(R_, {0, m_.r2}, strata_.cross);
    for (std::size_t s = kMale; s <= kCross; ++s) {
      std::array<RealMatrix, 3> gram;
      for (std::size_t u = s; u <= kCross; ++u) gram[u] = groupGram(R_, stratum(s), group(u));
      for (std::size_t u = s; u <= kCross; ++u) {
        if (u > s) {
          long double diag = 0.0L;
          for (std::size_t q = 0; q < gram[u].rows(); ++q) diag += gram[u][q][q];
          k[s][u] = static_cast<double>(diag);
        }
        for (std::size_t v = s; v <= kCross; ++v) m_.trace[s][u][v] = frobeniusProduct(gram[u], gram[v]);
      }
    }
    for (std::size_t s = 0; s < kComponents; ++s) {
      for (std::size_t u = 0; u < kError; ++u) m_.trace[s][u][kError] = m_.trace[s][kError][u] = k[s][u];
      m_.trace[s][kError][kError] = m_.df[s];
    }
  }

  void estimates() {
    for (auto& s : m_.sigma) s = squareMatrix(traitCount_);
    for (auto& p : m_.stratumProducts) p = squareMatrix(traitCount_);
    const auto& k = m_.k;
    const auto& df = m_.df;
    for (std::size_t i = 0; i < traitCount_; ++i) {
      for (std::size_t j = 0; j <= i; ++j) {
        std::array<double, kComponents> P{};
        for (std::size_t s = 0; s < kComponents; ++s) {
          RowRange rows = stratum(s);
          long double sum = 0.0L;
          for (std::size_t q = rows.lo; q < rows.hi; ++q) sum += static_cast<long double>(QY_[q][i]) * QY_[q][j];
          P[s] = static_cast<double>(sum);
          m_.stratumProducts[s][i][j] = m_.stratumProducts[s][j][i] = P[s];
        }
        const double sE = P[kError] / df[kError];
        const double sI = (P[kCross] - df[kCross] * sE) / k[kCross][kCross];
        const double sF = (P[kFemale] - df[kFemale] * sE - k[kFemale][kCross] * sI) / k[kFemale][kFemale];
        const double sM =
            (P[kMale] - df[kMale] * sE - k[kMale][kCross] * sI - k[kMale][kFemale] * sF) / k[kMale][kMale];
        const std::array<double, kComponents> values{sM, sF, sI, sE};
        for (std::size_t u = 0; u < kComponents; ++u) m_.sigma[u][i][j] = m_.sigma[u][j][i] = values[u];
      }
    }
  }

  void estimatorCoefficients() {
    const double kMM = m_.k[kMale][kMale], kFM = m_.k[kMale][kFemale], kIM = m_.k[kMale][kCross];
    const double kFF = m_.k[kFemale][kFemale], kIF = m_.k[kFemale][kCross], kII = m_.k[kCross][kCross];
    const double dfM = m_.df[kMale], dfF = m_.df[kFemale], dfI = m_.df[kCross], dfE = m_.df[kError];
    auto& c = m_.c;
    c[kError][kError] = 1 / dfE;
    c[kCross][kCross] = 1 / kII;
    c[kCross][kError] = -dfI / (kII * dfE);
    c[kFemale][kFemale] = 1 / kFF;
    c[kFemale][kCross] = -kIF / (kFF * kII);
    c[kFemale][kError] = (dfI * kIF - kII * dfF) / (dfE * kFF * kII);
    c[kMale][kMale] = 1 / kMM;
    c[kMale][kFemale] = -kFM / (kFF * kMM);
    c[kMale][kCross] = (kFM * kIF - kFF * kIM) / (kII * kFF * kMM);
    c[kMale][kError] =
        (kII * kFM * dfF - kII * kFF * dfM + dfI * kFF * kIM - dfI * kFM * kIF) / (dfE * kII * kFF * kMM);
  }

  // Covariance of two estimates of component u between trait pairs (i, j) and (k, l).
  double estimateCovariance(std::size_t u, std::size_t i, std::size_t j, std::size_t k, std::size_t l) const {
    double sum = 0.0;
    for (std::size_t s = 0; s < kComponents; ++s) {
      if (m_.c[u][s] == 0.0) continue;
      sum += m_.c[u][s] * m_.c[u][s] * stratumCovariance(m_, s, i, j, k, l);
    }
    return sum;
  }

  void samplingVariances() {
    for (auto& v : m_.variance) v = squareMatrix(traitCount_);
    m_.errorVariance.assign(traitCount_, 0.0);
    for (std::size_t i = 0; i < traitCount_; ++i) {
      for (std::size_t j = 0; j <= i; ++j)
        for (std::size_t u = kMale; u <= kCross; ++u)
          m_.variance[u][i][j] = m_.variance[u][j][i] = estimateCovariance(u, i, j, i, j);
      m_.errorVariance[i] = stratumCovariance(m_, kError, i, i, i, i) / (m_.df[kError] * m_.df[kError]);
    }
  }

  void crossTests() {
    m_.crossF.assign(traitCount_, 0.0);
    m_.crossP.assign(traitCount_, 0.0);
    const int dfI = static_cast<int>(m_.df[kCross]), dfE = static_cast<int>(m_.df[kError]);
    for (std::size_t t = 0; t < traitCount_; ++t) {
      m_.crossF[t] = (m_.df[kError] * m_.stratumProducts[kCross][t][t]) /
                     (m_.df[kCross] * m_.stratumProducts[kError][t][t]);
      m_.crossP[t] = fProbability(dfI, dfE, m_.crossF[t]);
    }
  }

  // Rotates the random strata onto the eigenvectors of the cross columns' Gram matrix and
  // equalises the variances with error-stratum rows, then refits males and females.
  void exactTests() {
    m_.maleF.assign(traitCount_, kNaN);
    m_.maleP.assign(traitCount_, kNaN);
    m_.femaleF.assign(traitCount_, kNaN);
    m_.femaleP.assign(traitCount_, kNaN);
    const std::size_t q = m_.r - m_.r0;
    if (q == 0 || m_.n - m_.r < q) return;  // not enough error rows to equalise with
    RealMatrix K(q, q, 0.0), E(q, q, 0.0);
    for (std::size_t a = 0; a < q; ++a)
      for (std::size_t b = 0; b <= a; ++b) {
        long double s = 0.0L;
        for (std::size_t c = strata_.cross.first; c < strata_.cross.end(); ++c)
          s += static_cast<long double>(R_[m_.r0 + a][c]) * R_[m_.r0 + b][c];
        K[a][b] = K[b][a] = static_cast<double>(s);
      }
    jacobiEigen(K, q, E, 1e-6);
    lambda_.resize(q);
    for (std::size_t j = 0; j < q; ++j) lambda_[j] = K[j][j];
    exactPass(E, strata_.male, strata_.female, m_.df[kMale], m_.df[kFemale], m_.femaleF, m_.femaleP);
    exactPass(E, strata_.female, strata_.male, m_.df[kFemale], m_.df[kMale], m_.maleF, m_.maleP);
  }

  void exactPass(const RealMatrix& E, const ParameterRange& firstGroup, const ParameterRange& testedGroup,
                 double dfFirst, double dfTested, std::vector<double>& fOut, std::vector<double>& pOut) {
    const std::size_t q = lambda_.size();
    const double lambdaMin = lambda_[q - 1];
    RealMatrix Z(q, traitCount_, 0.0);
    for (std::size_t j = 0; j < q; ++j) {
      const double root = std::sqrt(lambda_[j]);
      const double noise = std::sqrt(1 / lambdaMin - 1 / lambda_[j]);
      for (std::size_t t = 0; t < traitCount_; ++t) {
        long double s = 0.0L;
        for (std::size_t a = 0; a < q; ++a) s += static_cast<long double>(E[a][j]) * QY_[m_.r0 + a][t];
        Z[j][t] = static_cast<double>(s) / root + noise * QY_[m_.r + j][t];
      }
    }
    const std::size_t cols = firstGroup.count + testedGroup.count;
    RealMatrix D(q, cols, 0.0);
    for (std::size_t j = 0; j < q; ++j) {
      const double scale = std::sqrt(1 / lambda_[j]);
      for (std::size_t k = 0; k < cols; ++k) {
        const std::size_t col = k < firstGroup.count ? firstGroup.first + k : testedGroup.first + k - firstGroup.count;
        long double s = 0.0L;
        for (std::size_t a = 0; a < q; ++a) s += static_cast<long double>(E[a][j]) * R_[m_.r0 + a][col];
        D[j][k] = scale * static_cast<double>(s);
      }
    }
    householderSolve(D, Z, q, cols);
    const std::size_t numLo = static_cast<std::size_t>(dfFirst);
    const std::size_t denLo = numLo + static_cast<std::size_t>(dfTested);
    const double dfI = m_.df[kCross];
    for (std::size_t t = 0; t < traitCount_; ++t) {
      long double num = 0.0L, den = 0.0L;
      for (std::size_t row = numLo; row < denLo && row < q; ++row) num += static_cast<long double>(Z[row][t]) * Z[row][t];
      for (std::size_t row = denLo; row < q; ++row) den += static_cast<long double>(Z[row][t]) * Z[row][t];
      fOut[t] = (dfI * static_cast<double>(num)) / (dfTested * static_cast<double>(den));
      pOut[t] = fProbability(static_cast<int>(dfTested), static_cast<int>(dfI), fOut[t]);
    }
  }

  double componentCovariance(std::size_t t, std::size_t u, std::size_t v) const {
    double sum = 0.0;
    for (std::size_t s = 0; s < kComponents; ++s)
      sum += m_.c[u][s] * m_.c[v][s] * stratumCovariance(m_, s, t, t, t, t);
    return sum;
  }

  void heritabilities() {
    long double inverseSizes = 0.0L;
    for (int size : strata_.crossSizes) inverseSizes += 1.0L / size;
    m_.w = static_cast<double>(inverseSizes / static_cast<long double>(strata_.crossSizes.size()));
    const double w = m_.w;
    m_.hi.assign(traitCount_, 0.0);
    m_.hiVariance.assign(traitCount_, 0.0);
    m_.hf.assign(traitCount_, 0.0);
    m_.hfVariance.assign(traitCount_, 0.0);
    for (std::size_t t = 0; t < traitCount_; ++t) {
      const double sM = m_.sigma[kMale][t][t], sF = m_.sigma[kFemale][t][t];
      const double sI = m_.sigma[kCross][t][t], sE = m_.sigma[kError][t][t];
      auto cov = [&](std::size_t u, std::size_t v) { return componentCovariance(t, u, v); };
      const double vM = cov(kMale, kMale), vF = cov(kFemale, kFemale), vI = cov(kCross, kCross), vE = cov(kError, kError);
      const double cMF = cov(kMale, kFemale), cMI = cov(kMale, kCross), cME = cov(kMale, kError);
      const double cFI = cov(kFemale, kCross), cFE = cov(kFemale, kError), cIE = cov(kCross, kError);

      const double hi = 2 * (sM + sF) / (sM + sF + sI + sE);
      {
        const double G = 2 * (sM + sF), P = sM + sF + sI + sE;
        const double varG = 4 * (vM + vF + 2 * cMF);
        const double varP = vM + vF + vI + vE + 2 * (cMF + cMI + cME + cFI + cFE + cIE);
        const double covGP = 2 * (vM + vF + 2 * cMF + cMI + cFI + cME + cFE);
        (void)G;
        m_.hiVariance[t] = (varG - 2 * hi * covGP + hi * hi * varP) / (P * P);
      }
      const double hf = (sM + sF + sI) / (sM + sF + sI + w * sE);
      {
        const double P = sM + sF + sI + w * sE;
        const double varG = vM + vF + vI + 2 * (cMF + cMI + cFI);
        const double covGP = varG + w * (cME + cFE + cIE);
        const double varP = varG + w * w * vE + 2 * w * (cME + cFE + cIE);
        m_.hfVariance[t] = (varG - 2 * hf * covGP + hf * hf * varP) / (P * P);
      }
      m_.hi[t] = hi;
      m_.hf[t] = hf;
    }
  }

  void correlations() {
    for (std::size_t u = kMale; u <= kCross; ++u) {
      m_.correlation[u] = squareMatrix(traitCount_, 1.0);
      m_.correlationVariance[u] = squareMatrix(traitCount_, 0.0);
    }
    for (std::size_t i = 0; i + 1 < traitCount_; ++i)
      for (std::size_t j = i + 1; j < traitCount_; ++j)
        for (std::size_t u = kMale; u <= kCross; ++u) correlation(u, i, j);
  }

  void correlation(std::size_t u, std::size_t i, std::size_t j) {
    const double a = m_.sigma[u][i][i], b = m_.sigma[u][j][j], g = m_.sigma[u][i][j];
    double r = g / std::sqrt(a * b);
    if (r > 1) r = 1;
    if (r < -1) r = -1;
    const double v = r * r *
                     (m_.variance[u][i][j] / (g * g) + m_.variance[u][i][i] / (4 * a * a) +
                      m_.variance[u][j][j] / (4 * b * b) - estimateCovariance(u, i, j, i, i) / (g * a) -
                      estimateCovariance(u, i, j, j, j) / (g * b) + estimateCovariance(u, i, i, j, j) / (2 * a * b));
    m_.correlation[u][i][j] = m_.correlation[u][j][i] = r;
    m_.correlationVariance[u][i][j] = m_.correlationVariance[u][j][i] = v;
  }

  const LinearDesign& design_;
  const StrataDesign& strata_;
  const std::vector<std::vector<double>>& traits_;
  const std::size_t traitCount_;
  RealMatrix R_, QY_;
  std::vector<double> lambda_;
  RandomModelResult m_;
};

}  // namespace

double stratumCovariance(const RandomModelResult& m, std::size_t s, std::size_t i, std::size_t j, std::size_t k,
                         std::size_t l) {
  double sum = 0.0;
  for (std::size_t u = 0; u < kComponents; ++u)
    for (std::size_t v = 0; v < kComponents; ++v) {
      const double t = m.trace[s][u][v];
      if (t == 0.0) continue;
      sum += t * (m.sigma[u][i][k] * m.sigma[v][j][l] + m.sigma[u][i][l] * m.sigma[v][j][k]);
    }
  return sum;
}

RandomModelResult fitRandomModel(const LinearDesign& design, const StrataDesign& strata,
                                 const std::vector<std::vector<double>>& traits) {
  return RandomModelFit(design, strata, traits).run();
}

void writeVarianceTables(ReportText& out, const RandomModelResult& m) {
  for (std::size_t t = 0; t < m.hi.size(); ++t) {
    VarianceTable table;
    table.components = {
        {report::kSigmaM,
         {m.sigma[kMale][t][t], std::sqrt(m.variance[kMale][t][t]), m.maleF[t], m.maleP[t]}},
        {report::kSigmaF,
         {m.sigma[kFemale][t][t], std::sqrt(m.variance[kFemale][t][t]), m.femaleF[t], m.femaleP[t]}},
        {report::kSigmaMF,
         {m.sigma[kCross][t][t], std::sqrt(m.variance[kCross][t][t]), m.crossF[t], m.crossP[t]}},
    };
    table.sigmaE = m.sigma[kError][t][t];
    table.sigmaEStdError = std::sqrt(m.errorVariance[t]);
    table.hi = m.hi[t];
    table.hiStdError = std::sqrt(m.hiVariance[t]);
    table.hf = m.hf[t];
    table.hfStdError = std::sqrt(m.hfVariance[t]);
    writeVarianceTable(out, static_cast<int>(t) + 1, table);
  }
}

void writeCorrelationMatrices(ReportText& out, const RandomModelResult& m) {
  const char* titles[3] = {report::kMaleCorrelation, report::kFemaleCorrelation, report::kCrossCorrelation};
  for (std::size_t u = kMale; u <= kCross; ++u) {
    TraitMatrix se = m.correlationVariance[u];
    for (auto& row : se)
      for (auto& v : row) v = std::sqrt(v);
    writeCorrelationMatrix(out, titles[u], m.correlation[u], se);
  }
}
