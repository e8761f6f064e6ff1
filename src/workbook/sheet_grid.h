// The typed cells of one worksheet, as the data input reads them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class CellKind : std::int32_t { Empty = 0, Integer = 1, Real = 2, Text = 3, WideText = 4 };

// One cell. 16 bytes: the value, or a pointer to a text kept out of line, plus the kind.
class GridCell {
 public:
  GridCell() = default;
  GridCell(const GridCell& other);
  GridCell(GridCell&& other) noexcept;
  GridCell& operator=(const GridCell& other);
  GridCell& operator=(GridCell&& other) noexcept;
  ~GridCell();

  CellKind kind() const { return kind_; }
  std::int32_t intValue() const { return kind_ == CellKind::Integer ? value_.integer : 0; }
  double realValue() const { return kind_ == CellKind::Real ? value_.real : 0.0; }
  // The 8-bit text, or nullptr when the cell holds none (16-bit texts included); callers treat
  // nullptr as the empty text.
  const char* text() const { return kind_ == CellKind::Text ? value_.text->c_str() : nullptr; }
  const char16_t* wideText() const {
    return kind_ == CellKind::WideText ? value_.wide->c_str() : nullptr;
  }

  void setInteger(std::int32_t v);
  void setReal(double v);
  // An empty text leaves the cell Empty; storing one width of text drops the other.
  void setText(std::string_view t);
  void setWideText(std::u16string_view t);
  void clear();

 private:
  void copyFrom(const GridCell& other);
  union Value {
    std::int32_t integer;
    double real;
    std::string* text;
    std::u16string* wide;
  };
  Value value_{.real = 0.0};
  CellKind kind_ = CellKind::Empty;
};

// A rectangular grid of cells, row 0 / column 0 being the sheet's first row and column.
// Rows are materialised when a cell of theirs is first asked for to be changed, so a grid whose
// declared extent is far larger than its content costs memory in proportion to the content.
class SheetGrid {
 public:
  static constexpr std::uint32_t kMaxRows = 65536;
  static constexpr std::uint32_t kMaxColumns = 256;

  SheetGrid() = default;
  // A grid of the given size (clamped to the sheet limits), all cells Empty.
  SheetGrid(std::uint32_t rows, std::uint32_t columns);

  std::uint32_t rowCount() const { return rowCount_; }
  std::uint32_t columnCount() const { return columnCount_; }

  // The cell at (row, column), growing the grid to include it; nullptr beyond the sheet limits.
  GridCell* cell(std::uint32_t row, std::uint32_t column);
  // Read-only view of a cell inside the grid; cells never written (or outside) read as Empty.
  const GridCell& at(std::uint32_t row, std::uint32_t column) const;

 private:
  std::uint32_t rowCount_ = 0;
  std::uint32_t columnCount_ = 0;
  std::vector<std::vector<GridCell>> rows_;  // rowCount_ entries; empty until materialised
};
