// Loading time of the largest sheet a workbook can hold for a trial: 65536 rows x 25 columns
// (header Male, Female, Trait1..Trait23). Two layouts: one MULRK record per row, as spreadsheet
// programs write numbers, and one NUMBER record per cell outside any row block, the most records
// a writer can produce for the same sheet.
//
//   build-bench/bench/workbook_load_bench
// The generated workbooks stay in $TMPDIR (or /tmp) as pedivar_bench_{mulrk,number}.xls, so the
// peak memory of a load can be measured on its own: /usr/bin/time -v pedivar check FILE.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "data/trial_data.h"
#include "workbook/byte_order.h"
#include "workbook/record.h"
#include "workbook/workbook_file.h"
#include "workbook/workbook_globals.h"
#include "workbook/worksheet.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace Bivex;

constexpr std::uint32_t kRows = 65536;
constexpr std::uint16_t kColumns = 25;

void append(Bytes& out, Record&& r) { r.write(out); }

std::uint32_t rkInteger(std::int32_t v) { return (static_cast<std::uint32_t>(v) << 2) | 2; }

Bytes workbookStream(bool mulrk) {
  Bytes out;
  append(out, BOF(BOF::kGlobals));
  std::vector<UnicodeString> names;
  for (int c = 0; c < kColumns; ++c) {
    UnicodeString s;
    s.flags = 0;
    s.text8 = c == 0 ? "Male" : c == 1 ? "Female" : "Trait" + std::to_string(c - 1);
    names.push_back(s);
  }
  Workbook::SharedStringTable sst;
  sst.setStrings(names, kColumns);
  sst.write(out);
  append(out, YEOF());
  append(out, BOF(BOF::kWorksheet));
  Bytes dims;
  put32(dims, 0);
  put32(dims, kRows);
  put16(dims, 0);
  put16(dims, kColumns);
  put16(dims, 0);
  Record dimensions(codes::kDimensions);
  dimensions.setData(dims);
  dimensions.write(out);
  for (std::uint16_t c = 0; c < kColumns; ++c) {
    Worksheet::CellTable::RowBlock::CellBlock::LabelSST label;
    label.address = {0, c, 15};
    label.stringIndex = c;
    label.write(out);
  }
  for (std::uint32_t r = 1; r < kRows; ++r) {
    const auto row = static_cast<std::uint16_t>(r);
    if (mulrk) {
      CellBlock::MulRK m;
      m.row = row;
      m.firstColumn = 0;
      m.lastColumn = kColumns - 1;
      m.entries.push_back({15, RKValue{rkInteger(static_cast<std::int32_t>(r % 10 + 1))}});
      m.entries.push_back({15, RKValue{rkInteger(static_cast<std::int32_t>(r / 10 % 10 + 1))}});
      for (int c = 2; c < kColumns; ++c) m.entries.push_back({15, RKValue{rkInteger(static_cast<std::int32_t>(r * c % 997))}});
      m.write(out);
    } else {
      for (std::uint16_t c = 0; c < kColumns; ++c) {
        CellBlock::Number n;
        n.address = {row, c, 15};
        n.value = c == 0 ? r % 10 + 1 : c == 1 ? r / 10 % 10 + 1 : (r * c % 997) / 8.0;
        n.write(out);
      }
    }
  }
  append(out, YEOF());
  return out;
}

