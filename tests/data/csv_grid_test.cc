#include "data/csv_grid.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <fstream>

#include "data/trial_data.h"
#include "data/trial_file.h"

namespace {

TEST(CsvGrid, CellKindsByContent) {
  auto grid = parseCsvGrid("Male,Female,Trait1\r\n1,2,12.5\n-3,,\"x, \"\"y\"\"\"\n2147483648,+7,1e3\n");
  ASSERT_TRUE(grid);
  EXPECT_EQ(grid->rowCount(), 4u);
  EXPECT_EQ(grid->columnCount(), 3u);
  EXPECT_STREQ(grid->at(0, 1).text(), "Female");
  EXPECT_EQ(grid->at(1, 0).kind(), CellKind::Integer);
  EXPECT_EQ(grid->at(1, 2).kind(), CellKind::Real);
  EXPECT_EQ(grid->at(1, 2).realValue(), 12.5);
  EXPECT_EQ(grid->at(2, 0).intValue(), -3);
  EXPECT_EQ(grid->at(2, 1).kind(), CellKind::Empty);
  EXPECT_STREQ(grid->at(2, 2).text(), "x, \"y\"");
  EXPECT_EQ(grid->at(3, 0).kind(), CellKind::Real);  // does not fit 32 bits
  EXPECT_EQ(grid->at(3, 1).intValue(), 7);
  EXPECT_EQ(grid->at(3, 2).realValue(), 1000.0);
}

TEST(CsvGrid, TextsThatAreNotNumbers) {
  auto grid = parseCsvGrid("nan,inf,1.5x,0x10,12,5\n");
  ASSERT_TRUE(grid);
  for (int c = 0; c < 4; ++c) EXPECT_EQ(grid->at(0, c).kind(), CellKind::Text) << c;
  EXPECT_EQ(grid->at(0, 4).kind(), CellKind::Integer);
}

TEST(CsvGrid, TabSeparatedQuotedNewlineAndBom) {
  auto grid = parseCsvGrid("\xEF\xBB\xBFMale\tFemale\n\"a\nb\"\t3,5\n");
  ASSERT_TRUE(grid);
  EXPECT_STREQ(grid->at(0, 0).text(), "Male");
  EXPECT_STREQ(grid->at(1, 0).text(), "a\nb");
  EXPECT_EQ(grid->at(1, 1).kind(), CellKind::Text);  // a decimal comma is not a number
}

TEST(CsvGrid, ExtentIsRowsAndWidestRow) {
  auto grid = parseCsvGrid("a\nb,c,d,e\n\nf");
  ASSERT_TRUE(grid);
  EXPECT_EQ(grid->rowCount(), 4u);
  EXPECT_EQ(grid->columnCount(), 4u);
}

TEST(CsvGrid, ParsingIgnoresTheProcessLocale) {
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = previous ? previous : "C";
  bool comma = false;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8"}) {
    if (std::setlocale(LC_NUMERIC, name)) {
      comma = true;
      break;
    }
  }
  auto grid = parseCsvGrid("1.25\n");
  std::setlocale(LC_NUMERIC, saved.c_str());
  if (!comma) GTEST_SKIP() << "no decimal-comma locale installed";
  ASSERT_TRUE(grid);
  EXPECT_EQ(grid->at(0, 0).realValue(), 1.25);
}

TEST(CsvGrid, TooManyColumnsOrUnreadableFile) {
  std::string wide(300, ',');
  EXPECT_FALSE(parseCsvGrid(wide));
  EXPECT_FALSE(readCsvGrid("/nonexistent/trial.csv"));
  TrialData data;
  EXPECT_EQ(loadTrialFile("/nonexistent/trial.csv", data).value_or("ok"), "Data Error!");
}

TEST(TrialFile, CsvTrialLoadsThroughTheSameRules) {
  std::string path = testing::TempDir() + "trial_file_test.csv";
  {
    std::ofstream out(path, std::ios::binary);
    out << "Male,Female,Trait1,Trait2\n1,1,1.5,2\n1,2,2.5,3\n2,1,3.5,4\n2,2,4.5,5\n";
  }
  TrialData data;
  ASSERT_FALSE(loadTrialFile(path, data));
  EXPECT_EQ(data.modelKind, ModelKind::ModelIII);
  EXPECT_EQ(data.traitValues[0][3], 4.5);
  EXPECT_TRUE(isCsvPath("a/b.CSV"));
  EXPECT_FALSE(isCsvPath("a.csv/b.xls"));
  std::remove(path.c_str());
}

}  // namespace
