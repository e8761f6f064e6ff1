#include "analysis/linear_design.h"

IntMatrix LinearDesign::designMatrix(std::size_t columns) const {
  IntMatrix x(observationCount(), columns, 0);
  for (std::size_t i = 0; i < rowColumns.size(); ++i)
    for (std::uint32_t c : rowColumns[i])
      if (c < columns) x[i][c] = 1;
  return x;
}
