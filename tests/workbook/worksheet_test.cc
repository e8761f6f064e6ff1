#include "workbook/worksheet.h"

#include <gtest/gtest.h>

#include "support/xls_builder.h"
#include "workbook/byte_order.h"
#include "workbook/workbook_file.h"

namespace {

using namespace Bivex;
using xls::Bytes;

struct Loaded {
  Workbook globals;
  std::vector<Worksheet> sheets;
  SheetGrid grid() const { return buildSheetGrid(sheets.at(0), globals); }
};

// Globals with the given shared strings, then one worksheet holding `body` between BOF and EOF.
Loaded loadSheet(const Bytes& body, const std::vector<UnicodeString>& strings = {}) {
  const Bytes stream = xls::concat({xls::bof(BOF::kGlobals), xls::sst(strings), xls::eof(), xls::bof(BOF::kWorksheet),
                                    body, xls::eof()});
  Loaded l;
  readWorkbookStream(stream, l.globals, l.sheets);
  EXPECT_EQ(l.sheets.size(), 1u);
  return l;
}

TEST(RKValueTest, DecodesIntegersDoublesAndHundredths) {
  struct Case {
    std::uint32_t raw;
    bool integer;
    double value;
  };
  const Case cases[] = {
      {0x3FF00000, false, 1.0},      // high half of the double 1.0
      {18, true, 4.0},               // integer 4
      {(1234u << 2) | 3, false, 12.34},
      {(static_cast<std::uint32_t>(-7) << 2) | 2, true, -7.0},
      {0x3FF00001, false, 0.01},     // the double 1.0 in hundredths
      {(static_cast<std::uint32_t>(-1234) << 2) | 3, false, -12.34},
  };
  for (const Case& c : cases) {
    RKValue v{c.raw};
    EXPECT_EQ(v.isInteger(), c.integer) << c.raw;
    EXPECT_DOUBLE_EQ(v.number(), c.value) << c.raw;
  }
  EXPECT_EQ(RKValue{18}.integer(), 4);
}

TEST(WorksheetTest, TurnsEveryKindOfCellRecordIntoItsCell) {
  const Bytes body = xls::concat({
      xls::dimensions(4, 6), xls::row(0), xls::row(1), xls::row(2), xls::row(3),
      xls::labelSst(0, 0, 0), xls::labelSst(0, 1, 1), xls::labelSst(0, 2, 2),
      xls::number(1, 0, 2.75), xls::rk(1, 1, 18), xls::rk(1, 2, (1234u << 2) | 3),
      xls::boolErr(2, 0, 1, 0), xls::boolErr(2, 1, 0x07, 1), xls::formula(2, 2), xls::stringRecord("abc"),
      xls::record(codes::kBlank, Bytes{2, 0, 3, 0, 15, 0}),
      xls::mulrk(3, 1, {(5u << 2) | 2, 0x3FF00000, (7u << 2) | 2, (250u << 2) | 3}),
      xls::label(2, 4, "plain"), xls::label16(2, 5, u"\u0394x"),
      xls::dbcell(), xls::window2()});
  Loaded l = loadSheet(body, {xls::text8("Male"), xls::text16(u"Female"), xls::text8("")});
  const SheetGrid g = l.grid();
  EXPECT_EQ(g.rowCount(), 4u);
  EXPECT_EQ(g.columnCount(), 6u);
  EXPECT_STREQ(g.at(0, 0).text(), "Male");
  EXPECT_EQ(g.at(0, 1).kind(), CellKind::WideText);
  EXPECT_EQ(g.at(0, 1).text(), nullptr);
  EXPECT_EQ(g.at(0, 2).kind(), CellKind::Empty);  // an empty shared string
  EXPECT_EQ(g.at(1, 0).kind(), CellKind::Real);
  EXPECT_EQ(g.at(1, 0).realValue(), 2.75);
  EXPECT_EQ(g.at(1, 1).kind(), CellKind::Integer);
  EXPECT_EQ(g.at(1, 1).intValue(), 4);
  EXPECT_EQ(g.at(1, 2).kind(), CellKind::Real);
  EXPECT_DOUBLE_EQ(g.at(1, 2).realValue(), 12.34);
  EXPECT_EQ(g.at(2, 0).kind(), CellKind::Integer);  // Boolean TRUE
  EXPECT_EQ(g.at(2, 0).intValue(), 1);
  EXPECT_EQ(g.at(2, 1).kind(), CellKind::Empty);  // error value
  EXPECT_EQ(g.at(2, 2).kind(), CellKind::Empty);  // formula, whatever its cached result
  EXPECT_EQ(g.at(2, 3).kind(), CellKind::Empty);  // blank
  EXPECT_STREQ(g.at(2, 4).text(), "plain");
  EXPECT_EQ(std::u16string(g.at(2, 5).wideText()), u"\u0394x");
  EXPECT_EQ(g.at(3, 0).kind(), CellKind::Empty);
  EXPECT_EQ(g.at(3, 1).intValue(), 5);
  EXPECT_EQ(g.at(3, 2).realValue(), 1.0);
  EXPECT_EQ(g.at(3, 3).intValue(), 7);
  EXPECT_EQ(g.at(3, 4).realValue(), 2.5);
}

TEST(WorksheetTest, AFormulaTakesItsCompanionAndStringRecordsWithIt) {
  Bytes shared(8, 0);
  const Bytes body = xls::concat({xls::dimensions(2, 2), xls::row(0), xls::formula(0, 0),
                                  xls::record(codes::kShrFmla, shared), xls::stringRecord("x"), xls::number(0, 1, 3.0),
                                  xls::dbcell()});
  Loaded l = loadSheet(body);
  const auto& cells = l.sheets[0].cellTable.rowBlocks.at(0).cells;
  ASSERT_EQ(cells.size(), 2u);
  const auto* f = cells[0].as<CellBlock::Formula>();
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->companionCode, codes::kShrFmla);
  EXPECT_NE(f->string, nullptr);
  EXPECT_EQ(l.grid().at(0, 1).realValue(), 3.0);
}

