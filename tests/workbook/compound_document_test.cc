#include "workbook/compound_document.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <numeric>

#include "support/xls_builder.h"

namespace {

using Bivex::CompoundDocument;
using xls::Bytes;

Bytes pattern(std::size_t size, std::uint8_t seed) {
  Bytes b(size);
  for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<std::uint8_t>(seed + i * 7 + i / 251);
  return b;
}

Bytes readAll(const CompoundDocument& doc, const std::string& name) {
  Bytes out;
  EXPECT_EQ(doc.readStream(name, out), 1) << name;
  return out;
}

TEST(CompoundDocumentTest, ReadsLargeStreamsThroughTheTableAndSmallOnesThroughTheMiniStream) {
  // "Pad" fills the first ten mini sectors, so the small stream starts beyond the first eight.
  const Bytes big = pattern(10000, 1), small = pattern(1000, 2), pad = pattern(600, 3);
  CompoundDocument doc;
  ASSERT_TRUE(doc.openBytes(xls::compoundDocument({{u"Big", big}, {u"Pad", pad}, {u"Small", small}})));
  EXPECT_EQ(readAll(doc, "Big"), big);
  EXPECT_EQ(readAll(doc, "Small"), small);
  EXPECT_EQ(readAll(doc, "Pad"), pad);
  EXPECT_EQ(doc.streamSize("Small"), 1000);
}

TEST(CompoundDocumentTest, StreamNamesCompareWithoutLetterCase) {
  CompoundDocument doc;
  ASSERT_TRUE(doc.openBytes(xls::compoundDocument({{u"WorkBook", pattern(100, 4)}})));
  EXPECT_EQ(readAll(doc, "Workbook").size(), 100u);
  EXPECT_EQ(readAll(doc, "WORKBOOK").size(), 100u);
  Bytes out{1, 2, 3};
  EXPECT_EQ(doc.readStream("Book", out), CompoundDocument::kStreamNotFound);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(doc.streamSize("Book"), CompoundDocument::kStreamNotFound);
}

TEST(CompoundDocumentTest, ReadsVersion4DocumentsWith4096ByteSectors) {
  const Bytes big = pattern(20000, 5), small = pattern(300, 6);
  xls::DocumentOptions options;
  options.sectorShift = 12;
  CompoundDocument doc;
  ASSERT_TRUE(doc.openBytes(xls::compoundDocument({{u"Workbook", big}, {u"Small", small}}, options)));
  EXPECT_EQ(doc.sectorSize(), 4096u);
  EXPECT_EQ(readAll(doc, "Workbook"), big);
  EXPECT_EQ(readAll(doc, "Small"), small);
}

TEST(CompoundDocumentTest, FollowsTheTableIntoExtensionSectors) {
  // More than 109 table sectors of 128 entries: the rest of the list is in an extension sector.
  const Bytes big = pattern(110 * 128 * 512, 7);
  xls::DocumentLayout layout;
  CompoundDocument doc;
  ASSERT_TRUE(doc.openBytes(xls::compoundDocument({{u"Workbook", big}}, {}, &layout)));
  ASSERT_GT(layout.fatSectors.size(), 109u);
  EXPECT_EQ(doc.allocationTable().size(), layout.fatSectors.size() * 128);
  EXPECT_EQ(readAll(doc, "Workbook"), big);
}

TEST(CompoundDocumentTest, StreamPathsResolveFromTheRoot) {
  CompoundDocument doc;
  ASSERT_TRUE(doc.openBytes(xls::compoundDocument({{u"Workbook", pattern(10, 8)}})));
  EXPECT_EQ(readAll(doc, "\\Workbook").size(), 10u);
  EXPECT_EQ(readAll(doc, ".\\..\\Workbook").size(), 10u);
  Bytes out;
  EXPECT_EQ(doc.readStream("", out), CompoundDocument::kStreamNotFound);
}

TEST(CompoundDocumentTest, AFreeDirectorySlotKeepsTheNumbersOfTheEntriesAfterIt) {
  // Entries: root, A, B, C in one sector; A is freed and the root's child link goes to B.
  xls::DocumentLayout layout;
  Bytes file = xls::compoundDocument({{u"A", pattern(10, 1)}, {u"B", pattern(20, 2)}, {u"C", pattern(30, 3)}}, {}, &layout);
  const std::uint64_t a = layout.directoryEntryOffset(1);
  std::fill(file.begin() + static_cast<std::ptrdiff_t>(a), file.begin() + static_cast<std::ptrdiff_t>(a + 64), 0);
  xls::putLe32(file, layout.directoryEntryOffset(0) + 76, 2);
  CompoundDocument doc;
  ASSERT_TRUE(doc.openBytes(file));
  EXPECT_EQ(doc.streamSize("A"), CompoundDocument::kStreamNotFound);
  EXPECT_EQ(readAll(doc, "B"), pattern(20, 2));
  EXPECT_EQ(readAll(doc, "C"), pattern(30, 3));
}

TEST(CompoundDocumentTest, RejectsFilesThatAreNoCompoundDocument) {
  CompoundDocument doc;
  EXPECT_FALSE(doc.openBytes({}));
  EXPECT_FALSE(doc.openBytes(Bytes(68, 'A')));
  Bytes file = xls::compoundDocument({{u"Workbook", pattern(10, 1)}});
  file[7] = 0;
  EXPECT_FALSE(doc.openBytes(file));
  EXPECT_FALSE(doc.open("/nonexistent/pedivar/book.xls"));
  EXPECT_FALSE(doc.open("/tmp"));
}

TEST(CompoundDocumentTest, OpensAReadOnlyFile) {
  const std::string path = xls::tempPath("readonly.xls");
  ASSERT_TRUE(xls::writeFile(path, xls::compoundDocument({{u"Workbook", pattern(5000, 9)}})));
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  CompoundDocument doc;
  EXPECT_TRUE(doc.open(path));
  EXPECT_EQ(readAll(doc, "Workbook"), pattern(5000, 9));
  std::remove(path.c_str());
}

// Damaged documents: each must open or fail at once, and a damaged stream yields at most the
// bytes its chain really holds.
struct Damage {
  const char* what;
  void (*apply)(Bytes& file, const xls::DocumentLayout& layout);
  std::size_t bytesRead;  // of the 10000-byte stream "Workbook" (sectors 0 to 19); 0: any prefix
};

const Damage kDamages[] = {
    {"chain loops back to its first sector",
     [](Bytes& f, const xls::DocumentLayout& l) { xls::putLe32(f, l.fatEntryOffset(4), 0); }, 5 * 512},
    {"chain names a sector beyond the table",
     [](Bytes& f, const xls::DocumentLayout& l) { xls::putLe32(f, l.fatEntryOffset(2), 0x00FFFFFF); }, 3 * 512},
    {"chain names a sector beyond the end of the file",
     [](Bytes& f, const xls::DocumentLayout& l) { xls::putLe32(f, l.fatEntryOffset(2), 100); }, 3 * 512},
    {"directory size far beyond the chain",
     [](Bytes& f, const xls::DocumentLayout& l) { xls::putLe32(f, l.directoryEntryOffset(1) + 120, 0xFFFFFFF0); },
     20 * 512},  // the whole chain, padding of the last sector included
    {"first sector of the stream outside the table",
     [](Bytes& f, const xls::DocumentLayout& l) { xls::putLe32(f, l.directoryEntryOffset(1) + 116, 0xFFFFFFF0); }, 0},
    {"file cut in the middle of the stream", [](Bytes& f, const xls::DocumentLayout&) { f.resize(512 + 7 * 512); },
     0},
};

TEST(CompoundDocumentTest, DamagedChainsEndTheStreamCleanly) {
  for (const Damage& damage : kDamages) {
    xls::DocumentLayout layout;
    Bytes file = xls::compoundDocument({{u"Workbook", pattern(10000, 1)}}, {}, &layout);
    damage.apply(file, layout);
    CompoundDocument doc;
    if (!doc.openBytes(file)) continue;
    Bytes out;
    doc.readStream("Workbook", out);
    EXPECT_LE(out.size(), 20u * 512) << damage.what;
    if (damage.bytesRead) {
      EXPECT_EQ(out.size(), damage.bytesRead) << damage.what;
    }
    const Bytes expected = pattern(10000, 1);
    const std::size_t common = std::min<std::size_t>(out.size(), expected.size());
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(common), expected.begin()))
        << damage.what;
  }
}

