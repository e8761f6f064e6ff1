#include "workbook/workbook_file.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "data/trial_file.h"
#include "support/json.h"
#include "support/xls_builder.h"

namespace {

namespace fs = std::filesystem;
using xls::Bytes;

const std::string kFixtures = std::string(PEDIVAR_FIXTURES) + "/xls/";

// What the grid must hold at one position, derived from the record that stores the cell: formula
// and error cells and blanks read Empty; RK integers without the hundredths flag read Integer.
struct Expected {
  CellKind kind = CellKind::Empty;
  bool valueKnown = true;
  double number = 0.0;
  std::string text8;
  std::u16string text16;
};

Expected expectedCell(const json::Value& cell) {
  Expected e;
  const std::string rec = cell.text("rec");
  const std::string type = cell.text("t");
  const json::Value& v = cell["v"];
  e.valueKnown = !cell["t"].isNull();
  if (rec == "RK" || rec == "MULRK" || rec == "NUMBER") {
    e.kind = rec != "NUMBER" && cell.text("enc") == "RK-int" ? CellKind::Integer : CellKind::Real;
    e.number = v.number;
  } else if (rec == "BOOLERR") {
    if (type == "boolean") {
      e.kind = CellKind::Integer;
      e.number = v.boolean ? 1 : 0;
    }
    if (!e.valueKnown) e.kind = CellKind::Integer;  // checked for its kind only when a Boolean is possible
  } else if (rec == "LABELSST" || rec == "LABEL" || rec == "RSTRING") {
    const bool wide = cell["str16"].boolean;
    if (e.valueKnown && v.string.empty()) return e;
    e.kind = wide ? CellKind::WideText : CellKind::Text;
    if (wide)
      e.text16 = json::utf16(v.string);
    else
      e.text8 = json::latin1(v.string);
  }
  return e;
}

// Compares the grid with the expected cells and counts every other non-empty cell as a mismatch.
std::vector<std::string> compareCells(const SheetGrid& grid, const json::Value& cells) {
  std::vector<std::string> problems;
  std::size_t expectedFilled = 0;
  for (const json::Value& cell : cells.array) {
    const auto r = static_cast<std::uint32_t>(cell["r"].number), c = static_cast<std::uint32_t>(cell["c"].number);
    const Expected e = expectedCell(cell);
    const GridCell& got = grid.at(r, c);
    const std::string where = "(" + std::to_string(r) + "," + std::to_string(c) + ") " + cell.text("rec") + ": ";
    if (e.kind == CellKind::Empty) {
      if (got.kind() != CellKind::Empty) problems.push_back(where + "should be empty");
      continue;
    }
    ++expectedFilled;
    if (cell.text("rec") == "BOOLERR" && !e.valueKnown) {
      if (got.kind() != CellKind::Empty) --expectedFilled;
      else problems.push_back(where + "(Boolean or error) is not checked");
      continue;
    }
    if (got.kind() != e.kind) {
      problems.push_back(where + "kind " + std::to_string(static_cast<int>(got.kind())) + " instead of " +
                         std::to_string(static_cast<int>(e.kind)));
      continue;
    }
    if (!e.valueKnown) continue;
    const bool same = e.kind == CellKind::Integer ? got.intValue() == e.number
                      : e.kind == CellKind::Real  ? got.realValue() == e.number
                      : e.kind == CellKind::Text  ? got.text() == e.text8
                                                  : got.wideText() == e.text16;
    if (!same) problems.push_back(where + "different value");
  }
  std::size_t filled = 0;
  for (std::uint32_t r = 0; r < grid.rowCount(); ++r)
    for (std::uint32_t c = 0; c < grid.columnCount(); ++c) filled += grid.at(r, c).kind() != CellKind::Empty;
  if (filled != expectedFilled)
    problems.push_back(std::to_string(filled) + " cells hold values, expected " + std::to_string(expectedFilled));
  return problems;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string out;
  for (std::size_t i = 0; i < lines.size() && i < 10; ++i) out += lines[i] + "\n";
  return out;
}

TEST(WorkbookFileTest, WritersFilesHoldTheExpectedCellsInTheirFirstWorksheet) {
  auto manifest = json::parseFile(kFixtures + "expected_cells.json");
  ASSERT_TRUE(manifest);
  const auto& files = (*manifest)["files"].array;
  EXPECT_GE(files.size(), 38u);
  for (const json::Value& file : files) {
    WorkbookFile workbook;
    const std::string path = kFixtures + file.text("path");
    ASSERT_TRUE(workbook.load(path)) << path;
    ASSERT_GE(workbook.sheetCount(), 1u) << path;
    EXPECT_EQ(joined(compareCells(workbook.sheet(0), file["cells"])), "") << path;
  }
}

TEST(WorkbookFileTest, MultiSheetWorkbooksKeepTheirWorksheetsInStreamOrder) {
  for (const char* file : {"gnumeric/multi_chartfirst.xls", "gnumeric/multi_embedded_chart.xls",
                           "libreoffice/multi_embedded_chart.xls", "xlwt/multi_sheet.xls", "sheetjs/multi_sheet.xls"}) {
    WorkbookFile workbook;
    ASSERT_TRUE(workbook.load(kFixtures + file));
    ASSERT_EQ(workbook.sheetCount(), 2u) << file;
    EXPECT_EQ(workbook.sheet(0).rowCount() >= 13, true) << file;
    EXPECT_GT(workbook.sheet(1).rowCount(), 0u) << file;
  }
}

std::string trialOf(const std::string& fileName) {
  std::string stem = fs::path(fileName).stem().string();
  for (const char* suffix : {"_dsf", "_default", "_forced16"})
    if (stem.size() > std::string(suffix).size() && stem.ends_with(suffix)) stem.resize(stem.size() - std::string(suffix).size());
  return stem;
}

void expectSameTrial(const TrialData& a, const TrialData& b, const std::string& what) {
  EXPECT_EQ(a.modelKind, b.modelKind) << what;
  EXPECT_EQ(a.observationCount, b.observationCount) << what;
  EXPECT_EQ(a.traitCount, b.traitCount) << what;
  EXPECT_EQ(a.factorCodes, b.factorCodes) << what;
  EXPECT_EQ(a.traitValues, b.traitValues) << what;
  EXPECT_EQ(a.factorLevels, b.factorLevels) << what;
  EXPECT_EQ(a.factorLevelCounts, b.factorLevelCounts) << what;
  for (int c = 0; c < a.usedColumns; ++c) EXPECT_EQ(a.columnNames[c], b.columnNames[c]) << what;
}

TEST(WorkbookFileTest, WritersFilesGiveTheSameTrialAsTheCsvOfTheSameData) {
  std::size_t compared = 0;
  for (const auto& entry : fs::recursive_directory_iterator(kFixtures)) {
    if (entry.path().extension() != ".xls") continue;
    const std::string path = entry.path().string();
    const std::string trial = trialOf(path);
    const std::string writer = entry.path().parent_path().filename().string();
    TrialData fromXls, fromCsv;
    auto xlsError = loadTrialFile(path, fromXls);
    if (trial == "quirks") {
      // Formatted blanks out to column 29 make the sheet wider than 25 columns.
      EXPECT_EQ(xlsError.value_or("ok"), "Data Error!") << path;
      continue;
    }
    if (writer == "sheetjs" || path.ends_with("_forced16.xls")) {
      // Every text of these files, the header included, is stored with 16-bit characters.
      EXPECT_EQ(xlsError.value_or("ok"), " Data Error With Factor Names!\n") << path;
      continue;
    }
    ASSERT_FALSE(xlsError) << path << ": " << *xlsError;
    ASSERT_FALSE(loadTrialFile(kFixtures + "csv/" + trial + ".csv", fromCsv)) << trial;
    expectSameTrial(fromXls, fromCsv, path);
    ++compared;
  }
  EXPECT_GE(compared, 25u);
}

std::string run(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return out;
  std::array<char, 256> buf;
  while (std::fgets(buf.data(), buf.size(), pipe.get())) out += buf.data();
  return out;
}

TEST(WorkbookFileTest, CheckCommandSummarisesAWorkbookAsItsCsv) {
  for (const char* trial : {"m3_small", "m2_blocks", "m1_sites", "big_sst"}) {
    const std::string csv = run(std::string(PEDIVAR_CLI) + " check " + kFixtures + "csv/" + trial + ".csv");
    ASSERT_NE(csv, "");
    for (const char* writer : {"libreoffice", "gnumeric", "xlwt"})
      EXPECT_EQ(run(std::string(PEDIVAR_CLI) + " check " + kFixtures + writer + "/" + trial + ".xls"), csv)
          << writer << "/" << trial;
  }
}

TEST(WorkbookFileTest, FilesThatAreNoBiff8WorkbookLoadNoSheet) {
  WorkbookFile workbook;
  EXPECT_FALSE(workbook.load("/nonexistent/pedivar/book.xls"));
  EXPECT_EQ(workbook.sheetCount(), 0u);

  const Bytes sheet = xls::workbookStream({{{std::string("Male")}, {std::int32_t{1}}}});
  // An older workbook: the records stand in a stream named "Book".
  EXPECT_TRUE(workbook.loadBytes(xls::compoundDocument({{u"Book", sheet}})));
  EXPECT_EQ(workbook.sheetCount(), 0u);
  // A stream that does not begin with BOF.
  EXPECT_TRUE(workbook.loadBytes(xls::workbookDocument(xls::concat({xls::eof(), sheet}))));
  EXPECT_EQ(workbook.sheetCount(), 0u);
  // A later load replaces what an earlier one read.
  EXPECT_TRUE(workbook.loadBytes(xls::workbookDocument(sheet)));
  EXPECT_EQ(workbook.sheetCount(), 1u);
  EXPECT_FALSE(workbook.loadBytes(Bytes(100, 0)));
  EXPECT_EQ(workbook.sheetCount(), 0u);
}

TEST(WorkbookFileTest, LoadsAWorkbookWrittenWithFourKilobyteSectors) {
  std::vector<std::vector<xls::Cell>> rows = {{std::string("Male"), std::string("Female"), std::string("Trait1")}};
  for (int i = 0; i < 300; ++i) rows.push_back({std::int32_t{i % 3 + 1}, std::int32_t{i % 2 + 1}, 0.5 * i});
  xls::DocumentOptions options;
  options.sectorShift = 12;
  WorkbookFile workbook;
  ASSERT_TRUE(workbook.loadBytes(xls::compoundDocument({{u"Workbook", xls::workbookStream({rows})}}, options)));
  ASSERT_EQ(workbook.sheetCount(), 1u);
  TrialData data;
  EXPECT_FALSE(buildTrialData(workbook.sheet(0), data));
  EXPECT_EQ(data.observationCount, 300);
  EXPECT_EQ(data.traitValues[0][299], 149.5);
}

// Files from other readers' test suites, some deliberately malformed. Each must load or fail
// cleanly; where the records hold a BIFF8 workbook, the first worksheet's cells must match.
TEST(WorkbookFileTest, PublicCorpusFilesLoadOrFailCleanly) {
  const std::string shared = PEDIVAR_SHARED_DIR;
  const std::string publicDir = shared + "/corpus/public";
  if (!fs::is_directory(publicDir)) GTEST_SKIP() << "no public corpus at " << publicDir;
  auto manifest = json::parseFile(shared + "/corpus/manifest.json");
  ASSERT_TRUE(manifest);
  std::map<std::string, const json::Value*> entries;
  for (const json::Value& file : (*manifest)["files"].array) entries[file.text("path")] = &file;
  std::size_t loaded = 0, compared = 0;
  for (const auto& entry : fs::recursive_directory_iterator(publicDir)) {
    if (entry.path().extension() != ".xls") continue;
    const std::string relative = "public/" + fs::relative(entry.path(), publicDir).string();
    WorkbookFile workbook;
    workbook.load(entry.path().string());
    TrialData data;
    if (workbook.sheetCount() > 0) {
      ++loaded;
      buildTrialData(workbook.sheet(0), data);
    }
    auto it = entries.find(relative);
    if (it == entries.end()) continue;
    const json::Value& file = *it->second;
    const std::string stream = file["workbook_stream"].text("name");
    const bool biff8 = file["compound_document"].boolean && file["workbook_stream"].text("first_bof_version") == "0x0600" &&
                       (stream == "Workbook" || stream == "WorkBook" || stream == "WORKBOOK");
    if (!biff8 || file["encrypted_filepass"].boolean || file["cells"].array.empty()) continue;
    ASSERT_GE(workbook.sheetCount(), 1u) << relative;
    EXPECT_EQ(joined(compareCells(workbook.sheet(0), file["cells"])), "") << relative;
    ++compared;
  }
  EXPECT_GT(loaded, 20u);
  EXPECT_GT(compared, 20u);
}

}  // namespace
