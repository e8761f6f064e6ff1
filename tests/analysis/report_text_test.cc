#include "analysis/report_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

namespace {

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    out.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return out;
}

std::string pairwiseText(int levels) {
  ReportText out;
  std::vector<std::string> labels;
  for (int i = 0; i < levels; ++i) labels.push_back("M" + std::to_string(i + 1));
  writePairwiseTables(out, "   title %d (%d):\r\n", 1, labels, [](int i, int j) {
    return pairwiseCell(i * 10 + j, 0.5);
  });
  return out.str();
}

TEST(PairwiseTables, SingleLevelWritesOneEmptyBlock) {
  EXPECT_EQ(pairwiseText(1),
            "   title 1 (1):\r\n"
            "   ===============   \r\n"
            "                  \r\n"
            "   ---------------\r\n"
            "   ===============   \r\n"
            "   *p<0.05, **p<0.01\r\n\r\n\r\n");
}

TEST(PairwiseTables, TwoLevelsOneCell) {
  EXPECT_EQ(pairwiseText(2),
            "   title 1 (1):\r\n"
            "   ==============================   \r\n"
            "                             M1  \r\n"
            "   ------------------------------\r\n"
            "      M2                10.0000  \r\n"
            "   ==============================   \r\n"
            "   *p<0.05, **p<0.01\r\n\r\n\r\n");
}

TEST(PairwiseTables, BlocksOfEightColumns) {
  struct Case {
    int levels;
    std::vector<std::string> titles;
    std::vector<int> rowsPerBlock;
  };
  for (const Case& c : {Case{9, {"   title 1 (1):", "   title 1 (2):"}, {8, 0}},
                        Case{10, {"   title 1 (1):", "   title 1 (2):"}, {9, 1}},
                        Case{17, {"   title 1 (1):", "   title 1 (2):", "   title 1 (3):"}, {16, 8, 0}}}) {
    auto all = lines(pairwiseText(c.levels));
    std::vector<std::string> titles;
    std::vector<int> rows;
    for (const auto& l : all) {
      if (l.rfind("   title", 0) == 0) {
        titles.push_back(l);
        rows.push_back(0);
      } else if (l.rfind("      M", 0) == 0) {
        ++rows.back();
      }
    }
    EXPECT_EQ(titles, c.titles) << c.levels;
    EXPECT_EQ(rows, c.rowsPerBlock) << c.levels;
  }
  // Row M10 of the second block of ten levels holds only the cell against M9.
  auto ten = lines(pairwiseText(10));
  EXPECT_NE(std::find(ten.begin(), ten.end(), "      M10               98.0000  "), ten.end());
  auto widest = std::find(ten.begin(), ten.end(), "      M9                80.0000        81.0000        82.0000        "
                                                  "83.0000        84.0000        85.0000        86.0000        87.0000  ");
  EXPECT_NE(widest, ten.end());
}

TEST(PairwiseCell, StarsByProbability) {
  EXPECT_EQ(pairwiseCell(2.5, 0.0099), "       2.5000**");
  EXPECT_EQ(pairwiseCell(2.5, 0.01), "       2.5000* ");
  EXPECT_EQ(pairwiseCell(2.5, 0.05), "       2.5000* ");
  EXPECT_EQ(pairwiseCell(-2.5, 0.0501), "      -2.5000  ");
  EXPECT_EQ(pairwiseCell(0.0, 1.0), "       0.0000  ");
}

TEST(Banners, FixedWidthFrames) {
  ReportText out;
  writeFixedBanner(out, "   eq\r\n", 0);
  writeRandomBanner(out, 0);
  auto l = lines(out.str());
  ASSERT_GE(l.size(), 14u);
  EXPECT_EQ(l[2], "   eq");
  EXPECT_EQ(l[3].size(), 89u);
  EXPECT_EQ(l[4].size(), 89u);
  EXPECT_EQ(l[5].size(), 62u + 24u + 2u);
  EXPECT_EQ(l[5].substr(62 + 24), " *");
  EXPECT_EQ(l[5].substr(62, 24), timeText(0));
  EXPECT_EQ(l[7], "   " + std::string(85, '*') + " ");
  EXPECT_EQ(l[10], "   " + std::string(85, '*'));
  EXPECT_EQ(l[12].substr(0, 62), "   *  Result for the random effect model.                     ");
  EXPECT_EQ(timeText(0).size(), 24u);
}

TEST(Tables, NonFiniteValuesKeepTheirFields) {
  ReportText out;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  writeModelTestTable(out, 1, ModelTestRow{3, 1.0, 1.0 / 3, nan, -nan, 0, 0.0, inf, 3, 1.0});
  auto l = lines(out.str());
  ASSERT_EQ(l[4].size(), 85u);
  EXPECT_EQ(l[4].substr(65), "       nan      -nan");
  EXPECT_EQ(l[5].substr(l[5].size() - 14), "           inf");
}

TEST(CorrelationMatrix, OneTraitShowsOnlyTheDiagonal) {
  ReportText out;
  writeCorrelationMatrix(out, report::kMaleCorrelation, {{1.0}}, {{0.0}});
  EXPECT_EQ(out.str(),
            "   Genetic correlation matrix of male effects with std. in brackets\r\n"
            "   ============================\r\n"
            "       Trait            1      \r\n"
            "   ----------------------------\r\n"
            "          1          1.0000    \r\n"
            "                    (0.0000)   \r\n\r\n"
            "   ============================\r\n\r\n");
}

}  // namespace
