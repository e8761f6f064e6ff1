#include "analysis/model3.h"

#include <algorithm>
#include <cstdio>

#include "kernels/levels.h"

namespace {

std::size_t indexOf(const std::vector<std::int32_t>& levels, std::int32_t code) {
  return static_cast<std::size_t>(std::lower_bound(levels.begin(), levels.end(), code) - levels.begin());
}

std::size_t indexOfPair(const LevelTuples& cells, std::int32_t a, std::int32_t b) {
  const auto& first = cells.columns[0];
  const auto& second = cells.columns[1];
  std::size_t lo = 0, hi = cells.count();
  while (lo < hi) {
    std::size_t mid = (lo + hi) / 2;
    if (first[mid] < a || (first[mid] == a && second[mid] < b)) lo = mid + 1;
    else hi = mid;
  }
  return lo;
}

std::string label(const char* format, int a) {
  char buf[32];
  std::snprintf(buf, sizeof buf, format, a);
  return buf;
}

std::string label(const char* format, int a, int b) {
  char buf[48];
  std::snprintf(buf, sizeof buf, format, a, b);
  return buf;
}

}  // namespace

Model3Design buildModel3Design(const TrialData& trial) {
  const auto& male = trial.factorCodes[0];
  const auto& female = trial.factorCodes[1];
  const std::vector<std::int32_t> males = distinctLevels(male);
  const std::vector<std::int32_t> females = distinctLevels(female);
  const LevelTuples cells = distinctPairs(male, female);
  const std::size_t m = males.size(), f = females.size(), c = cells.count();
  const std::size_t p = 1 + m + f + c;

  Model3Design out;
  LinearDesign& d = out.linear;
  d.equationLine = "                          yijk = u + Mi + Fj + MFij + eijk\r\n\r\n\r\n";
  d.parameterNames.push_back("u");
  for (auto code : males) d.parameterNames.push_back(label("M%d", code));
  for (auto code : females) d.parameterNames.push_back(label("F%d", code));
  for (std::size_t k = 0; k < c; ++k) d.parameterNames.push_back(label("MF(%d,%d)", cells.columns[0][k], cells.columns[1][k]));

  std::vector<int> cellSizes(c, 0);
  d.rowColumns.resize(male.size());
  for (std::size_t i = 0; i < male.size(); ++i) {
    const std::size_t cell = indexOfPair(cells, male[i], female[i]);
    ++cellSizes[cell];
    d.rowColumns[i] = {0, static_cast<std::uint32_t>(1 + indexOf(males, male[i])),
                       static_cast<std::uint32_t>(1 + m + indexOf(females, female[i])),
                       static_cast<std::uint32_t>(1 + m + f + cell)};
  }

  d.restrictions.reset(m + f + 2, p, 0);
  for (std::size_t i = 0; i < m; ++i) d.restrictions[0][1 + i] = 1;
  for (std::size_t j = 0; j < f; ++j) d.restrictions[1][1 + m + j] = 1;
  for (std::size_t k = 0; k < c; ++k) {
    d.restrictions[2 + indexOf(males, cells.columns[0][k])][1 + m + f + k] = 1;
    d.restrictions[2 + m + indexOf(females, cells.columns[1][k])][1 + m + f + k] = 1;
  }

  const ParameterRange maleRange{1, m}, femaleRange{1 + m, f}, cellRange{1 + m + f, c};
  d.factorTests = {{"Male", maleRange}, {"Female", femaleRange}, {"Male x Female", cellRange}};
  d.pairwise = {
      {"   T values of test for difference between two males for trait %d (%d):\r\n", maleRange},
      {"   T values of test for difference between two females for trait %d (%d):\r\n", femaleRange},
      {"   T values of test for difference between the interactive effects of males and females for trait %d (%d):\r\n",
       cellRange},
  };
  out.strata = {maleRange, femaleRange, cellRange, cellSizes};
  return out;
}
