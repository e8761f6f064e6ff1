#include "workbook/workbook_globals.h"

#include <algorithm>

#include "workbook/byte_order.h"

namespace Bivex {

void UnicodeString::appendCharacters(const std::uint8_t* bytes, std::size_t count, int width) {
  for (std::size_t i = 0; i < count && !ended; ++i) {
    const char16_t unit = width == 2 ? static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)) : bytes[i];
    if (wide) {
      text16.push_back(unit);
    } else if (unit > 0xFF) {
      ended = true;  // an 8-bit text cannot hold it: the text ends here
    } else {
      text8.push_back(static_cast<char>(unit));
    }
  }
}

std::size_t decodeShortString(const std::vector<std::uint8_t>& d, std::size_t offset, UnicodeString& out) {
  const std::size_t count = le8(d, offset);
  out.flags = le8(d, offset + 1);
  out.wide = out.flags != 0;
  const int width = out.wide ? 2 : 1;
  const std::size_t start = std::min(offset + 2, d.size());
  const std::size_t fit = std::min(count, (d.size() - start) / width);
  out.appendCharacters(d.data() + start, fit, width);
  return 2 + count * width;
}

void encodeShortString(std::vector<std::uint8_t>& out, const UnicodeString& s) {
  const std::size_t count = std::min<std::size_t>(s.wide ? s.text16.size() : s.text8.size(), 0xFF);
  put8(out, static_cast<std::uint8_t>(count));
  put8(out, s.wide ? 1 : 0);
  for (std::size_t i = 0; i < count; ++i) {
    if (s.wide)
      put16(out, s.text16[i]);
    else
      put8(out, static_cast<std::uint8_t>(s.text8[i]));
  }
}

std::size_t decodeLongString(const std::vector<std::uint8_t>& d, std::size_t p,
                             const std::vector<std::uint32_t>& boundaries, std::size_t& next, UnicodeString& out) {
  const std::size_t size = d.size();
  const std::size_t count = le16(d, p);
  const std::uint8_t flags = le8(d, p + 2);
  out.flags = flags;
  out.wide = (flags & 0x01) != 0;
  std::size_t header = 3;
  if (flags & 0x08) {
    out.richRuns = le16(d, p + header);
    header += 2;
  }
  if (flags & 0x04) {
    out.phoneticSize = le32(d, p + header);
    header += 4;
  }
  std::size_t pos = std::min(p + header, size);
  // A boundary at or before the characters' start belongs to the header (or to the string
  // before): only boundaries inside the characters carry a flag byte.
  while (next < boundaries.size() && boundaries[next] < pos) ++next;
  int width = out.wide ? 2 : 1;
  std::size_t remaining = count;
  while (remaining > 0 && pos < size) {
    if (next < boundaries.size() && boundaries[next] == pos) {
      width = (d[pos] & 0x01) ? 2 : 1;
      ++pos;
      ++next;
      continue;
    }
    const std::size_t limit = next < boundaries.size() ? std::min<std::size_t>(boundaries[next], size) : size;
    const std::size_t take = std::min(remaining, (limit - pos) / width);
    if (take == 0) {
      if (limit >= size) break;
      pos = limit;  // half a character before the boundary: the next piece starts there
      continue;
    }
    out.appendCharacters(d.data() + pos, take, width);
    pos += take * width;
    remaining -= take;
  }
  const std::uint64_t tail = 4ull * out.richRuns + out.phoneticSize;
  return static_cast<std::size_t>(std::min<std::uint64_t>(size, pos + tail));
}

void encodeLongString(std::vector<std::uint8_t>& out, const UnicodeString& s) {
  const std::size_t count = std::min<std::size_t>(s.wide ? s.text16.size() : s.text8.size(), 0xFFFF);
  put16(out, static_cast<std::uint16_t>(count));
  put8(out, static_cast<std::uint8_t>((s.wide ? 0x01 : 0) | (s.richRuns ? 0x08 : 0) | (s.phoneticSize ? 0x04 : 0)));
  if (s.richRuns) put16(out, s.richRuns);
  if (s.phoneticSize) put32(out, s.phoneticSize);
  for (std::size_t i = 0; i < count; ++i) {
    if (s.wide)
      put16(out, s.text16[i]);
    else
      put8(out, static_cast<std::uint8_t>(s.text8[i]));
  }
  out.insert(out.end(), 4ull * s.richRuns + s.phoneticSize, 0);
}

std::uint16_t Workbook::Window1::activeSheet() const { return le16(data_, 10); }
std::uint16_t Workbook::Window1::firstVisibleTab() const { return le16(data_, 12); }

std::uint32_t Workbook::Font::read(const std::uint8_t* stream, std::size_t available) {
  const std::uint32_t size = Record::read(stream, available);
  name_ = UnicodeString();
  decodeShortString(data_, 14, name_);
  return size;
}
std::uint16_t Workbook::Font::height() const { return le16(data_, 0); }

std::uint16_t Workbook::XF::fontIndex() const { return le16(data_, 0); }
std::uint16_t Workbook::XF::formatIndex() const { return le16(data_, 2); }

