// Linear hypothesis tests of a fixed model fitted by penalised normal equations.
#pragma once

#include <cstddef>
#include <vector>

#include "kernels/matrix.h"

// The model of one trait as the hypothesis tests need it.
struct FittedModel {
  const IntMatrix* C = nullptr;         // h restriction rows, p columns
  const std::vector<double>* Xty = nullptr;  // X'y, p entries
  double yty = 0.0;                     // y'y
  double sse = 0.0;                     // error sum of squares of the full model
  int rankX = 0;
  int observations = 0;                 // N
  std::size_t parameters() const { return C->cols(); }
  std::size_t restrictions() const { return C->rows(); }
};

struct TestResult {
  double sseH = 0.0;   // error sum of squares restricted by the hypothesis
  double f = 0.0;
  double probability = 1.0;
  int df1 = 0;
  int df2 = 0;
};

// Work storage of estimateParameter and testDifference, allocated once per run.
struct HypothesisWork {
  HypothesisWork(std::size_t h, std::size_t p);
  IntMatrix L0;        // (h + 1) x p
  RealMatrix U;        // p x p, the updated inverse
  RealMatrix W;        // (h + 1) x p
  RealMatrix M;        // (h + 1) x (h + 1), of which a leading square is used
  std::vector<double> bH;  // p
  std::vector<double> v;   // h + 1
  std::vector<double> d;   // p, the direction of a rank-one update
};

// All three return SSE_H, the F of the hypothesis against the full model with df1 = rank[C; H] +
// rankX - p and df2 = N - rankX, and its probability. When df1 is 0 (the hypothesis follows from
// the restriction rows) F is 0 and the probability 1. Work storage of other sizes is reshaped.
// Inconsistent arguments (an index outside the parameters, matrices smaller than p x p, a model
// without C or Xty) give NaN results. A singular A + H'H or L U L' prints "fail\n" (see
// invertSymmetric) and gives meaningless numbers, as the analyses expect.

// Tests that the n parameters first .. first+n-1 are all zero. A is X'X + C'C, not inverted.
TestResult testFactor(const FittedModel& model, const RealMatrix& A, std::size_t first, std::size_t n);

// A factor test whose design-only half (the updated inverse, the basis of [C; H] and the inverted
// middle matrix) is prepared once; evaluate() then gives, for each trait, exactly what testFactor
// gives.
class PreparedFactorTest {
 public:
  PreparedFactorTest(const IntMatrix& C, const RealMatrix& A, std::size_t first, std::size_t n);
  TestResult evaluate(const FittedModel& model) const;

 private:
  mutable HypothesisWork work_;
  std::size_t parameters_ = 0;
  std::size_t rank_ = 0;
  bool valid_ = false;
};

// Tests that parameter k is zero; Ainv is the inverse of X'X + C'C, both triangles filled (as
// invertSymmetric leaves it).
TestResult estimateParameter(const FittedModel& model, const RealMatrix& Ainv, std::size_t k,
                             HypothesisWork& work);

// Tests that parameters i and j are equal (the row +1 at i, -1 at j). i = j restricts nothing:
// SSE_H = SSE, df1 = 0, F = 0, probability 1.
TestResult testDifference(const FittedModel& model, const RealMatrix& Ainv, std::size_t i, std::size_t j,
                          HypothesisWork& work);
