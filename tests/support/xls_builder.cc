#include "support/xls_builder.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "workbook/byte_order.h"
#include "workbook/worksheet.h"

namespace xls {

using namespace Bivex;

namespace {

constexpr std::uint32_t kEnd = 0xFFFFFFFE;
constexpr std::uint32_t kFree = 0xFFFFFFFF;
constexpr std::uint32_t kFatMark = 0xFFFFFFFD;
constexpr std::uint32_t kDifatMark = 0xFFFFFFFC;

Bytes written(Record& r) {
  Bytes out;
  r.write(out);
  return out;
}

Bytes cellStart(std::uint16_t r, std::uint16_t c) {
  Bytes d;
  put16(d, r);
  put16(d, c);
  put16(d, 15);
  return d;
}

struct SectorWriter {
  std::uint32_t sectorSize;
  Bytes body;
  std::vector<std::uint32_t> fat;

  std::uint32_t next() const { return static_cast<std::uint32_t>(fat.size()); }
  std::uint32_t allocate(const Bytes& data) {
    if (data.empty()) return kEnd;
    const std::uint32_t first = next();
    const std::size_t count = (data.size() + sectorSize - 1) / sectorSize;
    for (std::size_t k = 0; k < count; ++k) fat.push_back(k + 1 < count ? first + static_cast<std::uint32_t>(k) + 1 : kEnd);
    body.insert(body.end(), data.begin(), data.end());
    body.resize(fat.size() * sectorSize, 0);
    return first;
  }
};

void putEntry(Bytes& dir, const std::u16string& name, std::uint8_t type, std::uint32_t right, std::uint32_t child,
              std::uint32_t start, std::uint32_t size) {
  Bytes e(128, 0);
  const std::size_t n = std::min<std::size_t>(name.size(), 31);
  for (std::size_t i = 0; i < n; ++i) {
    e[2 * i] = static_cast<std::uint8_t>(name[i]);
    e[2 * i + 1] = static_cast<std::uint8_t>(name[i] >> 8);
  }
  putLe16(e, 64, static_cast<std::uint16_t>(n ? (n + 1) * 2 : 0));
  e[66] = type;
  e[67] = 1;
  putLe32(e, 68, kFree);
  putLe32(e, 72, right);
  putLe32(e, 76, child);
  putLe32(e, 116, start);
  putLe32(e, 120, size);
  dir.insert(dir.end(), e.begin(), e.end());
}

}  // namespace

void putLe32(Bytes& bytes, std::uint64_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
}
void putLe16(Bytes& bytes, std::uint64_t offset, std::uint16_t value) {
  bytes.at(offset) = static_cast<std::uint8_t>(value);
  bytes.at(offset + 1) = static_cast<std::uint8_t>(value >> 8);
}

Bytes record(std::uint16_t code, const Bytes& data, const std::vector<std::uint32_t>& continueOffsets) {
  Record r(code);
  r.setData(data, continueOffsets);
  return written(r);
}

Bytes bof(std::uint16_t type) {
  BOF b(type);
  return written(b);
}
Bytes eof() { return record(codes::kEof, {}); }

Bytes dimensions(std::uint32_t rows, std::uint16_t columns) {
  Bytes d;
  put32(d, 0);
  put32(d, rows);
  put16(d, 0);
  put16(d, columns);
  put16(d, 0);
  return record(codes::kDimensions, d);
}

Bytes row(std::uint16_t r) {
  Bytes d;
  put16(d, r);
  put16(d, 0);
  put16(d, 4);
  put16(d, 255);
  put32(d, 0);
  put32(d, 0x100);
  return record(codes::kRow, d);
}

Bytes dbcell() { return record(codes::kDBCell, Bytes(4, 0)); }
Bytes window2() { return record(codes::kWindow2, Bytes(18, 0)); }

Bytes number(std::uint16_t r, std::uint16_t c, double v) {
  Bytes d = cellStart(r, c);
  put64(d, bitsOfDouble(v));
  return record(codes::kNumber, d);
}

Bytes rk(std::uint16_t r, std::uint16_t c, std::uint32_t raw) {
  Bytes d = cellStart(r, c);
  put32(d, raw);
  return record(codes::kRK, d);
}

Bytes mulrk(std::uint16_t r, std::uint16_t first, const std::vector<std::uint32_t>& raws) {
  Bytes d;
  put16(d, r);
  put16(d, first);
  for (std::uint32_t raw : raws) {
    put16(d, 15);
    put32(d, raw);
  }
  put16(d, static_cast<std::uint16_t>(first + raws.size() - 1));
  return record(codes::kMulRK, d);
}

Bytes labelSst(std::uint16_t r, std::uint16_t c, std::uint32_t index) {
  Bytes d = cellStart(r, c);
  put32(d, index);
  return record(codes::kLabelSST, d);
}

Bytes label(std::uint16_t r, std::uint16_t c, const std::string& text) {
  Bytes d = cellStart(r, c);
  put16(d, static_cast<std::uint16_t>(text.size()));
  put8(d, 0);
  d.insert(d.end(), text.begin(), text.end());
  return record(codes::kLabel, d);
}

Bytes label16(std::uint16_t r, std::uint16_t c, const std::u16string& text) {
  Bytes d = cellStart(r, c);
  put16(d, static_cast<std::uint16_t>(text.size()));
  put8(d, 1);
  for (char16_t u : text) put16(d, u);
  return record(codes::kLabel, d);
}

Bytes boolErr(std::uint16_t r, std::uint16_t c, std::uint8_t value, std::uint8_t errorFlag) {
  Bytes d = cellStart(r, c);
  put8(d, value);
  put8(d, errorFlag);
  return record(codes::kBoolErr, d);
}

Bytes formula(std::uint16_t r, std::uint16_t c) {
  Bytes d = cellStart(r, c);
  put64(d, bitsOfDouble(4.0));  // a cached number
  put16(d, 0);
  put32(d, 0);
  put16(d, 3);  // tokens: ptgInt 2 (3 bytes)
  put8(d, 0x1E);
  put16(d, 2);
  return record(codes::kFormula, d);
}

Bytes stringRecord(const std::string& text) {
  Bytes d;
  put16(d, static_cast<std::uint16_t>(text.size()));
  put8(d, 0);
  d.insert(d.end(), text.begin(), text.end());
  return record(codes::kString, d);
}

UnicodeString text8(const std::string& s) {
  UnicodeString u;
  u.flags = 0;
  u.text8 = s;
  return u;
}

UnicodeString text16(const std::u16string& s) {
  UnicodeString u;
  u.flags = 1;
  u.wide = true;
  u.text16 = s;
  return u;
}

Bytes sst(const std::vector<UnicodeString>& strings) {
  Workbook::SharedStringTable table;
  table.setStrings(strings, static_cast<std::uint32_t>(strings.size()));
  return written(table);
}

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes workbookStream(const std::vector<Sheet>& sheets) {
  std::vector<UnicodeString> strings;
  std::map<std::string, std::uint32_t> indexOf;
  for (const Sheet& sheet : sheets)
    for (const auto& cells : sheet)
      for (const Cell& cell : cells)
        if (auto* s = std::get_if<std::string>(&cell); s && !indexOf.count(*s)) {
          indexOf[*s] = static_cast<std::uint32_t>(strings.size());
          strings.push_back(text8(*s));
        }
  Bytes out = concat({bof(BOF::kGlobals), sst(strings), eof()});
  for (const Sheet& sheet : sheets) {
    std::size_t columns = 0;
    for (const auto& cells : sheet) columns = std::max(columns, cells.size());
    Bytes ws = concat({bof(BOF::kWorksheet), dimensions(static_cast<std::uint32_t>(sheet.size()),
                                                        static_cast<std::uint16_t>(columns))});
    for (std::size_t first = 0; first < sheet.size(); first += 32) {
      const std::size_t last = std::min(sheet.size(), first + 32);
      for (std::size_t r = first; r < last; ++r) {
        Bytes rr = row(static_cast<std::uint16_t>(r));
        ws.insert(ws.end(), rr.begin(), rr.end());
      }
      for (std::size_t r = first; r < last; ++r)
        for (std::size_t c = 0; c < sheet[r].size(); ++c) {
          const auto rowIndex = static_cast<std::uint16_t>(r);
          const auto col = static_cast<std::uint16_t>(c);
          Bytes cell;
          if (auto* i = std::get_if<std::int32_t>(&sheet[r][c]))
            cell = rk(rowIndex, col, (static_cast<std::uint32_t>(*i) << 2) | 2);
          else if (auto* v = std::get_if<double>(&sheet[r][c]))
            cell = number(rowIndex, col, *v);
          else if (auto* s = std::get_if<std::string>(&sheet[r][c]))
            cell = labelSst(rowIndex, col, indexOf[*s]);
          ws.insert(ws.end(), cell.begin(), cell.end());
        }
      Bytes db = dbcell();
      ws.insert(ws.end(), db.begin(), db.end());
    }
    Bytes tail = concat({window2(), eof()});
    ws.insert(ws.end(), tail.begin(), tail.end());
    out.insert(out.end(), ws.begin(), ws.end());
  }
  return out;
}

std::uint64_t DocumentLayout::fatEntryOffset(std::uint32_t entry) const {
  const std::uint32_t perSector = sectorSize / 4;
  return (static_cast<std::uint64_t>(fatSectors.at(entry / perSector)) + 1) * sectorSize + 4ull * (entry % perSector);
}

std::uint64_t DocumentLayout::directoryEntryOffset(std::uint32_t entry) const {
  const std::uint32_t perSector = sectorSize / 128;
  return (static_cast<std::uint64_t>(directorySector) + entry / perSector + 1) * sectorSize + 128ull * (entry % perSector);
}

Bytes compoundDocument(const std::vector<Stream>& streams, const DocumentOptions& options, DocumentLayout* layout) {
  const std::uint32_t ss = 1u << options.sectorShift;
  DocumentLayout local;
  DocumentLayout& lay = layout ? *layout : local;
  lay = DocumentLayout{};
  lay.sectorSize = ss;
  SectorWriter w{ss, {}, {}};

  Bytes mini;
  std::vector<std::uint32_t> miniFat;
  for (const Stream& s : streams) {
    if (s.bytes.size() >= 4096) {
      lay.streamStarts.push_back(w.allocate(s.bytes));
      continue;
    }
    if (s.bytes.empty()) {
      lay.streamStarts.push_back(kEnd);
      continue;
    }
    const auto first = static_cast<std::uint32_t>(mini.size() / 64);
    const std::size_t count = (s.bytes.size() + 63) / 64;
    for (std::size_t k = 0; k < count; ++k) miniFat.push_back(k + 1 < count ? first + static_cast<std::uint32_t>(k) + 1 : kEnd);
    mini.insert(mini.end(), s.bytes.begin(), s.bytes.end());
    mini.resize(miniFat.size() * 64, 0);
    lay.streamStarts.push_back(first);
  }
  const std::uint32_t miniStreamStart = w.allocate(mini);
  Bytes miniFatBytes;
  for (std::uint32_t e : miniFat) put32(miniFatBytes, e);
  while (miniFatBytes.size() % ss) put32(miniFatBytes, kFree);
  const std::uint32_t miniFatStart = w.allocate(miniFatBytes);
  const auto miniFatCount = static_cast<std::uint32_t>(miniFatBytes.size() / ss);

  Bytes dir;
  putEntry(dir, u"Root Entry", 5, kFree, streams.empty() ? kFree : 1, miniStreamStart,
           static_cast<std::uint32_t>(mini.size()));
  for (std::size_t i = 0; i < streams.size(); ++i)
    putEntry(dir, streams[i].name, 2, i + 1 < streams.size() ? static_cast<std::uint32_t>(i + 2) : kFree, kFree,
             lay.streamStarts[i], static_cast<std::uint32_t>(streams[i].bytes.size()));
  while (dir.size() % ss) putEntry(dir, u"", 0, kFree, kFree, kFree, 0);
  lay.directorySector = w.allocate(dir);

  const std::uint32_t perFat = ss / 4;
  const std::uint32_t perDifat = perFat - 1;
  std::uint32_t fatCount = 1, difatCount = 0;
  for (;;) {
    difatCount = fatCount > 109 ? (fatCount - 109 + perDifat - 1) / perDifat : 0;
    if (w.next() + fatCount + difatCount <= static_cast<std::uint64_t>(fatCount) * perFat) break;
    ++fatCount;
  }
  for (std::uint32_t k = 0; k < fatCount; ++k) lay.fatSectors.push_back(w.next() + k);
  std::vector<std::uint32_t> difatSectors;
  for (std::uint32_t k = 0; k < difatCount; ++k) difatSectors.push_back(w.next() + fatCount + k);
  std::vector<std::uint32_t> fat = w.fat;
  fat.insert(fat.end(), fatCount, kFatMark);
  fat.insert(fat.end(), difatCount, kDifatMark);
  fat.resize(static_cast<std::size_t>(fatCount) * perFat, kFree);
  Bytes body = w.body;
  for (std::uint32_t e : fat) put32(body, e);
  for (std::uint32_t k = 0; k < difatCount; ++k) {
    Bytes sector;
    for (std::uint32_t i = 0; i < perDifat; ++i) {
      const std::size_t n = 109 + static_cast<std::size_t>(k) * perDifat + i;
      put32(sector, n < lay.fatSectors.size() ? lay.fatSectors[n] : kFree);
    }
    put32(sector, k + 1 < difatCount ? difatSectors[k + 1] : kEnd);
    body.insert(body.end(), sector.begin(), sector.end());
  }

  Bytes header;
  for (std::uint8_t b : {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1}) header.push_back(b);
  header.resize(24, 0);
  put16(header, 0x3E);
  put16(header, options.sectorShift == 12 ? 4 : 3);
  put16(header, 0xFFFE);
  put16(header, static_cast<std::uint16_t>(options.sectorShift));
  put16(header, 6);
  header.resize(44, 0);
  put32(header, fatCount);
  put32(header, lay.directorySector);
  put32(header, 0);
  put32(header, 4096);
  put32(header, miniFatCount ? miniFatStart : kEnd);
  put32(header, miniFatCount);
  put32(header, difatCount ? difatSectors[0] : kEnd);
  put32(header, difatCount);
  for (std::uint32_t i = 0; i < 109; ++i) put32(header, i < fatCount ? lay.fatSectors[i] : kFree);
  header.resize(ss, 0);
  header.insert(header.end(), body.begin(), body.end());
  return header;
}

Bytes workbookDocument(const Bytes& workbookStreamBytes) {
  return compoundDocument({Stream{u"Workbook", workbookStreamBytes}});
}

bool writeFile(const std::string& path, const Bytes& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

std::string tempPath(const std::string& name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/pedivar_test_" + std::to_string(getpid()) + "_" + name;
}

}  // namespace xls
