#include "data/trial_file.h"

#include <algorithm>
#include <cctype>

#include "data/csv_grid.h"
#include "workbook/workbook_file.h"

bool isCsvPath(const std::string& path) {
  auto dot = path.find_last_of('.');
  if (dot == std::string::npos || path.find_first_of("/\\", dot) != std::string::npos) return false;
  std::string ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext == "csv" || ext == "tsv" || ext == "txt";
}

std::optional<SheetGrid> loadFirstSheet(const std::string& path) {
  if (isCsvPath(path)) return readCsvGrid(path);
  WorkbookFile workbook;
  workbook.load(path);
  if (workbook.sheetCount() == 0) return std::nullopt;
  return workbook.takeSheet(0);
}

std::optional<std::string> loadTrialFile(const std::string& path, TrialData& out) {
  auto grid = loadFirstSheet(path);
  if (!grid) return std::string(messages::kDataError);
  return buildTrialData(*grid, out);
}
