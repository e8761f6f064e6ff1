#include "analysis/row_space.h"

#include <cstdint>
#include <cstdlib>
#include <map>
#include <numeric>

namespace {

using Row = std::vector<std::int64_t>;
__extension__ typedef __int128 Wide;

void normalise(Row& row) {
  std::int64_t g = 0;
  for (std::int64_t v : row) g = std::gcd(g, v < 0 ? -v : v);
  if (g > 1)
    for (auto& v : row) v /= g;
}

// row = pivotValue * row - factor * pivot, exactly; false on overflow.
bool eliminate(Row& row, const Row& pivot, std::size_t column) {
  const std::int64_t a = pivot[column], b = row[column];
  for (std::size_t c = 0; c < row.size(); ++c) {
    Wide v = static_cast<Wide>(a) * row[c] - static_cast<Wide>(b) * pivot[c];
    if (v > INT64_MAX || v < -INT64_MAX) return false;
    row[c] = static_cast<std::int64_t>(v);
  }
  normalise(row);
  return true;
}

}  // namespace

bool RowSpaceClasses::build(const IntMatrix& c) {
  const std::size_t p = c.cols();
  std::vector<Row> rows;
  for (std::size_t r = 0; r < c.rows(); ++r) {
    Row row(c[r], c[r] + p);
    normalise(row);
    rows.push_back(std::move(row));
  }
  std::vector<std::ptrdiff_t> pivotRowOf(p, -1);
  std::size_t next = 0;
  for (std::size_t j = 0; j < p && next < rows.size(); ++j) {
    std::size_t k = next;
    while (k < rows.size() && rows[k][j] == 0) ++k;
    if (k == rows.size()) continue;
    std::swap(rows[k], rows[next]);
    if (rows[next][j] < 0)
      for (auto& v : rows[next]) v = -v;
    for (std::size_t q = 0; q < rows.size(); ++q)
      if (q != next && rows[q][j] != 0 && !eliminate(rows[q], rows[next], j)) return available_ = false;
    pivotRowOf[j] = static_cast<std::ptrdiff_t>(next++);
  }
  rank_ = next;

  // The null-space image of e_k, in lowest terms: (denominator, numerators over the free columns).
  std::vector<std::size_t> freeColumns;
  for (std::size_t j = 0; j < p; ++j)
    if (pivotRowOf[j] < 0) freeColumns.push_back(j);
  std::map<Row, int> classes;
  classOf_.assign(p, 0);
  for (std::size_t k = 0; k < p; ++k) {
    Row key;
    if (pivotRowOf[k] < 0) {
      key.assign(freeColumns.size() + 1, 0);
      key[0] = 1;
      for (std::size_t f = 0; f < freeColumns.size(); ++f)
        if (freeColumns[f] == k) key[f + 1] = 1;
    } else {
      const Row& row = rows[static_cast<std::size_t>(pivotRowOf[k])];
      key.push_back(row[k]);
      bool zero = true;
      for (std::size_t f : freeColumns) {
        key.push_back(-row[f]);
        zero = zero && row[f] == 0;
      }
      if (zero) key.assign(freeColumns.size() + 1, 0);
    }
    auto it = classes.emplace(std::move(key), static_cast<int>(classes.size())).first;
    classOf_[k] = it->second;
  }
  Row zeroKey(freeColumns.size() + 1, 0);
  auto z = classes.find(zeroKey);
  zeroClass_ = z == classes.end() ? -1 : z->second;
  return available_ = true;
}