TEST(WorksheetTest, ReadsCellsWhateverRowBlocksSurroundThem) {
  // Cells without any ROW record, a row block without DBCELL, and a closed row block, with
  // WINDOW2 after the cells: every cell counts and the records after them are read.
  const Bytes body = xls::concat({xls::dimensions(3, 1), xls::number(0, 0, 1.0), xls::row(1), xls::number(1, 0, 2.0),
                                  xls::row(2), xls::number(2, 0, 3.0), xls::dbcell(), xls::number(0, 1, 4.0),
                                  xls::window2()});
  Loaded l = loadSheet(body);
  const SheetGrid g = l.grid();
  EXPECT_EQ(g.at(0, 0).realValue(), 1.0);
  EXPECT_EQ(g.at(1, 0).realValue(), 2.0);
  EXPECT_EQ(g.at(2, 0).realValue(), 3.0);
  EXPECT_EQ(g.at(0, 1).realValue(), 4.0);
  const auto& blocks = l.sheets[0].cellTable.rowBlocks;
  ASSERT_EQ(blocks.size(), 4u);
  EXPECT_FALSE(blocks[0].closedByDBCell);
  EXPECT_TRUE(blocks[2].closedByDBCell);
  EXPECT_EQ(l.sheets[0].window2.dataSize(), 18u);
}

TEST(WorksheetTest, SkipsEmbeddedChartSubstreamsAndReadsOnAfterThem) {
  const Bytes chart = xls::concat({xls::bof(0x0020), xls::number(0, 0, 99.0), xls::eof()});
  const Bytes body = xls::concat({xls::dimensions(2, 1), xls::number(0, 0, 1.0), chart, xls::number(1, 0, 2.0)});
  const Bytes stream = xls::concat({xls::bof(BOF::kGlobals), xls::eof(), xls::bof(BOF::kWorksheet), body, xls::eof(),
                                    xls::bof(BOF::kWorksheet), xls::number(0, 0, 5.0), xls::eof()});
  Loaded l;
  readWorkbookStream(stream, l.globals, l.sheets);
  ASSERT_EQ(l.sheets.size(), 2u);
  const SheetGrid g = l.grid();
  EXPECT_EQ(g.at(0, 0).realValue(), 1.0);
  EXPECT_EQ(g.at(1, 0).realValue(), 2.0);
  EXPECT_EQ(buildSheetGrid(l.sheets[1], l.globals).at(0, 0).realValue(), 5.0);
}

TEST(WorksheetTest, CellsOutsideTheDeclaredExtentEnlargeTheGridWithinTheSheetLimits) {
  const Bytes body = xls::concat({xls::dimensions(2, 2), xls::number(0, 0, 1.0), xls::number(5, 3, 2.0),
                                  xls::mulrk(6, 254, {(1u << 2) | 2, (2u << 2) | 2, (3u << 2) | 2})});
  Loaded l = loadSheet(body);
  const SheetGrid g = l.grid();
  EXPECT_EQ(g.rowCount(), 7u);
  EXPECT_EQ(g.columnCount(), 256u);
  EXPECT_EQ(g.at(5, 3).realValue(), 2.0);
  EXPECT_EQ(g.at(6, 255).intValue(), 2);  // the third value, column 256, is beyond the limit

  Loaded none = loadSheet(xls::number(3, 2, 7.0));  // no DIMENSIONS at all
  EXPECT_EQ(none.grid().rowCount(), 4u);
  EXPECT_EQ(none.grid().columnCount(), 3u);
}