// A version 3 compound document with the stream as its only entry (no mini stream needed).
Bytes compoundDocument(const Bytes& stream) {
  constexpr std::uint32_t ss = 512, perFat = ss / 4, perDifat = perFat - 1;
  const auto dataSectors = static_cast<std::uint32_t>((stream.size() + ss - 1) / ss);
  const std::uint32_t dirSector = dataSectors;
  std::uint32_t fatCount = 1, difatCount = 0;
  for (;; ++fatCount) {
    difatCount = fatCount > 109 ? (fatCount - 109 + perDifat - 1) / perDifat : 0;
    if (dataSectors + 1 + fatCount + difatCount <= fatCount * perFat) break;
  }
  const std::uint32_t firstFat = dirSector + 1, firstDifat = firstFat + fatCount;
  Bytes h = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  h.resize(24, 0);
  for (std::uint16_t v : {0x3E, 3, 0xFFFE, 9, 6}) put16(h, v);
  h.resize(44, 0);
  for (std::uint32_t v : {fatCount, dirSector, 0u, 4096u, 0xFFFFFFFEu, 0u, difatCount ? firstDifat : 0xFFFFFFFEu, difatCount})
    put32(h, v);
  for (std::uint32_t i = 0; i < 109; ++i) put32(h, i < fatCount ? firstFat + i : 0xFFFFFFFF);
  Bytes out = h;
  out.insert(out.end(), stream.begin(), stream.end());
  out.resize(512 + static_cast<std::size_t>(dataSectors) * ss, 0);
  Bytes dir(ss, 0);
  auto entry = [&](std::size_t at, const char* name, std::uint8_t type, std::uint32_t right, std::uint32_t child,
                   std::uint32_t start, std::uint32_t size) {
    std::size_t n = 0;
    for (; name[n]; ++n) dir[at + 2 * n] = static_cast<std::uint8_t>(name[n]);
    dir[at + 64] = static_cast<std::uint8_t>((n + 1) * 2);
    dir[at + 66] = type;
    dir[at + 67] = 1;
    for (auto [offset, value] : {std::pair{68u, 0xFFFFFFFFu}, {72u, right}, {76u, child}, {116u, start}, {120u, size}})
      for (int k = 0; k < 4; ++k) dir[at + offset + k] = static_cast<std::uint8_t>(value >> (8 * k));
  };
  entry(0, "Root Entry", 5, 0xFFFFFFFF, 1, 0xFFFFFFFE, 0);
  entry(128, "Workbook", 2, 0xFFFFFFFF, 0xFFFFFFFF, 0, static_cast<std::uint32_t>(stream.size()));
  out.insert(out.end(), dir.begin(), dir.end());
  Bytes fat;
  for (std::uint32_t s = 0; s < dataSectors; ++s) put32(fat, s + 1 < dataSectors ? s + 1 : 0xFFFFFFFE);
  put32(fat, 0xFFFFFFFE);  // the directory
  for (std::uint32_t k = 0; k < fatCount; ++k) put32(fat, 0xFFFFFFFD);
  for (std::uint32_t k = 0; k < difatCount; ++k) put32(fat, 0xFFFFFFFC);
  fat.resize(static_cast<std::size_t>(fatCount) * ss, 0xFF);
  out.insert(out.end(), fat.begin(), fat.end());
  for (std::uint32_t k = 0; k < difatCount; ++k) {
    for (std::uint32_t i = 0; i < perDifat; ++i) {
      const std::uint32_t n = 109 + k * perDifat + i;
      put32(out, n < fatCount ? firstFat + n : 0xFFFFFFFF);
    }
    put32(out, k + 1 < difatCount ? firstDifat + k + 1 : 0xFFFFFFFE);
  }
  return out;
}

std::string workbookPath(bool mulrk) {
  const char* dir = std::getenv("TMPDIR");
  const std::string path = std::string(dir && *dir ? dir : "/tmp") + (mulrk ? "/pedivar_bench_mulrk.xls" : "/pedivar_bench_number.xls");
  const Bytes file = compoundDocument(workbookStream(mulrk));
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(file.data(), 1, file.size(), f) != file.size()) std::abort();
  std::fclose(f);
  return path;
}

void loadAndConvert(benchmark::State& state, bool mulrk) {
  const std::string path = workbookPath(mulrk);
  for (auto _ : state) {
    WorkbookFile workbook;
    if (!workbook.load(path) || workbook.sheetCount() != 1) state.SkipWithError("workbook did not load");
    TrialData data;
    if (buildTrialData(workbook.sheet(0), data)) state.SkipWithError("trial did not convert");
    benchmark::DoNotOptimize(data.traitValues.data());
  }
  state.counters["cells"] = kRows * kColumns;
}

void BM_LoadMulRKRows(benchmark::State& state) { loadAndConvert(state, true); }
void BM_LoadNumberCells(benchmark::State& state) { loadAndConvert(state, false); }

BENCHMARK(BM_LoadMulRKRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadNumberCells)->Unit(benchmark::kMillisecond);

}  // namespace
