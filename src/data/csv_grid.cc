#include "data/csv_grid.h"

#include <charconv>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ')) s.remove_suffix(1);
  return s;
}

void storeField(GridCell& cell, std::string_view field) {
  std::string_view s = trimmed(field);
  if (s.empty()) {
    if (!field.empty()) cell.setText(field);
    return;
  }
  std::string_view number = s.front() == '+' ? s.substr(1) : s;
  std::int32_t integer = 0;
  auto [iend, ierr] = std::from_chars(number.data(), number.data() + number.size(), integer);
  if (ierr == std::errc() && iend == number.data() + number.size()) {
    cell.setInteger(integer);
    return;
  }
  double real = 0.0;
  const bool startsLikeNumber = !number.empty() && (std::isdigit(static_cast<unsigned char>(number[0])) ||
                                                    number[0] == '-' || number[0] == '.');
  auto [rend, rerr] = std::from_chars(number.data(), number.data() + number.size(), real);
  if (startsLikeNumber && rerr == std::errc() && rend == number.data() + number.size() && std::isfinite(real)) {
    cell.setReal(real);
    return;
  }
  cell.setText(field);
}

char detectSeparator(std::string_view text) {
  std::string_view firstLine = text.substr(0, text.find_first_of("\r\n"));
  bool tab = firstLine.find('\t') != std::string_view::npos;
  bool comma = firstLine.find(',') != std::string_view::npos;
  return tab && !comma ? '\t' : ',';
}

}  // namespace

std::optional<SheetGrid> parseCsvGrid(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  const char sep = detectSeparator(text);
  SheetGrid grid;
  std::uint32_t row = 0, column = 0;
  std::string field;
  bool quoted = false, fieldStarted = false, rowStarted = false;
  auto endField = [&]() -> bool {
    if (!field.empty()) {
      GridCell* cell = grid.cell(row, column);
      if (!cell) return false;
      storeField(*cell, field);
    } else if (!grid.cell(row, column)) {
      return false;
    }
    field.clear();
    fieldStarted = false;
    ++column;
    return true;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    char ch = text[i];
    if (quoted) {
      if (ch == '"') {
        if (i + 1 < text.size() && text[i + 1] == '"') {
          field += '"';
          ++i;
        } else {
          quoted = false;
        }
      } else {
        field += ch;
      }
      continue;
    }
    if (ch == '"' && !fieldStarted) {
      quoted = fieldStarted = rowStarted = true;
    } else if (ch == sep) {
      rowStarted = true;
      if (!endField()) return std::nullopt;
    } else if (ch == '\r' || ch == '\n') {
      if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      if (!endField()) return std::nullopt;
      ++row;
      column = 0;
      rowStarted = false;
    } else {
      field += ch;
      fieldStarted = rowStarted = true;
    }
  }
  if (rowStarted || fieldStarted || !field.empty()) {
    if (!endField()) return std::nullopt;
  }
  return grid;
}

std::optional<SheetGrid> readCsvGrid(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return parseCsvGrid(text);
}
