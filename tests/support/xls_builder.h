// Test helpers that write workbooks byte by byte: BIFF8 records and streams (through the records'
// own write) and minimal compound documents around them.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "workbook/record.h"
#include "workbook/workbook_globals.h"

namespace xls {

using Bytes = std::vector<std::uint8_t>;

// One record with the given code and data, split into CONTINUE records at the given offsets.
Bytes record(std::uint16_t code, const Bytes& data, const std::vector<std::uint32_t>& continueOffsets = {});
Bytes bof(std::uint16_t type);
Bytes eof();
Bytes dimensions(std::uint32_t rows, std::uint16_t columns);
Bytes row(std::uint16_t r);
Bytes dbcell();
Bytes window2();
Bytes number(std::uint16_t r, std::uint16_t c, double v);
Bytes rk(std::uint16_t r, std::uint16_t c, std::uint32_t raw);
Bytes mulrk(std::uint16_t r, std::uint16_t first, const std::vector<std::uint32_t>& raws);
Bytes labelSst(std::uint16_t r, std::uint16_t c, std::uint32_t index);
Bytes label(std::uint16_t r, std::uint16_t c, const std::string& text8);
Bytes label16(std::uint16_t r, std::uint16_t c, const std::u16string& text16);
Bytes boolErr(std::uint16_t r, std::uint16_t c, std::uint8_t value, std::uint8_t errorFlag);
Bytes formula(std::uint16_t r, std::uint16_t c);
Bytes stringRecord(const std::string& text);
Bytes sst(const std::vector<Bivex::UnicodeString>& strings);
Bivex::UnicodeString text8(const std::string& s);
Bivex::UnicodeString text16(const std::u16string& s);

Bytes concat(std::initializer_list<Bytes> parts);

// A cell of a sheet to write: empty, an RK integer, a NUMBER, or an 8-bit shared string.
using Cell = std::variant<std::monostate, std::int32_t, double, std::string>;
using Sheet = std::vector<std::vector<Cell>>;

// A complete "Workbook" stream: globals with the shared strings of all sheets, then one worksheet
// per sheet with DIMENSIONS, row blocks of up to 32 rows closed by DBCELL, and WINDOW2.
Bytes workbookStream(const std::vector<Sheet>& sheets);

struct Stream {
  std::u16string name;
  Bytes bytes;
};

struct DocumentOptions {
  int sectorShift = 9;  // 12 writes a version 4 document
};

// Where the writer put things, so that tests can damage them.
struct DocumentLayout {
  std::uint32_t sectorSize = 512;
  std::vector<std::uint32_t> fatSectors;     // sector numbers holding the allocation table
  std::vector<std::uint32_t> streamStarts;   // first sector (or mini sector) per stream
  std::uint32_t directorySector = 0;
  std::uint64_t fatEntryOffset(std::uint32_t entry) const;  // file offset of a table entry
  std::uint64_t directoryEntryOffset(std::uint32_t entry) const;
};

// A compound document holding the streams in the root storage; streams below 4096 bytes go into
// the mini stream. Entry 0 is the root, the streams follow in order.
Bytes compoundDocument(const std::vector<Stream>& streams, const DocumentOptions& options = {},
                       DocumentLayout* layout = nullptr);
Bytes workbookDocument(const Bytes& workbookStreamBytes);

void putLe32(Bytes& bytes, std::uint64_t offset, std::uint32_t value);
void putLe16(Bytes& bytes, std::uint64_t offset, std::uint16_t value);

// Writes bytes to a file; true on success.
bool writeFile(const std::string& path, const Bytes& bytes);
std::string tempPath(const std::string& name);

}  // namespace xls
