#include "support/grid_builder.h"

SheetGrid gridOf(const std::vector<std::vector<TestCell>>& rows) {
  SheetGrid grid;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < rows[r].size(); ++c) {
      GridCell* cell = grid.cell(static_cast<std::uint32_t>(r), static_cast<std::uint32_t>(c));
      const TestCell& v = rows[r][c];
      if (v.kind == CellKind::Integer) cell->setInteger(v.integer);
      if (v.kind == CellKind::Real) cell->setReal(v.real);
      if (v.kind == CellKind::Text) cell->setText(v.text);
    }
  }
  return grid;
}

SheetGrid simpleTrialGrid(const std::vector<std::string>& header, int observations) {
  std::vector<std::vector<TestCell>> rows;
  rows.emplace_back(header.begin(), header.end());
  for (int i = 0; i < observations; ++i) {
    std::vector<TestCell> row;
    for (std::size_t c = 0; c < header.size(); ++c) {
      const bool trait = header[c].rfind("Trait", 0) == 0;
      row.push_back(trait ? TestCell(10.5 + i) : TestCell(1 + (i + static_cast<int>(c)) % 2));
    }
    rows.push_back(row);
  }
  return gridOf(rows);
}
