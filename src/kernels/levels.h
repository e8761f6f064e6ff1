// Distinct levels of factor columns and the distinct combinations that occur together.
#pragma once

#include <cstdint>
#include <vector>

using FactorColumn = std::vector<std::int32_t>;

// The distinct codes of `column`, ascending.
std::vector<std::int32_t> distinctLevels(const FactorColumn& column);

// Parallel arrays of the distinct combinations of two, three or four columns, in ascending
// lexicographic order (by the first column, ties by the second, ...).
struct LevelTuples {
  std::vector<std::vector<std::int32_t>> columns;  // k arrays, entry i of each forms combination i
  std::size_t count() const { return columns.empty() ? 0 : columns[0].size(); }
};

LevelTuples distinctPairs(const FactorColumn& a, const FactorColumn& b);
LevelTuples distinctTriples(const FactorColumn& a, const FactorColumn& b, const FactorColumn& c);
LevelTuples distinctQuads(const FactorColumn& a, const FactorColumn& b, const FactorColumn& c,
                          const FactorColumn& d);
