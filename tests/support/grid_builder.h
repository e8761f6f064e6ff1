// Builds cell grids from compact row descriptions, for tests of the data input.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "workbook/sheet_grid.h"

// A cell value: nothing (Empty), an int (Integer), a double (Real) or a text (Text).
struct TestCell {
  TestCell() = default;
  TestCell(int v) : kind(CellKind::Integer), integer(v) {}
  TestCell(double v) : kind(CellKind::Real), real(v) {}
  TestCell(const char* v) : kind(CellKind::Text), text(v) {}
  TestCell(std::string v) : kind(CellKind::Text), text(std::move(v)) {}
  CellKind kind = CellKind::Empty;
  int integer = 0;
  double real = 0.0;
  std::string text;
};

SheetGrid gridOf(const std::vector<std::vector<TestCell>>& rows);

// A Model III style sheet: the given header and `observations` rows of (male, female, traits...).
SheetGrid simpleTrialGrid(const std::vector<std::string>& header, int observations);
