#include "workbook/workbook_globals.h"

#include <gtest/gtest.h>

#include "support/xls_builder.h"
#include "workbook/byte_order.h"

namespace {

using namespace Bivex;
using xls::Bytes;

Bytes counts(std::uint32_t total, std::uint32_t unique) {
  Bytes d;
  put32(d, total);
  put32(d, unique);
  return d;
}

Bytes header(std::uint16_t count, std::uint8_t flags) {
  Bytes d;
  put16(d, count);
  put8(d, flags);
  return d;
}

Bytes chars8(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes chars16(const std::u16string& s) {
  Bytes d;
  for (char16_t u : s) put16(d, u);
  return d;
}

// Reads an SST whose joined data is `pieces` concatenated, one CONTINUE record per further piece.
Workbook::SharedStringTable readTable(const std::vector<Bytes>& pieces) {
  Bytes joined;
  std::vector<std::uint32_t> offsets;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i) offsets.push_back(static_cast<std::uint32_t>(joined.size()));
    joined.insert(joined.end(), pieces[i].begin(), pieces[i].end());
  }
  const Bytes stream = xls::record(codes::kSST, joined, offsets);
  Workbook::SharedStringTable table;
  EXPECT_EQ(table.read(stream.data(), stream.size()), stream.size());
  return table;
}

std::vector<std::string> texts8(const Workbook::SharedStringTable& table) {
  std::vector<std::string> out;
  for (const auto& s : table.strings()) out.push_back(s.wide ? "<16>" : s.text8);
  return out;
}

TEST(SharedStringTableTest, KeepsTheWidthEachStringWasStoredIn) {
  auto table = readTable({xls::concat({counts(2, 2), header(4, 0), chars8("Male"), header(4, 1), chars16(u"Male")})});
  ASSERT_EQ(table.strings().size(), 2u);
  EXPECT_FALSE(table.strings()[0].wide);
  EXPECT_EQ(table.strings()[0].text8, "Male");
  EXPECT_TRUE(table.strings()[1].wide);
  EXPECT_EQ(table.strings()[1].text16, u"Male");
  EXPECT_TRUE(table.strings()[1].text8.empty());
}

TEST(SharedStringTableTest, JoinsCharactersSplitAcrossContinueRecordsInTheFirstPiecesWidth) {
  // "HelloWorld" cut after 5 characters, continued with 16-bit characters, then one more string.
  auto table = readTable({xls::concat({counts(2, 2), header(10, 0), chars8("Hello")}),
                          xls::concat({{0x01}, chars16(u"World"), header(4, 0), chars8("Next")})});
  EXPECT_EQ(texts8(table), (std::vector<std::string>{"HelloWorld", "Next"}));
}

TEST(SharedStringTableTest, WidensAnEightBitPieceAppendedToASixteenBitText) {
  auto table = readTable({xls::concat({counts(1, 1), header(4, 1), chars16(u"\u0394a")}),
                          xls::concat({{0x00}, chars8("bc")})});
  ASSERT_EQ(table.strings().size(), 1u);
  EXPECT_EQ(table.strings()[0].text16, u"\u0394abc");
}

TEST(SharedStringTableTest, AnEightBitTextEndsAtTheFirstCharacterItCannotHold) {
  auto table = readTable({xls::concat({counts(2, 2), header(5, 0), chars8("ab")}),
                          xls::concat({{0x01}, chars16(u"c\u0394d"), header(1, 0), chars8("z")})});
  EXPECT_EQ(texts8(table), (std::vector<std::string>{"abc", "z"}));
}

TEST(SharedStringTableTest, RichTextRunsAndPhoneticBlocksAreSkippedAfterTheLastPiece) {
  Bytes rich = header(6, 0x08);
  put16(rich, 2);  // two runs of 4 bytes
  Bytes phonetic = header(2, 0x04);
  put32(phonetic, 6);
  auto table = readTable({xls::concat({counts(3, 3), rich, chars8("ABC")}),
                          xls::concat({{0x00}, chars8("DEF"), Bytes(8, 0xEE), phonetic, chars8("PQ"), Bytes(6, 0xEE),
                                       header(1, 0), chars8("Z")})});
  EXPECT_EQ(texts8(table), (std::vector<std::string>{"ABCDEF", "PQ", "Z"}));
  EXPECT_EQ(table.strings()[0].richRuns, 2);
  EXPECT_EQ(table.strings()[1].phoneticSize, 6u);
}

