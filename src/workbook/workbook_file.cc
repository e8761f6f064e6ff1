#include "workbook/workbook_file.h"

namespace Bivex {

void readWorkbookStream(const std::vector<std::uint8_t>& stream, Workbook& globals, std::vector<Worksheet>& sheets) {
  const std::uint8_t* bytes = stream.data();
  const std::size_t size = stream.size();
  std::size_t pos = 0;
  while (pos + 4 <= size && recordCodeAt(bytes + pos, size - pos) == codes::kBof) {
    BOF bof;
    bof.read(bytes + pos, size - pos);
    if (bof.type() == BOF::kGlobals)
      pos += globals.read(bytes + pos, size - pos);
    else if (bof.type() == BOF::kWorksheet)
      pos += sheets.emplace_back().read(bytes + pos, size - pos);
    else
      pos += skipSubstream(bytes + pos, size - pos);
  }
}

namespace {

using Block = Worksheet::CellTable::RowBlock::CellBlock;

void setRK(SheetGrid& grid, std::uint32_t row, std::uint32_t column, RKValue value) {
  GridCell* cell = grid.cell(row, column);
  if (!cell) return;
  if (value.isInteger())
    cell->setInteger(value.integer());
  else
    cell->setReal(value.number());
}

void setString(SheetGrid& grid, const CellAddress& a, const UnicodeString& s) {
  if (s.empty()) return;  // an empty text leaves the cell Empty, and grows nothing
  GridCell* cell = grid.cell(a.row, a.column);
  if (!cell) return;
  if (s.wide)
    cell->setWideText(s.text16);
  else
    cell->setText(s.text8);
}

void applyCell(SheetGrid& grid, const Block& block, const Workbook& globals) {
  const Record* record = block.record();
  switch (block.code()) {
    case codes::kNumber: {
      const auto& r = static_cast<const Block::Number&>(*record);
      if (r.complete)
        if (GridCell* cell = grid.cell(r.address.row, r.address.column)) cell->setReal(r.value);
      break;
    }
    case codes::kRK: {
      const auto& r = static_cast<const Block::RK&>(*record);
      if (r.complete) setRK(grid, r.address.row, r.address.column, r.value);
      break;
    }
    case codes::kMulRK: {
      const auto& r = static_cast<const Block::MulRK&>(*record);
      for (std::size_t i = 0; i < r.entries.size(); ++i)
        setRK(grid, r.row, r.firstColumn + static_cast<std::uint32_t>(i), r.entries[i].value);
      break;
    }
    case codes::kBoolErr: {
      const auto& r = static_cast<const Block::BoolErr&>(*record);
      if (r.complete && r.errorFlag == 0)
        if (GridCell* cell = grid.cell(r.address.row, r.address.column)) cell->setInteger(r.value);
      break;
    }
    case codes::kLabelSST: {
      const auto& r = static_cast<const Block::LabelSST&>(*record);
      if (!r.complete) break;
      if (const UnicodeString* s = globals.sharedStrings.string(r.stringIndex)) setString(grid, r.address, *s);
      break;
    }
    case codes::kLabel:
    case codes::kRString: {
      const auto& r = static_cast<const Block::Label&>(*record);
      if (r.complete) setString(grid, r.address, r.text);
      break;
    }
    default: break;  // formulas and blanks give no value
  }
}

}  // namespace

// The grid is sized from DIMENSIONS; a value cell outside it (a file whose DIMENSIONS is short or
// missing) enlarges the grid, within the sheet limits of 65536 rows and 256 columns, so that no
// value that a writer stored is lost. Cells beyond the limits are dropped.
SheetGrid buildSheetGrid(const Worksheet& sheet, const Workbook& globals) {
  SheetGrid grid;
  if (sheet.hasDimensions) grid = SheetGrid(sheet.dimensions.lastRowPlus1(), sheet.dimensions.lastColumnPlus1());
  for (const auto& rowBlock : sheet.cellTable.rowBlocks)
    for (const auto& block : rowBlock.cells) applyCell(grid, block, globals);
  return grid;
}

}  // namespace Bivex

void WorkbookFile::reset() {
  document_.close();
  globals_ = Bivex::Workbook();
  worksheets_.clear();
  sheets_.clear();
}

bool WorkbookFile::load(const std::string& path) {
  reset();
  return document_.open(path) && readDocument();
}

bool WorkbookFile::loadBytes(std::vector<std::uint8_t> bytes) {
  reset();
  return document_.openBytes(std::move(bytes)) && readDocument();
}

bool WorkbookFile::readDocument() {
  {
    std::vector<std::uint8_t> stream;  // released before the grids are built
    document_.readStream("Workbook", stream);
    Bivex::readWorkbookStream(stream, globals_, worksheets_);
  }
  sheets_.reserve(worksheets_.size());
  for (const auto& sheet : worksheets_) sheets_.push_back(Bivex::buildSheetGrid(sheet, globals_));
  return true;
}
