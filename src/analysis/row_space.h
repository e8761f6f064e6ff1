// Exact membership of hypothesis rows in the row space of a restriction matrix.
#pragma once

#include <cstddef>
#include <vector>

#include "kernels/matrix.h"

// Classifies the unit rows e_k by their image under a basis of the null space of C: e_i - e_j lies
// in the row space of C exactly when i and j share a class, and e_k does exactly when k is in the
// zero class. Computed once from an exact reduced echelon form of C.
class RowSpaceClasses {
 public:
  // False when the exact elimination would overflow 64 bits; the classes are then unavailable.
  bool build(const IntMatrix& c);
  bool available() const { return available_; }
  std::size_t rank() const { return rank_; }
  bool unitInRowSpace(std::size_t k) const { return classOf_[k] == zeroClass_; }
  bool differenceInRowSpace(std::size_t i, std::size_t j) const { return classOf_[i] == classOf_[j]; }

 private:
  bool available_ = false;
  std::size_t rank_ = 0;
  int zeroClass_ = -1;
  std::vector<int> classOf_;
};
