#include "workbook/record.h"

#include <gtest/gtest.h>

#include "support/xls_builder.h"
#include "workbook/byte_order.h"
#include "workbook/workbook_file.h"

namespace {

using namespace Bivex;
using xls::Bytes;

Bytes filled(std::size_t n, std::uint8_t value) { return Bytes(n, value); }

TEST(RecordTest, JoinsContinueRecordsAndRemembersWhereEachBegins) {
  const Bytes stream = xls::concat({xls::record(0x1234, filled(7, 1)), xls::record(codes::kContinue, filled(10, 2)),
                                    xls::record(codes::kContinue, filled(20, 3)), xls::eof()});
  Record r;
  EXPECT_EQ(r.read(stream.data(), stream.size()), 7u + 42u);
  EXPECT_EQ(r.code(), 0x1234);
  EXPECT_EQ(r.dataSize(), 37u);
  EXPECT_EQ(r.recordSize(), 49u);
  EXPECT_EQ(r.continueOffsets(), (std::vector<std::uint32_t>{7, 17}));
  EXPECT_EQ(r.data()[7], 2);
  EXPECT_EQ(r.data()[36], 3);

  Bytes out;
  EXPECT_EQ(r.write(out), 49u);
  EXPECT_EQ(out, Bytes(stream.begin(), stream.end() - 4));
}

TEST(RecordTest, ANewRecordIsEmpty) {
  Record r;
  EXPECT_EQ(r.dataSize(), 0u);
  EXPECT_EQ(r.recordSize(), 4u);
}

TEST(RecordTest, WriteSplitsLongDataInto8224BytePieces) {
  Record r(0x00FC);
  r.setData(filled(20000, 9));
  Bytes out;
  EXPECT_EQ(r.write(out), 20000u + 3 * 4);
  Record back;
  EXPECT_EQ(back.read(out.data(), out.size()), out.size());
  EXPECT_EQ(back.continueOffsets(), (std::vector<std::uint32_t>{8224, 16448}));
  EXPECT_EQ(back.data(), r.data());
}

TEST(RecordTest, ALengthPastTheEndOfTheStreamEndsTheRecordThere) {
  Bytes stream = xls::record(0x0042, filled(10, 1));
  xls::putLe16(stream, 2, 60000);
  Record r;
  EXPECT_EQ(r.read(stream.data(), stream.size()), stream.size());
  EXPECT_EQ(r.dataSize(), 10u);
  EXPECT_EQ(skipRecord(stream.data(), stream.size()), stream.size());
  EXPECT_EQ(r.read(stream.data(), 3), 3u);  // not even a header
}

TEST(RecordTest, BofCarriesTheDefaultsOfANewWorkbook) {
  Bytes out;
  BOF(BOF::kWorksheet).write(out);
  ASSERT_EQ(out.size(), 20u);
  BOF back;
  back.read(out.data(), out.size());
  EXPECT_EQ(back.version(), 0x0600);
  EXPECT_EQ(back.type(), BOF::kWorksheet);
  EXPECT_EQ(le32(out.data(), out.size(), 12), 0xC0C9u);
  EXPECT_EQ(le16(out.data(), out.size(), 8), 6560);
}

TEST(RecordTest, SkippingASubstreamPassesNestedOnesAndRepeatedBofs) {
  const std::uint16_t chart = 0x0020;
  const Bytes nested = xls::concat({xls::bof(BOF::kWorksheet), xls::record(1, {}), xls::bof(chart),
                                    xls::record(2, {}), xls::eof(), xls::record(3, {}), xls::eof()});
  EXPECT_EQ(skipSubstream(nested.data(), nested.size()), nested.size());
  // A chart sheet that begins with two BOF records is closed by one EOF.
  const Bytes doubled = xls::concat({xls::bof(chart), xls::bof(chart), xls::record(1, {}), xls::eof()});
  const Bytes after = xls::concat({doubled, xls::bof(BOF::kWorksheet)});
  EXPECT_EQ(skipSubstream(after.data(), after.size()), doubled.size());
  // Without EOF the substream ends at the end of the stream.
  const Bytes open = xls::concat({xls::bof(chart), xls::record(1, filled(5, 0))});
  EXPECT_EQ(skipSubstream(open.data(), open.size()), open.size());
}

TEST(WorkbookStreamTest, SkipsSubstreamsOfOtherTypesAndReadsTheWorksheetsAfterThem) {
  const std::uint16_t chart = 0x0020, macro = 0x0040;
  const Bytes sheet = xls::concat({xls::bof(BOF::kWorksheet), xls::dimensions(1, 1), xls::number(0, 0, 2.5), xls::eof()});
  const Bytes stream = xls::concat({xls::bof(BOF::kGlobals), xls::eof(), xls::bof(chart), xls::bof(chart),
                                    xls::record(0x1001, filled(4, 0)), xls::eof(), sheet, xls::bof(macro), xls::eof(),
                                    sheet});
  Workbook globals;
  std::vector<Worksheet> sheets;
  readWorkbookStream(stream, globals, sheets);
  ASSERT_EQ(sheets.size(), 2u);
  EXPECT_EQ(buildSheetGrid(sheets[1], globals).at(0, 0).realValue(), 2.5);
}

TEST(WorkbookStreamTest, AStreamThatDoesNotStartWithBofYieldsNothing) {
  const Bytes stream = xls::concat({xls::record(0x0042, filled(2, 0)), xls::bof(BOF::kWorksheet), xls::eof()});
  Workbook globals;
  std::vector<Worksheet> sheets;
  readWorkbookStream(stream, globals, sheets);
  EXPECT_TRUE(sheets.empty());
}

TEST(WorkbookStreamTest, UnknownRecordsWithContinuationsAreSkippedWhole) {
  // The CONTINUE data would read as a NUMBER record if the skip stopped after the first record.
  const Bytes fakeCell = xls::number(0, 0, 9.0);
  const Bytes stream = xls::concat({xls::bof(BOF::kGlobals), xls::eof(), xls::bof(BOF::kWorksheet),
                                    xls::dimensions(1, 1), xls::record(0x00EC, filled(8, 0)),
                                    xls::record(codes::kContinue, fakeCell), xls::eof()});
  Workbook globals;
  std::vector<Worksheet> sheets;
  readWorkbookStream(stream, globals, sheets);
  ASSERT_EQ(sheets.size(), 1u);
  EXPECT_EQ(buildSheetGrid(sheets[0], globals).at(0, 0).kind(), CellKind::Empty);
}

}  // namespace
