#include "workbook/sheet_grid.h"

#include <gtest/gtest.h>

namespace {

TEST(GridCell, TextsKeepTheirWidthsApart) {
  GridCell cell;
  EXPECT_EQ(cell.kind(), CellKind::Empty);
  cell.setWideText(u"Male");
  EXPECT_EQ(cell.kind(), CellKind::WideText);
  EXPECT_EQ(cell.text(), nullptr);
  EXPECT_EQ(std::u16string(cell.wideText()), u"Male");
  cell.setText("Male");
  EXPECT_EQ(cell.wideText(), nullptr);
  EXPECT_STREQ(cell.text(), "Male");
  cell.setText("");
  EXPECT_EQ(cell.kind(), CellKind::Empty);
  cell.setReal(2.5);
  GridCell copy = cell;
  cell.setInteger(4);
  EXPECT_EQ(copy.realValue(), 2.5);
  EXPECT_EQ(cell.intValue(), 4);
  EXPECT_LE(sizeof(GridCell), 16u);
}

TEST(SheetGrid, GrowsWithinTheSheetLimits) {
  SheetGrid grid(2, 3);
  grid.cell(0, 0)->setText("x");
  EXPECT_EQ(grid.cell(65536, 0), nullptr);
  EXPECT_EQ(grid.cell(0, 256), nullptr);
  ASSERT_NE(grid.cell(4, 5), nullptr);
  EXPECT_EQ(grid.rowCount(), 5u);
  EXPECT_EQ(grid.columnCount(), 6u);
  EXPECT_STREQ(grid.at(0, 0).text(), "x");
  EXPECT_EQ(grid.at(0, 5).kind(), CellKind::Empty);
  EXPECT_EQ(grid.at(3, 2).kind(), CellKind::Empty);
  EXPECT_EQ(grid.at(99, 99).kind(), CellKind::Empty);
  ASSERT_NE(grid.cell(65535, 255), nullptr);
}

TEST(SheetGrid, DeclaredExtentCostsNothingUntilWritten) {
  SheetGrid grid(65536, 256);
  EXPECT_EQ(grid.rowCount(), 65536u);
  EXPECT_EQ(grid.columnCount(), 256u);
  EXPECT_EQ(grid.at(65535, 255).kind(), CellKind::Empty);
  SheetGrid clamped(100000, 1000);
  EXPECT_EQ(clamped.rowCount(), 65536u);
  EXPECT_EQ(clamped.columnCount(), 256u);
}

}  // namespace
