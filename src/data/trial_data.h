// The trial data set: the header rules that select the model and the conversion of a cell grid.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "workbook/sheet_grid.h"

enum class ModelKind : std::int32_t { None = 0, ModelIII = 1, ModelII = 2, ModelI = 3 };

inline int factorCountOf(ModelKind kind) { return static_cast<int>(kind) + 1; }
// "Model III", "Model II", "Model I" (empty for None).
const char* modelName(ModelKind kind);

inline constexpr int kMaxColumnNames = 25;

struct TrialData {
  TrialData();

  std::array<std::string, kMaxColumnNames> columnNames;
  ModelKind modelKind = ModelKind::None;
  std::vector<std::vector<std::int32_t>> factorCodes;  // factorCount columns, observationCount codes each
  std::vector<std::vector<double>> traitValues;        // traitCount columns
  std::int32_t observationCount = 0;
  std::int32_t traitCount = 0;
  std::vector<std::vector<std::int32_t>> factorLevels;  // per factor, its distinct codes ascending
  std::array<std::int32_t, 4> factorLevelCounts{};
  // The used area of the sheet (header row included), which sizes the preview's view.
  std::int32_t usedRows = 0;
  std::int32_t usedColumns = 0;

  int factorCount() const { return modelKind == ModelKind::None ? 0 : factorCountOf(modelKind); }
};

// Message texts of the data input, shown to the user as they stand.
namespace messages {
inline constexpr const char* kDataError = "Data Error!";
inline constexpr const char* kFactorNames = " Data Error With Factor Names!\n";
inline constexpr const char* kTraitName = "Trait Name Error!\n";
inline constexpr const char* kCellError = "Data Error!\n";
}  // namespace messages

// Checks the grid of a trial's first worksheet and converts it. On success `out` is replaced as a
// whole and nothing is returned; on the first violated rule `out` is left untouched and the rule's
// message text is returned.
std::optional<std::string> buildTrialData(const SheetGrid& grid, TrialData& out);
