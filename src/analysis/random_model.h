// The random model of males, females and their crosses: variance and covariance components by
// fitting constants on the sequential strata of one orthogonal reduction, their sampling
// variances, the cross test, the exact tests of the male and female components, heritabilities
// and genetic correlations.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "analysis/linear_design.h"
#include "analysis/report_text.h"
#include "kernels/matrix.h"

// Components and strata share their index: male, female, cross (interaction), error.
enum Component : std::size_t { kMale = 0, kFemale = 1, kCross = 2, kError = 3 };
inline constexpr std::size_t kComponents = 4;

// Where the strata of the reduced design lie. The columns before `male.first` (the mean, and in
// blocked designs the blocks) are fixed and absorbed first.
struct StrataDesign {
  ParameterRange male, female, cross;
  // Observations per cross, in cross order (for the family heritability's weight w).
  std::vector<int> crossSizes;
};

using TraitMatrix = std::vector<std::vector<double>>;  // T x T

struct RandomModelResult {
  // Row boundaries of the strata: fixed [0, r0), male [r0, r1), female [r1, r2), cross [r2, r),
  // error [r, N).
  std::size_t r0 = 0, r1 = 0, r2 = 0, r = 0, n = 0;
  std::array<double, kComponents> df{};                   // stratum degrees of freedom
  std::array<std::array<double, kComponents>, kComponents> k{};  // k[s][u]: coefficient of u in stratum s
  // trace[s][u][v]; trace[s][u][kError] = k[s][u], trace[s][kError][kError] = df[s].
  std::array<std::array<std::array<double, kComponents>, kComponents>, kComponents> trace{};
  std::array<std::array<double, kComponents>, kComponents> c{};  // c[u][s]: estimator coefficients

  std::array<TraitMatrix, kComponents> sigma;       // estimates
  std::array<TraitMatrix, kComponents> stratumProducts;  // P_s(i, j)
  std::array<TraitMatrix, 3> variance;              // of the male, female and cross estimates
  std::vector<double> errorVariance;                // of sE(t, t)
  std::vector<double> crossF, crossP, maleF, maleP, femaleF, femaleP;
  double w = 0;
  std::vector<double> hi, hiVariance, hf, hfVariance;
  std::array<TraitMatrix, 3> correlation, correlationVariance;  // male, female, cross
};

// Reduces the design and all traits together and computes every result of the random model.
RandomModelResult fitRandomModel(const LinearDesign& design, const StrataDesign& strata,
                                 const std::vector<std::vector<double>>& traits);

// Covariance of two stratum cross products under normal theory.
double stratumCovariance(const RandomModelResult& m, std::size_t s, std::size_t i, std::size_t j, std::size_t k,
                         std::size_t l);

void writeVarianceTables(ReportText& out, const RandomModelResult& m);
void writeCorrelationMatrices(ReportText& out, const RandomModelResult& m);
