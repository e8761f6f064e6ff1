// Loading an .xls workbook into one cell grid per worksheet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "workbook/compound_document.h"
#include "workbook/sheet_grid.h"
#include "workbook/workbook_globals.h"
#include "workbook/worksheet.h"

class WorkbookFile {
 public:
  // Opens the workbook at `path` (for reading only) and builds a grid per worksheet. Returns true
  // when the file opened as a compound document; sheetCount() tells whether worksheets were read.
  bool load(const std::string& path);
  // The same for a workbook held in memory.
  bool loadBytes(std::vector<std::uint8_t> bytes);
  std::size_t sheetCount() const { return sheets_.size(); }
  const SheetGrid& sheet(std::size_t index) const { return sheets_.at(index); }

  const Bivex::Workbook& globals() const { return globals_; }
  const std::vector<Bivex::Worksheet>& worksheets() const { return worksheets_; }

 private:
  void reset();
  bool readDocument();

  Bivex::CompoundDocument document_;
  Bivex::Workbook globals_;
  std::vector<Bivex::Worksheet> worksheets_;
  std::vector<SheetGrid> sheets_;
};

namespace Bivex {
// Splits a "Workbook" stream into the globals and the worksheet substreams. Substreams of other
// types (chart sheets, macro sheets) are skipped up to their EOF and the walk goes on.
void readWorkbookStream(const std::vector<std::uint8_t>& stream, Workbook& globals, std::vector<Worksheet>& sheets);
// The grid of a parsed worksheet, its cells typed from the cell records in the order read.
SheetGrid buildSheetGrid(const Worksheet& sheet, const Workbook& globals);
}  // namespace Bivex
