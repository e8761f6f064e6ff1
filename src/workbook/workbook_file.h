// Loading an .xls workbook into one cell grid per worksheet.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "workbook/sheet_grid.h"

class WorkbookFile {
 public:
  // Opens the workbook at `path` (for reading only) and builds a grid per worksheet. Returns true
  // when the file opened as a compound document; sheetCount() tells whether worksheets were read.
  bool load(const std::string& path);
  std::size_t sheetCount() const { return sheets_.size(); }
  const SheetGrid& sheet(std::size_t index) const { return sheets_.at(index); }

 private:
  std::vector<SheetGrid> sheets_;
};