TEST(CompoundDocumentTest, LyingHeaderCountsAreBoundedByTheFile) {
  xls::DocumentLayout layout;
  Bytes file = xls::compoundDocument({{u"Workbook", pattern(600, 1)}}, {}, &layout);
  xls::putLe32(file, 44, 0xFFFFFFFF);  // allocation-table sectors
  xls::putLe32(file, 64, 0xFFFFFFFF);  // mini table sectors
  xls::putLe32(file, 72, 0xFFFFFFFF);  // extension sectors
  CompoundDocument doc;
  ASSERT_TRUE(doc.openBytes(file));
  EXPECT_LE(doc.allocationTable().size(), file.size() / 4);
  Bytes out;
  doc.readStream("Workbook", out);
  EXPECT_LE(out.size(), 600u);
}

TEST(CompoundDocumentTest, SiblingLinksThatLoopEndTheTree) {
  xls::DocumentLayout layout;
  Bytes file = xls::compoundDocument({{u"A", pattern(10, 1)}, {u"B", pattern(10, 2)}}, {}, &layout);
  xls::putLe32(file, layout.directoryEntryOffset(2) + 72, 1);  // B's right sibling is A again
  xls::putLe32(file, layout.directoryEntryOffset(2) + 76, 0);  // and its child is the root
  CompoundDocument doc;
  ASSERT_TRUE(doc.openBytes(file));
  EXPECT_EQ(doc.nodes().size(), 3u);
  EXPECT_EQ(readAll(doc, "B"), pattern(10, 2));
}

TEST(CompoundDocumentTest, UnsupportedSectorShiftFailsTheOpen) {
  Bytes file = xls::compoundDocument({{u"Workbook", pattern(10, 1)}});
  for (std::uint16_t shift : {0, 6, 17, 0xFFFF}) {
    xls::putLe16(file, 30, shift);
    CompoundDocument doc;
    EXPECT_FALSE(doc.openBytes(file)) << shift;
  }
}

}  // namespace
