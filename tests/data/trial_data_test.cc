#include "data/trial_data.h"

#include <gtest/gtest.h>

#include "support/grid_builder.h"

namespace {

std::string failureOf(const SheetGrid& grid) {
  TrialData data;
  auto error = buildTrialData(grid, data);
  return error ? *error : "ok";
}

TEST(BuildTrialData, ModelIIIWithTwoTraits) {
  TrialData data;
  ASSERT_FALSE(buildTrialData(simpleTrialGrid({"Male", "Female", "Trait1", "Trait2"}, 4), data));
  EXPECT_EQ(data.modelKind, ModelKind::ModelIII);
  EXPECT_EQ(data.factorCount(), 2);
  EXPECT_EQ(data.traitCount, 2);
  EXPECT_EQ(data.observationCount, 4);
  EXPECT_EQ(data.usedRows, 5);
  EXPECT_EQ(data.usedColumns, 4);
  EXPECT_EQ(data.factorLevels[0], (std::vector<std::int32_t>{1, 2}));
  EXPECT_EQ(data.factorLevelCounts[1], 2);
  EXPECT_EQ(data.traitValues[1][3], 13.5);
  EXPECT_EQ(data.columnNames[3], "Trait2");
  EXPECT_EQ(data.columnNames[4], "");
}

TEST(BuildTrialData, RecognisesEachModel) {
  struct Case {
    std::vector<std::string> header;
    ModelKind kind;
  };
  for (const Case& c : std::vector<Case>{
           {{"Male", "Female", "Trait1"}, ModelKind::ModelIII},
           {{"Block", "Male", "Female", "Trait1"}, ModelKind::ModelII},
           {{"Site", "Block", "Male", "Female", "Trait1", "Trait2"}, ModelKind::ModelI},
       }) {
    TrialData data;
    ASSERT_FALSE(buildTrialData(simpleTrialGrid(c.header, 6), data)) << c.header[0];
    EXPECT_EQ(data.modelKind, c.kind);
    EXPECT_EQ(data.factorCount(), static_cast<int>(c.header.size()) - data.traitCount);
  }
}

TEST(BuildTrialData, RuleMessages) {
  struct Case {
    const char* what;
    SheetGrid grid;
    std::string message;
  };
  std::vector<Case> cases;
  cases.push_back({"three observations", simpleTrialGrid({"Male", "Female", "Trait1"}, 3), "Data Error!"});
  cases.push_back({"lower case male", simpleTrialGrid({"male", "Female", "Trait1"}, 4),
                   " Data Error With Factor Names!\n"});
  cases.push_back({"trait gap", simpleTrialGrid({"Block", "Male", "Female", "Trait1", "Trait3"}, 4),
                   "Trait Name Error!\n At Row 1 Col 5 "});
  cases.push_back({"trait before factor", simpleTrialGrid({"Male", "Trait1", "Female"}, 4),
                   " Data Error With Factor Names!\n"});
  cases.push_back({"no numbers", gridOf({{"Male", "Female", "Trait1"}, {"a", "b", "c"}}), "Data Error!"});
  cases.push_back({"two columns", gridOf({{"Male", "Female"}, {1, 2}, {1, 2}, {1, 2}, {1, 2}}), "Data Error!"});
  cases.push_back({"one row", gridOf({{"Male", "Female", "Trait1"}}), "Data Error!"});
  SheetGrid wide = simpleTrialGrid({"Male", "Female", "Trait1"}, 4);
  wide.cell(0, 25);  // a formatted cell in column 26 widens the declared extent
  cases.push_back({"26 columns declared", std::move(wide), "Data Error!"});
  SheetGrid textFactor = simpleTrialGrid({"Male", "Female", "Trait1"}, 6);
  textFactor.cell(6, 1)->setText("x");
  cases.push_back({"text in a factor", std::move(textFactor), "Data Error!\n At Row 7 Col 2 "});
  SheetGrid emptyTrait = simpleTrialGrid({"Male", "Female", "Trait1", "Trait2"}, 6);
  emptyTrait.cell(3, 2)->clear();
  cases.push_back({"empty trait cell", std::move(emptyTrait), "Data Error!\nRow 4 Col 3 "});
  for (const Case& c : cases) EXPECT_EQ(failureOf(c.grid), c.message) << c.what;
}

TEST(BuildTrialData, CellsAreConvertedRowByRowFactorsFirst) {
  // Row 2 has a bad trait and row 3 a bad factor: the first in sheet order wins, and within a
  // row the factor columns are checked before the traits.
  SheetGrid grid = simpleTrialGrid({"Male", "Female", "Trait1"}, 5);
  grid.cell(2, 2)->setText("t");
  grid.cell(2, 0)->setText("f");
  EXPECT_EQ(failureOf(grid), "Data Error!\n At Row 3 Col 1 ");
}

TEST(BuildTrialData, WideTextHeaderReadsAsEmptyName) {
  SheetGrid grid = simpleTrialGrid({"Male", "Female", "Trait1"}, 4);
  grid.cell(0, 0)->setWideText(u"Male");
  EXPECT_EQ(failureOf(grid), " Data Error With Factor Names!\n");
}

TEST(BuildTrialData, RealFactorCodesTruncateAndIntegerTraitsWiden) {
  SheetGrid grid = simpleTrialGrid({"Male", "Female", "Trait1"}, 4);
  grid.cell(1, 0)->setReal(3.9);
  grid.cell(2, 0)->setReal(-2.7);
  grid.cell(3, 2)->setInteger(12);
  TrialData data;
  ASSERT_FALSE(buildTrialData(grid, data));
  EXPECT_EQ(data.factorCodes[0][0], 3);
  EXPECT_EQ(data.factorCodes[0][1], -2);
  EXPECT_EQ(data.traitValues[0][2], 12.0);
  EXPECT_EQ(data.factorLevels[0], (std::vector<std::int32_t>{-2, 1, 2, 3}));
}

TEST(BuildTrialData, UsedAreaEndsAtTheLastNumericCell) {
  // Notes to the right and below do not extend the area; the shorter last row sets the columns.
  SheetGrid grid = gridOf({{"Male", "Female", "Trait1", "Trait2", "Notes"},
                           {1, 1, 2.0, 3.0, "note"},
                           {1, 2, 2.0, 3.0},
                           {2, 1, 2.0, 3.0},
                           {2, 2, 2.0, 3.0},
                           {1, 1, 5.0},
                           {"", "comment"}});
  TrialData data;
  ASSERT_FALSE(buildTrialData(grid, data));
  EXPECT_EQ(data.traitCount, 1);
  EXPECT_EQ(data.observationCount, 5);

  // A number typed below the data extends the rows, which must then be complete.
  grid.cell(8, 2)->setInteger(42);
  EXPECT_EQ(failureOf(grid), "Data Error!\n At Row 7 Col 1 ");
}

TEST(BuildTrialData, TwentyFiveColumnsGiveTwentyThreeTraits) {
  std::vector<std::string> header{"Male", "Female"};
  for (int t = 1; t <= 23; ++t) header.push_back("Trait" + std::to_string(t));
  TrialData data;
  ASSERT_FALSE(buildTrialData(simpleTrialGrid(header, 4), data));
  EXPECT_EQ(data.traitCount, 23);
}

TEST(BuildTrialData, FailureLeavesThePreviousDataSetWhole) {
  TrialData data;
  ASSERT_FALSE(buildTrialData(simpleTrialGrid({"Male", "Female", "Trait1"}, 4), data));
  EXPECT_TRUE(buildTrialData(simpleTrialGrid({"Block", "Male", "Female", "Trait1", "Trait3"}, 4), data));
  EXPECT_EQ(data.modelKind, ModelKind::ModelIII);
  EXPECT_EQ(data.columnNames[0], "Male");
  EXPECT_EQ(data.traitCount, 1);
  ASSERT_EQ(data.factorCodes.size(), 2u);
}

TEST(BuildTrialData, ManyLevelsAreAccepted) {
  std::vector<std::vector<TestCell>> rows{{"Male", "Female", "Trait1"}};
  for (int i = 0; i < 250; ++i) rows.push_back({i, i % 3, 1.0 * i});
  TrialData data;
  ASSERT_FALSE(buildTrialData(gridOf(rows), data));
  EXPECT_EQ(data.factorLevelCounts[0], 250);
  EXPECT_EQ(data.factorLevels[0].back(), 249);
}

TEST(BuildTrialData, InitialColumnNamesMatchNoHeader) {
  TrialData data;
  EXPECT_EQ(data.columnNames[0], "Block0");
  EXPECT_EQ(data.columnNames[3], "Repeat0");
  EXPECT_EQ(data.modelKind, ModelKind::None);
  EXPECT_EQ(data.factorCount(), 0);
}

}  // namespace
