#include "data/trial_data.h"

#include <utility>

#include "data/text_format.h"
#include "kernels/levels.h"

namespace {

struct HeaderModel {
  ModelKind kind;
  std::vector<const char*> names;
};

const std::vector<HeaderModel>& headerModels() {
  static const std::vector<HeaderModel> models = {
      {ModelKind::ModelIII, {"Male", "Female", "Trait1"}},
      {ModelKind::ModelII, {"Block", "Male", "Female", "Trait1"}},
      {ModelKind::ModelI, {"Site", "Block", "Male", "Female", "Trait1"}},
  };
  return models;
}

bool isNumeric(const GridCell& cell) {
  return cell.kind() == CellKind::Integer || cell.kind() == CellKind::Real;
}

// The used area ends at the last numeric cell in row-major order.
bool findUsedArea(const SheetGrid& grid, int& usedRows, int& usedColumns) {
  bool found = false;
  for (std::uint32_t r = 0; r < grid.rowCount(); ++r)
    for (std::uint32_t c = 0; c < grid.columnCount(); ++c)
      if (isNumeric(grid.at(r, c))) {
        usedRows = static_cast<int>(r) + 1;
        usedColumns = static_cast<int>(c) + 1;
        found = true;
      }
  return found;
}

// A header name as 8-bit text. Some writers store every text with 16-bit characters, "Male"
// included; such a name reads as its 8-bit text when every character fits in 8 bits, so the
// workbook is not refused for how its strings happen to be stored.
std::string headerName(const GridCell& cell) {
  if (const char* text = cell.text()) return text;
  std::string narrow;
  if (const char16_t* wide = cell.wideText()) {
    for (; *wide; ++wide) {
      if (*wide > 0xFF) return {};
      narrow += static_cast<char>(*wide);
    }
  }
  return narrow;
}

ModelKind recogniseModel(const TrialData& data, int usedColumns) {
  for (const auto& model : headerModels()) {
    bool match = static_cast<int>(model.names.size()) <= usedColumns;
    for (std::size_t c = 0; match && c < model.names.size(); ++c)
      match = data.columnNames[c] == model.names[c];
    if (match) return model.kind;
  }
  return ModelKind::None;
}

std::optional<std::string> checkTraitNames(const TrialData& data, int usedColumns) {
  const int factors = data.factorCount();
  for (int c = factors; c < usedColumns; ++c) {
    if (data.columnNames[c] != formatted("Trait%d", c - factors + 1))
      return std::string(messages::kTraitName) + formatted(" At Row 1 Col %d ", c + 1);
  }
  return std::nullopt;
}

std::optional<std::string> convertCells(const SheetGrid& grid, TrialData& data, int usedRows, int usedColumns) {
  const int factors = data.factorCount();
  const int observations = usedRows - 1;
  data.factorCodes.assign(factors, std::vector<std::int32_t>(observations));
  data.traitValues.assign(usedColumns - factors, std::vector<double>(observations));
  for (int r = 1; r < usedRows; ++r) {
    for (int c = 0; c < usedColumns; ++c) {
      const GridCell& cell = grid.at(r, c);
      const bool integer = cell.kind() == CellKind::Integer;
      if (!integer && cell.kind() != CellKind::Real) {
        const char* position = c < factors ? " At Row %d Col %d " : "Row %d Col %d ";
        return std::string(messages::kCellError) + formatted(position, r + 1, c + 1);
      }
      if (c < factors) {
        // Real factor codes are truncated toward zero; out-of-range values saturate.
        double v = cell.realValue();
        std::int32_t code = integer ? cell.intValue()
                            : v >= 2147483647.0 ? INT32_MAX
                            : v <= -2147483648.0 ? INT32_MIN
                            : v != v ? 0 : static_cast<std::int32_t>(v);
        data.factorCodes[c][r - 1] = code;
      } else {
        data.traitValues[c - factors][r - 1] = integer ? cell.intValue() : cell.realValue();
      }
    }
  }
  return std::nullopt;
}

}  // namespace

const char* modelName(ModelKind kind) {
  switch (kind) {
    case ModelKind::ModelIII: return "Model III";
    case ModelKind::ModelII: return "Model II";
    case ModelKind::ModelI: return "Model I";
    default: return "";
  }
}

TrialData::TrialData() {
  columnNames[0] = "Block0";
  columnNames[1] = "Male0";
  columnNames[2] = "Female0";
  columnNames[3] = "Repeat0";
}

std::optional<std::string> buildTrialData(const SheetGrid& grid, TrialData& out) {
  if (grid.rowCount() < 2 || grid.columnCount() < 3 || grid.columnCount() > 25) return messages::kDataError;
  int usedRows = 0, usedColumns = 0;
  if (!findUsedArea(grid, usedRows, usedColumns)) return messages::kDataError;
  if (usedRows < 5 || usedColumns < 3 || usedColumns > 25) return messages::kDataError;

  TrialData data;
  for (int c = 0; c < usedColumns; ++c) data.columnNames[c] = headerName(grid.at(0, c));
  data.modelKind = recogniseModel(data, usedColumns);
  if (data.modelKind == ModelKind::None) return messages::kFactorNames;
  if (auto error = checkTraitNames(data, usedColumns)) return error;
  if (auto error = convertCells(grid, data, usedRows, usedColumns)) return error;

  data.observationCount = usedRows - 1;
  data.traitCount = usedColumns - data.factorCount();
  data.usedRows = usedRows;
  data.usedColumns = usedColumns;
  data.factorLevels.resize(data.factorCount());
  for (int k = 0; k < data.factorCount(); ++k) {
    data.factorLevels[k] = distinctLevels(data.factorCodes[k]);
    data.factorLevelCounts[k] = static_cast<std::int32_t>(data.factorLevels[k].size());
  }
  out = std::move(data);
  return std::nullopt;
}
