// Reading a trial kept as CSV into a cell grid, so the data input's rules apply unchanged.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "workbook/sheet_grid.h"

// Parses CSV text: comma-separated (tab-separated when the first line has tabs and no commas),
// quoted fields with doubled quotes. An empty field is Empty, an integer that fits 32 bits is
// Integer, any other finite number in C notation is Real, anything else is 8-bit Text. Parsing
// does not depend on the process's locale. Returns nothing when the text exceeds the sheet limits.
std::optional<SheetGrid> parseCsvGrid(std::string_view text);

// Reads and parses a CSV file; nothing when it cannot be read.
std::optional<SheetGrid> readCsvGrid(const std::string& path);
