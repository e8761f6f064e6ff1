#include "kernels/levels.h"

#include <algorithm>
#include <cstddef>
#include <numeric>

std::vector<std::int32_t> distinctLevels(const FactorColumn& column) {
  std::vector<std::int32_t> levels(column);
  std::sort(levels.begin(), levels.end());
  levels.erase(std::unique(levels.begin(), levels.end()), levels.end());
  return levels;
}

namespace {

// Sorts observation indices by their codes in all columns and keeps one per distinct tuple.
LevelTuples distinctTuples(const std::vector<const FactorColumn*>& cols) {
  const std::size_t n = cols.empty() ? 0 : cols[0]->size();
  for (const auto* c : cols) {
    if (c->size() != n) return LevelTuples{std::vector<std::vector<std::int32_t>>(cols.size())};
  }
  auto less = [&](std::size_t i, std::size_t j) {
    for (const auto* c : cols)
      if ((*c)[i] != (*c)[j]) return (*c)[i] < (*c)[j];
    return false;
  };
  auto equal = [&](std::size_t i, std::size_t j) { return !less(i, j) && !less(j, i); };
  std::vector<std::size_t> order(n);
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), less);
  order.erase(std::unique(order.begin(), order.end(), equal), order.end());

  LevelTuples out{std::vector<std::vector<std::int32_t>>(cols.size())};
  for (std::size_t k = 0; k < cols.size(); ++k) {
    out.columns[k].reserve(order.size());
    for (std::size_t i : order) out.columns[k].push_back((*cols[k])[i]);
  }
  return out;
}

}  // namespace

LevelTuples distinctPairs(const FactorColumn& a, const FactorColumn& b) { return distinctTuples({&a, &b}); }

LevelTuples distinctTriples(const FactorColumn& a, const FactorColumn& b, const FactorColumn& c) {
  return distinctTuples({&a, &b, &c});
}

LevelTuples distinctQuads(const FactorColumn& a, const FactorColumn& b, const FactorColumn& c,
                          const FactorColumn& d) {
  return distinctTuples({&a, &b, &c, &d});
}