TEST(WorksheetTest, ShortOrInconsistentCellRecordsGiveNoCell) {
  Bytes mulrkBackwards = xls::mulrk(0, 5, {(1u << 2) | 2});
  xls::putLe16(mulrkBackwards, mulrkBackwards.size() - 2, 2);  // last column before the first
  const Bytes body = xls::concat({xls::dimensions(1, 3), xls::record(codes::kNumber, Bytes{0, 0, 1, 0, 15, 0, 1}),
                                  xls::record(codes::kRK, Bytes{0, 0}), xls::record(codes::kLabelSST, Bytes(10, 0)),
                                  xls::record(codes::kMulRK, Bytes{0, 0, 0}), mulrkBackwards,
                                  xls::record(codes::kLabel, Bytes{0, 0, 2, 0, 0, 0, 50, 0, 0, 'a', 'b'})});
  Loaded l = loadSheet(body);  // the SST is empty, so index 0 names no string
  const SheetGrid g = l.grid();
  EXPECT_EQ(g.at(0, 0).kind(), CellKind::Empty);
  EXPECT_EQ(g.at(0, 1).kind(), CellKind::Empty);
  EXPECT_STREQ(g.at(0, 2).text(), "ab");  // a LABEL whose count overruns its data keeps what it holds
  EXPECT_EQ(g.columnCount(), 3u);
}

TEST(WorksheetTest, ARowBlockOfManyThousandCellsLoadsCompletely) {
  Bytes body = xls::concat({xls::dimensions(3000, 2), xls::row(0)});
  for (std::uint16_t r = 0; r < 3000; ++r) {
    const Bytes cell = xls::rk(r, 1, (static_cast<std::uint32_t>(r) << 2) | 2);
    body.insert(body.end(), cell.begin(), cell.end());
  }
  Loaded l = loadSheet(xls::concat({body, xls::dbcell()}));
  const SheetGrid g = l.grid();
  for (std::uint32_t r = 0; r < 3000; ++r) ASSERT_EQ(g.at(r, 1).intValue(), static_cast<std::int32_t>(r));
}

TEST(WorksheetTest, AWorksheetWithoutEofEndsAtTheEndOfTheStream) {
  const Bytes stream = xls::concat({xls::bof(BOF::kGlobals), xls::eof(), xls::bof(BOF::kWorksheet),
                                    xls::dimensions(1, 1), xls::number(0, 0, 8.0)});
  Loaded l;
  readWorkbookStream(stream, l.globals, l.sheets);
  ASSERT_EQ(l.sheets.size(), 1u);
  EXPECT_EQ(l.grid().at(0, 0).realValue(), 8.0);
}

TEST(WorksheetTest, CellRecordsWriteWhatTheyRead) {
  const Bytes records = xls::concat({xls::number(1, 2, 3.5), xls::rk(4, 5, 18), xls::labelSst(0, 1, 7),
                                     xls::boolErr(2, 2, 1, 0), xls::mulrk(3, 1, {18, 22}), xls::label(0, 0, "hi"),
                                     xls::formula(5, 5), xls::stringRecord("s")});
  std::size_t pos = 0;
  Bytes out;
  while (pos < records.size()) {
    CellBlock block;
    const std::uint32_t n = block.read(records.data() + pos, records.size() - pos);
    auto* record = const_cast<Record*>(block.record());
    // A formula's read also consumed its 8-byte STRING record.
    EXPECT_EQ(record->recordSize(), block.code() == codes::kFormula ? n - 8 : n) << block.code();
    record->write(out);
    pos += n;
  }
  EXPECT_EQ(out, records);
}

TEST(WorksheetTest, IndexPositionsAreReadOnlyAsFarAsTheDataGoes) {
  Bytes d;
  put32(d, 0);
  put32(d, 0);
  put32(d, 200);  // 7 row blocks declared
  put32(d, 0);
  put32(d, 111);
  put32(d, 222);
  const Bytes stream = xls::record(codes::kIndex, d);
  Worksheet::Index index;
  index.read(stream.data(), stream.size());
  EXPECT_EQ(index.dbCellPositions(), (std::vector<std::uint32_t>{111, 222}));
}

}  // namespace
