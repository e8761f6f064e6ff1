#include "analysis/report_text.h"

#include <cstdio>
#include <string>

namespace {

const std::string kFrameBlank(83, ' ');

}  // namespace

void ReportText::print(const char* format, ...) {
  char buf[512];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  if (n < 0) return;
  if (static_cast<std::size_t>(n) < sizeof buf) {
    text_.append(buf, static_cast<std::size_t>(n));
    return;
  }
  std::string big(static_cast<std::size_t>(n) + 1, '\0');
  va_start(args, format);
  std::vsnprintf(big.data(), big.size(), format, args);
  va_end(args);
  big.resize(static_cast<std::size_t>(n));
  text_ += big;
}

std::string timeText(std::int64_t t) {
  std::time_t when = static_cast<std::time_t>(t);
  char buf[64];
  struct tm local;
  if (!localtime_r(&when, &local) || !asctime_r(&local, buf)) return std::string(24, '?');
  return std::string(buf).substr(0, 24);
}

void writeFixedBanner(ReportText& out, const char* equationLine, std::int64_t startTime) {
  const std::string stars(85, '*');
  out.append("\r\n                         Analysis of the Genetic Model for NC Design II: \r\n");
  out.append(equationLine);
  out.append("   " + stars + " \r\n");
  out.append("   *" + kFrameBlank + "* \r\n");
  out.append("   *  Result for the fixed model.                             ");
  out.append(timeText(startTime));
  out.append(" *\r\n   *" + kFrameBlank + "* \r\n");
  out.append("   " + stars + " \r\n\r\n\r\n");
}

void writeRandomBanner(ReportText& out, std::int64_t startTime) {
  const std::string stars(85, '*');
  out.append("   " + stars + "\r\n");
  out.append("   *" + kFrameBlank + "*\r\n");
  out.append("   *  Result for the random effect model.                     ");
  out.append(timeText(startTime));
  out.append(" *\r\n   *" + kFrameBlank + "*\r\n");
  out.append("   " + stars + "\r\n\r\n\r\n");
}

void writeEqualsRule(ReportText& out) { out.append("   " + std::string(85, '=') + "\r\n"); }

void writeClosingRule(ReportText& out) { out.append("   " + std::string(85, '=') + "\r\n\r\n"); }

void writeHyphenRule(ReportText& out) { out.append("   " + std::string(85, '-') + "\r\n"); }

namespace {

void writeTestHeader(ReportText& out) {
  writeEqualsRule(out);
  out.append("      Source             DF     Sum of Squares     Mean Squares     F Value     Pr>F      \r\n");
  writeHyphenRule(out);
}

}  // namespace

void writeModelTestTable(ReportText& out, int trait, const ModelTestRow& row) {
  out.print("   Testing the model for trait %d:\r\n", trait);
  writeTestHeader(out);
  out.print("      Model          %6d   %14.4f     %14.4f  %10.4f%10.4f\r\n", row.dfModel, row.ssModel, row.msModel,
            row.f, row.probability);
  out.print("      Error          %6d   %14.4f     %14.4f\r\n", row.dfError, row.ssError, row.msError);
  out.print("      Total          %6d   %14.4f\r\n", row.dfTotal, row.ssTotal);
  writeClosingRule(out);
}

void writeFactorTestTable(ReportText& out, int trait, const std::vector<FactorTestRow>& rows) {
  out.print("   Testing factors for trait %d:\r\n", trait);
  writeTestHeader(out);
  for (const auto& r : rows)
    out.print("      %-15s%6d   %14.4f     %14.4f  %10.4f%10.4f\r\n", r.label.c_str(), r.df, r.ss, r.ms, r.f,
              r.probability);
  writeClosingRule(out);
}

void writeEstimateTable(ReportText& out, int trait, const std::vector<EstimateRow>& rows) {
  out.print("   Parameter estimates for trait %d:\r\n", trait);
  writeEqualsRule(out);
  out.append("      Parameter               Estimate       Std Error       T for H0:         Pr>|T|   \r\n");
  out.append("                                                            Parameter=0                \r\n");
  writeHyphenRule(out);
  for (const auto& r : rows)
    out.print("      %-17s %14.4f  %14.4f   %14.4f  %12.4f\r\n", r.label.c_str(), r.estimate, r.stdError, r.t,
              r.probability);
  writeClosingRule(out);
}

std::string pairwiseCell(double t, double probability) {
  const char* format = probability < 0.01 ? "%13.4f**" : probability > 0.05 ? "%13.4f  " : "%13.4f* ";
  char buf[64];
  std::snprintf(buf, sizeof buf, format, t);
  return buf;
}

void writePairwiseBlockHead(ReportText& out, const char* titleFormat, int trait, int block, int width,
                            const std::vector<std::string>& labels, int firstColumn) {
  out.print(titleFormat, trait, block);
  out.append("   ===============");
  for (int k = 0; k < width; ++k) out.append("===============");
  out.append("   \r\n");
  out.append("                  ");
  for (int k = 0; k < width; ++k) out.print(" %12s  ", labels[firstColumn + k].c_str());
  out.append("\r\n   ---------------");
  for (int k = 0; k < width; ++k) out.append("---------------");
  out.append("\r\n");
}

void writePairwiseBlockFoot(ReportText& out, int width) {
  out.append("   ===============");
  for (int k = 0; k < width; ++k) out.append("===============");
  out.append("   \r\n   *p<0.05, **p<0.01\r\n\r\n\r\n");
}

void writeVarianceTable(ReportText& out, int trait, const VarianceTable& table) {
  out.print("   Estimates of variance components and heritabilites for trait %d:\r\n", trait);
  writeEqualsRule(out);
  out.append("      Parameter            Estimate           Std Error        F For H0:        Pr > F   \r\n");
  out.append("                                                              Parameter=0  \r\n");
  writeHyphenRule(out);
  for (const auto& [format, row] : table.components)
    out.print(format, row.estimate, row.stdError, row.f, row.probability);
  out.print("      Sigma_E       %14.4f      %14.4f\r\n\r\n", table.sigmaE, table.sigmaEStdError);
  out.print("      Hi            %14.4f      %14.4f\r\n", table.hi, table.hiStdError);
  out.print("      Hf            %14.4f      %14.4f\r\n", table.hf, table.hfStdError);
  writeClosingRule(out);
}

void writeCorrelationMatrix(ReportText& out, const char* title, const std::vector<std::vector<double>>& r,
                            const std::vector<std::vector<double>>& se) {
  const int traits = static_cast<int>(r.size());
  const std::string rule = "==============";
  out.append(title);
  out.append("   ");
  for (int k = 0; k <= traits; ++k) out.append(rule);
  out.append("\r\n");
  out.append("       Trait     ");
  for (int k = 1; k <= traits; ++k) out.print("      %2d      ", k);
  out.append("\r\n   --------------");
  for (int k = 0; k < traits; ++k) out.append("--------------");
  out.append("\r\n");
  for (int row = 0; row < traits; ++row) {
    out.print("         %2d      ", row + 1);
    for (int c = 0; c < traits; ++c) {
      if (c == row) out.append("    1.0000    ");
      else out.print("    %6.4f    ", r[row][c]);
    }
    out.append("\r\n                 ");
    for (int c = 0; c < traits; ++c) {
      if (c == row) out.append("   (0.0000)   ");
      else out.print("   (%6.4f)   ", se[row][c]);
    }
    out.append("\r\n\r\n");
  }
  out.append("   ");
  for (int k = 0; k <= traits; ++k) out.append(rule);
  out.append("\r\n\r\n");
}
