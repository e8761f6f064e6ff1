// Loading a trial from a file: CSV by its extension, otherwise an .xls workbook's first worksheet.
#pragma once

#include <optional>
#include <string>

#include "data/trial_data.h"
#include "workbook/sheet_grid.h"

// True when the path names a CSV (or tab-separated) text file by its extension.
bool isCsvPath(const std::string& path);

// The grid of the trial's first sheet, or nothing when the file cannot be read as a trial file.
std::optional<SheetGrid> loadFirstSheet(const std::string& path);

// Loads the file and converts its first sheet; on failure returns the message text and leaves
// `out` untouched ("Data Error!" for a file that cannot be loaded or has no worksheet).
std::optional<std::string> loadTrialFile(const std::string& path, TrialData& out);
