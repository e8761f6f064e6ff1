// A fixed linear model described by its parameter groups: what the fixed-model procedure and the
// report need to know about a design, independent of which model it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "kernels/matrix.h"

struct ParameterRange {
  std::size_t first = 0;
  std::size_t count = 0;
  std::size_t end() const { return first + count; }
};

// One row of the factor test table: all parameters of the range tested at once.
struct FactorTest {
  std::string label;
  ParameterRange range;
};

// A group of parameters compared in pairs; the title format takes the trait and block numbers.
struct PairwiseGroup {
  const char* titleFormat = "";
  ParameterRange range;
};

struct LinearDesign {
  const char* equationLine = "";
  std::vector<std::string> parameterNames;             // one label per parameter
  std::vector<std::vector<std::uint32_t>> rowColumns;  // per observation, the design columns holding 1
  IntMatrix restrictions;                              // the sum-to-zero rows C
  std::vector<FactorTest> factorTests;
  std::vector<PairwiseGroup> pairwise;

  std::size_t parameterCount() const { return parameterNames.size(); }
  std::size_t observationCount() const { return rowColumns.size(); }
  // The 0/1 design restricted to its first `columns` columns (all observations).
  IntMatrix designMatrix(std::size_t columns) const;
  IntMatrix designMatrix() const { return designMatrix(parameterCount()); }
};
