// The fixed-model analysis of one design: penalised normal equations, the model and factor tests,
// the parameter estimates and the pairwise t tests, trait by trait.
#pragma once

#include <cstddef>
#include <vector>

#include "analysis/linear_design.h"
#include "analysis/report_text.h"
#include "analysis/row_space.h"
#include "kernels/hypothesis_tests.h"
#include "kernels/matrix.h"

// The least-squares fit of one trait.
struct TraitFit {
  std::vector<double> xty;       // X'y
  std::vector<double> estimates; // b = A^-1 X'y
  std::vector<double> stdErrors;
  double yty = 0, sum = 0, sse = 0, sst = 0;
  int dfError = 0;
  FittedModel model;             // what the hypothesis tests need (points into this fit)
};

class FixedModel {
 public:
  // Prepares everything that depends on the design only: G = X'X, A = G + C'C and its inverse,
  // A^-1 G A^-1, the rank of X, the row-space classes of C and the design-only half of every factor
  // test.
  explicit FixedModel(const LinearDesign& design);
  FixedModel(const FixedModel&) = delete;
  FixedModel& operator=(const FixedModel&) = delete;

  // False when A cannot be inverted (the crosses are not connected).
  bool solvable() const { return solvable_; }
  int rankX() const { return rankX_; }
  const RealMatrix& normalMatrix() const { return A_; }
  const RealMatrix& inverse() const { return Ainv_; }
  // True when single-row tests can use the closed form instead of a restricted refit.
  bool closedFormTests() const { return closedForm_; }

  // `fit` must outlive the returned model's use; it is the trait's fitted model.
  TraitFit fitTrait(const std::vector<double>& y) const;

  TestResult testFactor(const TraitFit& fit, const ParameterRange& range) const;
  TestResult testParameter(const TraitFit& fit, std::size_t k) const;
  TestResult testPair(const TraitFit& fit, std::size_t i, std::size_t j) const;
  // The same tests through the restricted refit, whatever the design.
  TestResult testParameterByRefit(const TraitFit& fit, std::size_t k) const;
  TestResult testPairByRefit(const TraitFit& fit, std::size_t i, std::size_t j) const;

  // Writes the model test, factor test, estimate and pairwise tables of one trait.
  void writeTrait(ReportText& out, int traitNumber, const std::vector<double>& y) const;

 private:
  TestResult singleRowTest(const TraitFit& fit, bool inRowSpace, double contrast, double variance) const;

  const LinearDesign& design_;
  RealMatrix G_, A_, Ainv_, Q_;  // Q = A^-1 G A^-1
  int rankX_ = 0;
  bool solvable_ = false;
  bool closedForm_ = false;
  RowSpaceClasses classes_;
  std::vector<PreparedFactorTest> factorTests_;  // one per factor test of the design
  mutable HypothesisWork work_;
};

// T = sqrt(F) (0 for F below 0) carrying the sign of the estimate or difference.
double signedT(double f, double direction);