std::uint32_t Workbook::Style::read(const std::uint8_t* stream, std::size_t available) {
  const std::uint32_t size = Record::read(stream, available);
  name_ = UnicodeString();
  if (!builtIn()) {
    std::size_t next = 0;
    decodeLongString(data_, 2, {}, next, name_);
  }
  return size;
}
bool Workbook::Style::builtIn() const { return (le16(data_, 0) & 0x8000) != 0; }

std::uint32_t Workbook::BoundSheet::read(const std::uint8_t* stream, std::size_t available) {
  const std::uint32_t size = Record::read(stream, available);
  name_ = UnicodeString();
  decodeShortString(data_, 6, name_);
  return size;
}
std::uint32_t Workbook::BoundSheet::bofPosition() const { return le32(data_, 0); }
std::uint8_t Workbook::BoundSheet::visibility() const { return le8(data_, 4); }
std::uint8_t Workbook::BoundSheet::sheetType() const { return le8(data_, 5); }

std::uint32_t Workbook::SharedStringTable::read(const std::uint8_t* stream, std::size_t available) {
  const std::uint32_t size = Record::read(stream, available);
  totalCount_ = le32(data_, 0);
  uniqueCount_ = le32(data_, 4);
  strings_.clear();
  // Each string takes at least 3 bytes, so a count that lies cannot make the table larger than its data.
  strings_.reserve(std::min<std::size_t>(uniqueCount_, data_.size() / 3));
  std::size_t p = 8;
  std::size_t next = 0;
  for (std::uint32_t i = 0; i < uniqueCount_ && p + 3 <= data_.size(); ++i) {
    UnicodeString s;
    p = decodeLongString(data_, p, continueOffsets_, next, s);
    strings_.push_back(std::move(s));
  }
  return size;
}

void Workbook::SharedStringTable::setStrings(std::vector<UnicodeString> strings, std::uint32_t totalCount) {
  strings_ = std::move(strings);
  totalCount_ = totalCount;
  uniqueCount_ = static_cast<std::uint32_t>(strings_.size());
  std::vector<std::uint8_t> d;
  std::vector<std::uint32_t> offsets;
  put32(d, totalCount_);
  put32(d, uniqueCount_);
  std::size_t recordStart = 0;
  auto room = [&] { return recordStart + kMaxRecordData - d.size(); };
  auto newRecord = [&] {
    recordStart = d.size();
    offsets.push_back(static_cast<std::uint32_t>(recordStart));
  };
  for (const UnicodeString& s : strings_) {
    std::vector<std::uint8_t> whole;
    encodeLongString(whole, s);
    const std::size_t width = s.wide ? 2 : 1;
    const std::size_t header = 3 + (s.richRuns ? 2 : 0) + (s.phoneticSize ? 4 : 0);
    const std::size_t chars = (whole.size() - header - 4ull * s.richRuns - s.phoneticSize) / width;
    if (room() < header + (chars ? width : 0)) newRecord();
    d.insert(d.end(), whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(header));
    std::size_t at = header;
    for (std::size_t left = chars; left > 0;) {
      const std::size_t n = std::min(left, room() / width);
      if (n == 0) {
        newRecord();
        put8(d, s.wide ? 1 : 0);
        continue;
      }
      d.insert(d.end(), whole.begin() + static_cast<std::ptrdiff_t>(at),
               whole.begin() + static_cast<std::ptrdiff_t>(at + n * width));
      at += n * width;
      left -= n;
    }
    while (at < whole.size()) {
      const std::size_t n = std::min(whole.size() - at, room());
      if (n == 0) {
        newRecord();
        continue;
      }
      d.insert(d.end(), whole.begin() + static_cast<std::ptrdiff_t>(at),
               whole.begin() + static_cast<std::ptrdiff_t>(at + n));
      at += n;
    }
  }
  setData(std::move(d), std::move(offsets));
}

std::uint16_t Workbook::ExtSST::stringsPerBucket() const { return le16(data_, 0); }

std::size_t Workbook::read(const std::uint8_t* stream, std::size_t available) {
  std::size_t pos = 0;
  while (pos + 4 <= available) {
    const std::uint8_t* at = stream + pos;
    const std::size_t rest = available - pos;
    switch (recordCodeAt(at, rest)) {
      case codes::kEof: return pos + singleRecordSize(at, rest);
      case codes::kBof: pos += pos == 0 ? bof.read(at, rest) : skipSubstream(at, rest); break;
      case codes::kWindow1: pos += window1.read(at, rest); break;
      case codes::kFont: pos += fonts.emplace_back().read(at, rest); break;
      case codes::kXF: pos += xfs.emplace_back().read(at, rest); break;
      case codes::kStyle: pos += styles.emplace_back().read(at, rest); break;
      case codes::kBoundSheet: pos += boundSheets.emplace_back().read(at, rest); break;
      case codes::kSST: pos += sharedStrings.read(at, rest); break;
      default: pos += skipRecord(at, rest); break;
    }
  }
  return available;
}

}  // namespace Bivex