TEST(SharedStringTableTest, BoundariesAtAStringOrAtItsCharactersAreHandledAsTheirPlaceRequires) {
  // A CONTINUE that begins with a new string carries no flag byte; one that begins right at the
  // characters of a string whose header stands before it does.
  auto table = readTable({xls::concat({counts(3, 3), header(2, 0), chars8("AB")}),
                          xls::concat({header(2, 0), chars8("CD"), header(2, 0)}),
                          xls::concat({{0x01}, chars16(u"EF")})});
  EXPECT_EQ(texts8(table), (std::vector<std::string>{"AB", "CD", "EF"}));
}

TEST(SharedStringTableTest, CountsThatLieEndAtTheEndOfTheData) {
  auto table = readTable({xls::concat({counts(1, 0xFFFFFFFF), header(2, 0), chars8("ok"), header(50, 0), chars8("short")})});
  EXPECT_EQ(texts8(table), (std::vector<std::string>{"ok", "short"}));
  EXPECT_EQ(table.uniqueCount(), 0xFFFFFFFFu);
  EXPECT_EQ(table.string(2), nullptr);

  Bytes hugeRuns = header(1, 0x0C);
  put16(hugeRuns, 0xFFFF);
  put32(hugeRuns, 0xFFFFFFFF);
  auto tail = readTable({xls::concat({counts(2, 2), hugeRuns, chars8("x"), header(1, 0), chars8("y")})});
  EXPECT_EQ(texts8(tail), (std::vector<std::string>{"x"}));
}

TEST(SharedStringTableTest, WrittenTablesSpanningManyContinueRecordsReadBackWhole) {
  std::vector<UnicodeString> strings;
  for (int i = 0; i < 300; ++i) {
    const std::size_t length = static_cast<std::size_t>(i % 7 == 0 ? 3000 + i : 5 + i % 40);
    if (i % 45 == 0) {
      strings.push_back(xls::text16(std::u16string(length, static_cast<char16_t>(0x0394 + i % 5))));
    } else {
      strings.push_back(xls::text8(std::string(length, static_cast<char>('a' + i % 26))));
    }
  }
  strings[10].richRuns = 3;
  strings[11].phoneticSize = 12;
  const Bytes tableBytes = xls::sst(strings);
  Workbook::Font font;
  Bytes fontData(14, 0);
  fontData.insert(fontData.end(), {5, 0, 'A', 'r', 'i', 'a', 'l'});
  const Bytes stream = xls::concat({xls::bof(BOF::kGlobals), tableBytes, xls::record(codes::kExtSST, Bytes(10, 0)),
                                    xls::record(codes::kFont, fontData), xls::eof()});
  Workbook globals;
  EXPECT_EQ(globals.read(stream.data(), stream.size()), stream.size());
  ASSERT_EQ(globals.sharedStrings.strings().size(), strings.size());
  EXPECT_GT(globals.sharedStrings.continueOffsets().size(), 10u);
  for (std::size_t i = 0; i < strings.size(); ++i) {
    const auto& s = globals.sharedStrings.strings()[i];
    EXPECT_EQ(s.wide, strings[i].wide) << i;
    EXPECT_EQ(s.text8, strings[i].text8) << i;
    EXPECT_EQ(s.text16, strings[i].text16) << i;
  }
  ASSERT_EQ(globals.fonts.size(), 1u);
  EXPECT_EQ(globals.fonts[0].name().text8, "Arial");
}

TEST(WorkbookGlobalsTest, DecodesSheetNamesAndStyles) {
  Bytes sheet;
  put32(sheet, 1234);
  put8(sheet, 0);
  put8(sheet, 0);
  put8(sheet, 4);
  put8(sheet, 1);
  sheet.insert(sheet.end(), {'D', 0, 'a', 0, 't', 0, 'a', 0});
  Bytes style;
  put16(style, 0x0010);
  style.insert(style.end(), {3, 0, 0, 'M', 'i', 'x'});
  const Bytes stream = xls::concat({xls::bof(BOF::kGlobals), xls::record(codes::kBoundSheet, sheet),
                                    xls::record(codes::kStyle, style), xls::record(codes::kWindow1, Bytes(18, 1)),
                                    xls::eof()});
  Workbook globals;
  globals.read(stream.data(), stream.size());
  ASSERT_EQ(globals.boundSheets.size(), 1u);
  EXPECT_EQ(globals.boundSheets[0].bofPosition(), 1234u);
  EXPECT_EQ(globals.boundSheets[0].name().text16, u"Data");
  ASSERT_EQ(globals.styles.size(), 1u);
  EXPECT_EQ(globals.styles[0].name().text8, "Mix");
  EXPECT_EQ(globals.window1.activeSheet(), 0x0101);
}

}  // namespace
