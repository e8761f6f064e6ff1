#include "workbook/sheet_grid.h"

#include <algorithm>
#include <utility>

GridCell::GridCell(const GridCell& other) { copyFrom(other); }

GridCell::GridCell(GridCell&& other) noexcept : value_(other.value_), kind_(other.kind_) {
  other.kind_ = CellKind::Empty;
}

GridCell& GridCell::operator=(const GridCell& other) {
  if (this != &other) {
    clear();
    copyFrom(other);
  }
  return *this;
}

GridCell& GridCell::operator=(GridCell&& other) noexcept {
  if (this != &other) {
    clear();
    value_ = other.value_;
    kind_ = other.kind_;
    other.kind_ = CellKind::Empty;
  }
  return *this;
}

GridCell::~GridCell() { clear(); }

void GridCell::copyFrom(const GridCell& other) {
  kind_ = other.kind_;
  switch (other.kind_) {
    case CellKind::Text: value_.text = new std::string(*other.value_.text); break;
    case CellKind::WideText: value_.wide = new std::u16string(*other.value_.wide); break;
    default: value_ = other.value_; break;
  }
}

void GridCell::clear() {
  if (kind_ == CellKind::Text) delete value_.text;
  if (kind_ == CellKind::WideText) delete value_.wide;
  kind_ = CellKind::Empty;
  value_.real = 0.0;
}

void GridCell::setInteger(std::int32_t v) {
  clear();
  value_.integer = v;
  kind_ = CellKind::Integer;
}

void GridCell::setReal(double v) {
  clear();
  value_.real = v;
  kind_ = CellKind::Real;
}

void GridCell::setText(std::string_view t) {
  clear();
  if (t.empty()) return;
  value_.text = new std::string(t);
  kind_ = CellKind::Text;
}

void GridCell::setWideText(std::u16string_view t) {
  clear();
  if (t.empty()) return;
  value_.wide = new std::u16string(t);
  kind_ = CellKind::WideText;
}

SheetGrid::SheetGrid(std::uint32_t rows, std::uint32_t columns)
    : rowCount_(std::min(rows, kMaxRows)),
      columnCount_(std::min(columns, kMaxColumns)),
      rows_(rowCount_) {}

GridCell* SheetGrid::cell(std::uint32_t row, std::uint32_t column) {
  if (row >= kMaxRows || column >= kMaxColumns) return nullptr;
  if (column >= columnCount_) {
    columnCount_ = column + 1;
    for (auto& r : rows_)
      if (!r.empty()) r.resize(columnCount_);
  }
  if (row >= rowCount_) {
    rowCount_ = row + 1;
    rows_.resize(rowCount_);
  }
  auto& cells = rows_[row];
  if (cells.size() < columnCount_) cells.resize(columnCount_);
  return &cells[column];
}

const GridCell& SheetGrid::at(std::uint32_t row, std::uint32_t column) const {
  static const GridCell kEmpty;
  if (row >= rowCount_ || column >= columnCount_) return kEmpty;
  const auto& cells = rows_[row];
  return column < cells.size() ? cells[column] : kEmpty;
}
