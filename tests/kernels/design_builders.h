// Designs and restriction matrices of the three models, built from factor codes in the tests.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "kernels/matrix.h"

namespace testdesign {

__extension__ typedef unsigned __int128 U128;

enum Factor { kSite = 0, kBlock = 1, kMale = 2, kFemale = 3 };
using Codes = std::array<int, 4>;  // site, block, male, female of one observation
using Key = std::vector<int>;      // the codes of some factors
using Factors = std::vector<Factor>;

inline Key keyOf(const Codes& o, const Factors& f) {
  Key k;
  for (Factor x : f) k.push_back(o[x]);
  return k;
}

// The distinct keys of the observations over the factors, ascending.
inline std::vector<Key> levelsOf(const std::vector<Codes>& obs, const Factors& f) {
  std::vector<Key> keys;
  for (const Codes& o : obs) keys.push_back(keyOf(o, f));
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  return keys;
}

// A row group of the restriction matrix: per level of `by`, ones on the columns of group
// `target` whose levels agree with it on those factors.
struct Restriction {
  std::size_t target;
  Factors by;
};

struct Design {
  IntMatrix X;                       // observations x parameters, 0/1
  IntMatrix C;                       // restriction rows
  std::vector<std::size_t> groupStart;  // first column of each group, then the column count
  std::size_t groupEnd(std::size_t g) const { return groupStart[g + 1]; }
};

inline Design buildDesign(const std::vector<Codes>& obs, const std::vector<Factors>& groups,
                          const std::vector<Restriction>& restrictions) {
  Design d;
  std::vector<std::vector<Key>> levels;
  std::size_t p = 0;
  for (const Factors& g : groups) {
    d.groupStart.push_back(p);
    levels.push_back(levelsOf(obs, g));
    p += levels.back().size();
  }
  d.groupStart.push_back(p);
  d.X.reset(obs.size(), p);
  for (std::size_t i = 0; i < obs.size(); ++i)
    for (std::size_t g = 0; g < groups.size(); ++g) {
      const auto& lv = levels[g];
      const auto at = std::lower_bound(lv.begin(), lv.end(), keyOf(obs[i], groups[g])) - lv.begin();
      d.X[i][d.groupStart[g] + static_cast<std::size_t>(at)] = 1;
    }
  std::vector<std::vector<std::int64_t>> rows;
  for (const Restriction& r : restrictions) {
    const Factors& target = groups[r.target];
    for (const Key& by : levelsOf(obs, r.by)) {
      std::vector<std::int64_t> row(p, 0);
      for (std::size_t l = 0; l < levels[r.target].size(); ++l) {
        bool match = true;
        for (std::size_t b = 0; b < r.by.size(); ++b) {
          const auto pos = std::find(target.begin(), target.end(), r.by[b]) - target.begin();
          match = match && levels[r.target][l][static_cast<std::size_t>(pos)] == by[b];
        }
        if (match) row[d.groupStart[r.target] + l] = 1;
      }
      rows.push_back(row);
    }
  }
  d.C.reset(rows.size(), p);
  for (std::size_t i = 0; i < rows.size(); ++i) std::copy(rows[i].begin(), rows[i].end(), d.C[i]);
  return d;
}

// u, M, F, MF with the sum-to-zero rows of the cross-classified model.
inline Design modelThree(const std::vector<Codes>& obs) {
  return buildDesign(obs, {{}, {kMale}, {kFemale}, {kMale, kFemale}},
                     {{1, {}}, {2, {}}, {3, {kMale}}, {3, {kFemale}}});
}

// u, B, M, F, MF: the blocked design.
inline Design modelTwo(const std::vector<Codes>& obs) {
  return buildDesign(obs, {{}, {kBlock}, {kMale}, {kFemale}, {kMale, kFemale}},
                     {{1, {}}, {2, {}}, {3, {}}, {4, {kMale}}, {4, {kFemale}}});
}

// The ten groups of the multi-site design with its fifteen restriction row groups.
inline Design modelOne(const std::vector<Codes>& obs) {
  const std::vector<Factors> groups = {{},
                                       {kSite},
                                       {kSite, kBlock},
                                       {kMale},
                                       {kFemale},
                                       {kMale, kFemale},
                                       {kSite, kMale},
                                       {kSite, kFemale},
                                       {kSite, kMale, kFemale},
                                       {kSite, kBlock, kMale, kFemale}};
  const std::vector<Restriction> rows = {
      {1, {}},           {2, {kSite}},   {3, {}},          {4, {}},
      {5, {kMale}},      {5, {kFemale}}, {6, {kSite}},     {6, {kMale}},
      {7, {kSite}},      {7, {kFemale}}, {8, {kSite, kMale}}, {8, {kSite, kFemale}},
      {8, {kMale, kFemale}}, {9, {kSite, kBlock}}, {9, {kSite, kMale, kFemale}}};
  return buildDesign(obs, groups, rows);
}

// Every combination of the level counts, `reps` observations each, sorted by site, block, male,
// female (codes from 1).
inline std::vector<Codes> fullFactorial(int sites, int blocks, int males, int females, int reps) {
  std::vector<Codes> obs;
  for (int s = 1; s <= sites; ++s)
    for (int b = 1; b <= blocks; ++b)
      for (int m = 1; m <= males; ++m)
        for (int f = 1; f <= females; ++f)
          for (int r = 0; r < reps; ++r) obs.push_back({s, b, m, f});
  return obs;
}

inline RealMatrix toReal(const IntMatrix& m) {
  RealMatrix r(m.rows(), m.cols());
  for (std::size_t i = 0; i < m.rows(); ++i)
    for (std::size_t c = 0; c < m.cols(); ++c) r[i][c] = static_cast<double>(m[i][c]);
  return r;
}

// Rank modulo the prime 2^61 - 1: never above the true rank, equal to it unless the prime
// divides every full-size minor, which for small 0/1 entries does not happen in practice.
inline std::size_t rankModPrime(IntMatrix m) {
  const std::uint64_t p = (1ULL << 61) - 1;
  auto mod = [p](std::int64_t v) {
    std::int64_t r = v % static_cast<std::int64_t>(p);
    return static_cast<std::uint64_t>(r < 0 ? r + static_cast<std::int64_t>(p) : r);
  };
  auto mul = [p](std::uint64_t a, std::uint64_t b) {
    return static_cast<std::uint64_t>((static_cast<U128>(a) * b) % p);
  };
  auto inverse = [&](std::uint64_t a) {
    std::uint64_t r = 1, e = p - 2;
    for (; e; e >>= 1, a = mul(a, a))
      if (e & 1) r = mul(r, a);
    return r;
  };
  Matrix<std::uint64_t> r(m.rows(), m.cols());
  for (std::size_t i = 0; i < m.rows(); ++i)
    for (std::size_t c = 0; c < m.cols(); ++c) r[i][c] = mod(m[i][c]);
  std::size_t rank = 0;
  for (std::size_t j = 0; j < r.cols() && rank < r.rows(); ++j) {
    std::size_t k = rank;
    while (k < r.rows() && r[k][j] == 0) ++k;
    if (k == r.rows()) continue;
    r.swapRows(k, rank);
    const std::uint64_t inv = inverse(r[rank][j]);
    for (std::size_t q = rank + 1; q < r.rows(); ++q) {
      if (r[q][j] == 0) continue;
      const std::uint64_t f = mul(r[q][j], inv);
      for (std::size_t c = j; c < r.cols(); ++c) r[q][c] = (r[q][c] + p - mul(f, r[rank][c])) % p;
    }
    ++rank;
  }
  return rank;
}

}  // namespace testdesign
