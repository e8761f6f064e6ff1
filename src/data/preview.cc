#include "data/preview.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace {

const char* modelEquation(ModelKind kind) {
  switch (kind) {
    case ModelKind::ModelIII: return "\r\n   yijk = u + Mi + Fj + (MF)ij + eijk. \r\n\r\n";
    case ModelKind::ModelII: return "\r\n   yijkl = u + Bi + Mj + Fk +(MF)jk + eijkl. \r\n\r\n";
    case ModelKind::ModelI:
      return "\r\n   yijklm = u + Si + SBij + Mk + Fl + (MF)kl + SMik + SFil + (SMF)ikl + (SBMF)ijkl + eijklm. "
             "\r\n\r\n";
    default: return "";
  }
}

// Numbers are formatted with the conversions of the "C" locale whatever the process locale is,
// so that the preview reads "12.5000" on every desktop.
std::string integerText(std::int32_t value) {
  char buf[16];
  auto end = std::to_chars(buf, buf + sizeof buf, value).ptr;
  return std::string(buf, end);
}

std::string fixedText(double value) {
  char buf[400];  // the widest double in fixed notation with 4 decimals needs 315 characters
  auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 4);
  return std::string(buf, result.ptr);
}

// `text` right-aligned in `width` characters, or its first `width` characters when it is longer.
std::string rightAligned(const std::string& text, std::size_t width) {
  if (text.size() >= width) return text.substr(0, width);
  return std::string(width - text.size(), ' ') + text;
}

void appendFactorLevels(std::string& out, const TrialData& data) {
  for (int k = 0; k < data.factorCount(); ++k) {
    out += "   " + data.columnNames[k] + ": ";
    const auto& levels = data.factorLevels[k];
    for (std::int32_t i = 0; i < data.factorLevelCounts[k] && i < static_cast<std::int32_t>(levels.size()); ++i)
      out += integerText(levels[i]) + " ";
    out += "\r\n";
  }
}

void appendHeading(std::string& out, const TrialData& data) {
  const int factors = data.factorCount();
  for (int c = 0; c < factors; ++c) out += "   " + data.columnNames[c];
  for (int t = 0; t < data.traitCount && factors + t < kMaxColumnNames; ++t)
    out += rightAligned(data.columnNames[factors + t], 18);
  out += "\r\n";
}

void appendObservations(std::string& out, const TrialData& data) {
  for (std::int32_t i = 0; i < data.observationCount; ++i) {
    for (const auto& codes : data.factorCodes) out += rightAligned(integerText(codes[i]), 8);
    out += "  ";
    for (const auto& values : data.traitValues) out += rightAligned(fixedText(values[i]) + "  ", 18);
    out += "\r\n";
  }
}

}  // namespace

std::string previewText(const TrialData& data) {
  std::string out = "\r\n   The data can be analyzed with the following model: \r\n";
  out += modelEquation(data.modelKind);
  out += "   Factor Levels:\r\n\r\n";
  appendFactorLevels(out, data);
  out += "\r\n\r\n";
  out += "   Individual data: \r\n\r\n\r\n";
  out += "\r\n";
  appendHeading(out, data);
  appendObservations(out, data);
  return out;
}

bool writePreviewFile(const TrialData& data, const std::string& path) {
  const std::string text = previewText(data);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written;
}
