// The report's text: an in-memory buffer of printf-formatted pieces and the shared table layouts.
#pragma once

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

// Appends printf-formatted text. Numbers follow the C locale whatever the process's locale is.
class ReportText {
 public:
  void append(const std::string& s) { text_ += s; }
  void print(const char* format, ...) __attribute__((format(printf, 2, 3)));
  const std::string& str() const { return text_; }
  std::string& str() { return text_; }

 private:
  std::string text_;
};

// The first 24 characters of the C library's ctime text of `t`: date and time without the newline.
std::string timeText(std::int64_t t);

void writeFixedBanner(ReportText& out, const char* equationLine, std::int64_t startTime);
void writeRandomBanner(ReportText& out, std::int64_t startTime);

void writeEqualsRule(ReportText& out);
void writeClosingRule(ReportText& out);  // the equals rule followed by an empty line
void writeHyphenRule(ReportText& out);

struct ModelTestRow {
  int dfModel = 0;
  double ssModel = 0, msModel = 0, f = 0, probability = 0;
  int dfError = 0;
  double ssError = 0, msError = 0;
  int dfTotal = 0;
  double ssTotal = 0;
};
void writeModelTestTable(ReportText& out, int trait, const ModelTestRow& row);

struct FactorTestRow {
  std::string label;
  int df = 0;
  double ss = 0, ms = 0, f = 0, probability = 0;
};
void writeFactorTestTable(ReportText& out, int trait, const std::vector<FactorTestRow>& rows);

struct EstimateRow {
  std::string label;
  double estimate = 0, stdError = 0, t = 0, probability = 0;
};
void writeEstimateTable(ReportText& out, int trait, const std::vector<EstimateRow>& rows);

// The cell of a pairwise T-value table, formatted by its probability: two stars below 0.01,
// one from 0.01 to 0.05 inclusive, none above.
std::string pairwiseCell(double t, double probability);

// The lower triangle of the pairwise tests of one group of G levels, in blocks of at most eight
// columns. `titleFormat` takes the trait number and the block number; cell(i, j) gives the
// formatted cell of row level i and column level j < i.
template <typename CellFn>
void writePairwiseTables(ReportText& out, const char* titleFormat, int trait, const std::vector<std::string>& labels,
                         CellFn cell);

struct VarianceComponentRow {
  double estimate = 0, stdError = 0, f = 0, probability = 0;
};
struct VarianceTable {
  std::vector<std::pair<const char*, VarianceComponentRow>> components;  // row format, values
  double sigmaE = 0, sigmaEStdError = 0;
  double hi = 0, hiStdError = 0, hf = 0, hfStdError = 0;
};
void writeVarianceTable(ReportText& out, int trait, const VarianceTable& table);

// A genetic correlation matrix over all traits; r and se are T x T, their diagonals unused.
void writeCorrelationMatrix(ReportText& out, const char* title, const std::vector<std::vector<double>>& r,
                            const std::vector<std::vector<double>>& se);

namespace report {
inline constexpr const char* kSigmaM = "      Sigma_M       %14.4f      %14.4f      %10.4f     %10.4f\r\n";
inline constexpr const char* kSigmaF = "      Sigma_F       %14.4f      %14.4f      %10.4f     %10.4f\r\n";
inline constexpr const char* kSigmaMF = "      Sigma_MF      %14.4f      %14.4f      %10.4f     %10.4f\r\n";
inline constexpr const char* kMaleCorrelation = "   Genetic correlation matrix of male effects with std. in brackets\r\n";
inline constexpr const char* kFemaleCorrelation =
    "   Genetic correlation matrix of female effects with std. in brackets\r\n";
inline constexpr const char* kCrossCorrelation =
    "   Genetic correlation matrix of male x female effects with std. in brackets\r\n";
}  // namespace report

// ---- template definition ----

void writePairwiseBlockHead(ReportText& out, const char* titleFormat, int trait, int block, int width,
                            const std::vector<std::string>& labels, int firstColumn);
void writePairwiseBlockFoot(ReportText& out, int width);

template <typename CellFn>
void writePairwiseTables(ReportText& out, const char* titleFormat, int trait, const std::vector<std::string>& labels,
                         CellFn cell) {
  const int levels = static_cast<int>(labels.size());
  const int fullBlocks = levels > 0 ? (levels - 1) / 8 : 0;
  for (int block = 0; block <= fullBlocks; ++block) {
    const int first = 8 * block;
    const int width = block < fullBlocks ? 8 : std::max(0, levels - 1 - first);
    writePairwiseBlockHead(out, titleFormat, trait, block + 1, width, labels, first);
    for (int i = first + 1; i < levels; ++i) {
      out.print("      %-12s", labels[i].c_str());
      for (int j = first; j < std::min(first + width, i); ++j) out.append(cell(i, j));
      out.append("\r\n");
    }
    writePairwiseBlockFoot(out, width);
  }
}
