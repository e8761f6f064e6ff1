#include "workbook/worksheet.h"

#include <algorithm>

#include "workbook/byte_order.h"

namespace Bivex {

double RKValue::number() const {
  double v = (raw & 0x02) ? static_cast<double>(integer())
                          : doubleFromBits(static_cast<std::uint64_t>(raw & 0xFFFFFFFCu) << 32);
  return (raw & 0x01) ? v / 100.0 : v;
}

namespace {

CellAddress addressOf(const std::vector<std::uint8_t>& d) {
  return CellAddress{le16(d, 0), le16(d, 2), le16(d, 4)};
}

void putAddress(std::vector<std::uint8_t>& d, const CellAddress& a) {
  put16(d, a.row);
  put16(d, a.column);
  put16(d, a.xf);
}

bool isCompanionCode(std::uint16_t code) {
  return code == codes::kTable || code == codes::kShrFmla1 || code == codes::kArray || code == codes::kShrFmla;
}

std::unique_ptr<Record> newCompanion(std::uint16_t code) {
  using F = CellBlock::Formula;
  switch (code) {
    case codes::kArray: return std::make_unique<F::Array>();
    case codes::kShrFmla: return std::make_unique<F::ShrFmla>();
    case codes::kShrFmla1: return std::make_unique<F::ShrFmla1>();
    default: return std::make_unique<F::Table>();
  }
}

std::unique_ptr<Record> newCellRecord(std::uint16_t code) {
  switch (code) {
    case codes::kBlank: return std::make_unique<CellBlock::Blank>();
    case codes::kBoolErr: return std::make_unique<CellBlock::BoolErr>();
    case codes::kLabelSST: return std::make_unique<CellBlock::LabelSST>();
    case codes::kMulBlank: return std::make_unique<CellBlock::MulBlank>();
    case codes::kMulRK: return std::make_unique<CellBlock::MulRK>();
    case codes::kNumber: return std::make_unique<CellBlock::Number>();
    case codes::kRK: return std::make_unique<CellBlock::RK>();
    case codes::kFormula: return std::make_unique<CellBlock::Formula>();
    default: return std::make_unique<CellBlock::Label>(code);
  }
}

}  // namespace

std::uint32_t Worksheet::Index::read(const std::uint8_t* stream, std::size_t available) {
  const std::uint32_t size = Record::read(stream, available);
  dbCellPositions_.clear();
  if (data_.size() > 16) {
    const auto first = static_cast<std::int64_t>(firstRow());
    const auto last = static_cast<std::int64_t>(lastRowPlus1());
    const std::int64_t wanted = (last - first - 1) / 32 + 1;
    const std::int64_t held = static_cast<std::int64_t>((data_.size() - 16) / 4);
    for (std::int64_t i = 0; i < std::min(wanted, held); ++i)
      dbCellPositions_.push_back(le32(data_, 16 + 4 * static_cast<std::size_t>(i)));
  }
  return size;
}
std::uint32_t Worksheet::Index::firstRow() const { return le32(data_, 4); }
std::uint32_t Worksheet::Index::lastRowPlus1() const { return le32(data_, 8); }

std::uint32_t Worksheet::Dimensions::firstRow() const { return le32(data_, 0); }
std::uint32_t Worksheet::Dimensions::lastRowPlus1() const { return le32(data_, 4); }
std::uint16_t Worksheet::Dimensions::firstColumn() const { return le16(data_, 8); }
std::uint16_t Worksheet::Dimensions::lastColumnPlus1() const { return le16(data_, 10); }

std::uint16_t Worksheet::Window2::options() const { return le16(data_, 0); }

std::uint16_t Worksheet::CellTable::RowBlock::Row::row() const { return le16(data_, 0); }
std::uint16_t Worksheet::CellTable::RowBlock::Row::firstColumn() const { return le16(data_, 2); }
std::uint16_t Worksheet::CellTable::RowBlock::Row::lastColumnPlus1() const { return le16(data_, 4); }
std::uint32_t Worksheet::CellTable::RowBlock::DBCell::firstRowOffset() const { return le32(data_, 0); }

bool CellBlock::isCellCode(std::uint16_t code) {
  switch (code) {
    case codes::kFormula:
    case codes::kMulRK:
    case codes::kMulBlank:
    case codes::kLabelSST:
    case codes::kBlank:
    case codes::kNumber:
    case codes::kBoolErr:
    case codes::kRK:
    case codes::kLabel:
    case codes::kRString: return true;
    default: return false;
  }
}

std::uint32_t CellBlock::read(const std::uint8_t* stream, std::size_t available) {
  code_ = recordCodeAt(stream, available);
  record_ = newCellRecord(code_);
  row_ = le16(stream, available, 4);
  column_ = le16(stream, available, 6);
  return record_->read(stream, available);
}

std::uint32_t CellBlock::Blank::read(const std::uint8_t* stream, std::size_t available) {
  std::vector<std::uint8_t> d;
  const std::uint32_t consumed = Record::read(stream, available);
  d = takeData();
  address = addressOf(d);
  complete = d.size() >= 6;
  return consumed;
}
std::uint32_t CellBlock::Blank::write(std::vector<std::uint8_t>& out) {
  std::vector<std::uint8_t> d;
  putAddress(d, address);
  return writeEncoded(out, std::move(d));
}

std::uint32_t CellBlock::BoolErr::read(const std::uint8_t* stream, std::size_t available) {
  std::vector<std::uint8_t> d;
  const std::uint32_t consumed = Record::read(stream, available);
  d = takeData();
  address = addressOf(d);
  value = le8(d, 6);
  errorFlag = le8(d, 7);
  complete = d.size() >= 8;
  return consumed;
}
std::uint32_t CellBlock::BoolErr::write(std::vector<std::uint8_t>& out) {
  std::vector<std::uint8_t> d;
  putAddress(d, address);
  put8(d, value);
  put8(d, errorFlag);
  return writeEncoded(out, std::move(d));
}

std::uint32_t CellBlock::LabelSST::read(const std::uint8_t* stream, std::size_t available) {
  std::vector<std::uint8_t> d;
  const std::uint32_t consumed = Record::read(stream, available);
  d = takeData();
  address = addressOf(d);
  stringIndex = le32(d, 6);
  complete = d.size() >= 10;
  return consumed;
}
std::uint32_t CellBlock::LabelSST::write(std::vector<std::uint8_t>& out) {
  std::vector<std::uint8_t> d;
  putAddress(d, address);
  put32(d, stringIndex);
  return writeEncoded(out, std::move(d));
}

std::uint32_t CellBlock::MulBlank::read(const std::uint8_t* stream, std::size_t available) {
  std::vector<std::uint8_t> d;
  const std::uint32_t consumed = Record::read(stream, available);
  d = takeData();
  xfs.clear();
  row = le16(d, 0);
  firstColumn = le16(d, 2);
  if (d.size() >= 6) {
    lastColumn = le16(d, d.size() - 2);
    const std::size_t declared = lastColumn >= firstColumn ? lastColumn - firstColumn + 1u : 0u;
    const std::size_t count = std::min(declared, (d.size() - 6) / 2);
    for (std::size_t i = 0; i < count; ++i) xfs.push_back(le16(d, 4 + 2 * i));
  }
  return consumed;
}
std::uint32_t CellBlock::MulBlank::write(std::vector<std::uint8_t>& out) {
  std::vector<std::uint8_t> d;
  put16(d, row);
  put16(d, firstColumn);
  for (std::uint16_t xf : xfs) put16(d, xf);
  put16(d, lastColumn);
  return writeEncoded(out, std::move(d));
}
std::uint32_t CellBlock::MulBlank::dataSize() const { return static_cast<std::uint32_t>(6 + 2 * xfs.size()); }

std::uint32_t CellBlock::MulRK::read(const std::uint8_t* stream, std::size_t available) {
  std::vector<std::uint8_t> d;
  const std::uint32_t consumed = Record::read(stream, available);
  d = takeData();
  entries.clear();
  row = le16(d, 0);
  firstColumn = le16(d, 2);
  if (d.size() >= 6) {
    lastColumn = le16(d, d.size() - 2);
    const std::size_t declared = lastColumn >= firstColumn ? lastColumn - firstColumn + 1u : 0u;
    const std::size_t count = std::min(declared, (d.size() - 6) / 6);
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
      entries.push_back(Entry{le16(d, 4 + 6 * i), RKValue{le32(d, 6 + 6 * i)}});
  }
  return consumed;
}
std::uint32_t CellBlock::MulRK::write(std::vector<std::uint8_t>& out) {
  std::vector<std::uint8_t> d;
  put16(d, row);
  put16(d, firstColumn);
  for (const Entry& e : entries) {
    put16(d, e.xf);
    put32(d, e.value.raw);
  }
  put16(d, lastColumn);
  return writeEncoded(out, std::move(d));
}
std::uint32_t CellBlock::MulRK::dataSize() const { return static_cast<std::uint32_t>(6 + 6 * entries.size()); }

std::uint32_t CellBlock::Number::read(const std::uint8_t* stream, std::size_t available) {
  std::vector<std::uint8_t> d;
  const std::uint32_t consumed = Record::read(stream, available);
  d = takeData();
  address = addressOf(d);
  value = doubleFromBits(le64(d, 6));
  complete = d.size() >= 14;
  return consumed;
}
std::uint32_t CellBlock::Number::write(std::vector<std::uint8_t>& out) {
  std::vector<std::uint8_t> d;
  putAddress(d, address);
  put64(d, bitsOfDouble(value));
  return writeEncoded(out, std::move(d));
}

std::uint32_t CellBlock::RK::read(const std::uint8_t* stream, std::size_t available) {
  std::vector<std::uint8_t> d;
  const std::uint32_t consumed = Record::read(stream, available);
  d = takeData();
  address = addressOf(d);
  value.raw = le32(d, 6);
  complete = d.size() >= 10;
  return consumed;
}
std::uint32_t CellBlock::RK::write(std::vector<std::uint8_t>& out) {
  std::vector<std::uint8_t> d;
  putAddress(d, address);
  put32(d, value.raw);
  return writeEncoded(out, std::move(d));
}

std::uint32_t CellBlock::Label::read(const std::uint8_t* stream, std::size_t available) {
  std::vector<std::uint8_t> d;
  const std::uint32_t consumed = Record::read(stream, available);
  d = takeData();
  address = addressOf(d);
  text = UnicodeString();
  complete = d.size() >= 9;
  if (complete) {
    const std::size_t count = le16(d, 6);
    text.flags = le8(d, 8);
    text.wide = (text.flags & 0x01) != 0;
    const int width = text.wide ? 2 : 1;
    text.appendCharacters(d.data() + 9, std::min(count, (d.size() - 9) / width), width);
  }
  return consumed;
}
std::uint32_t CellBlock::Label::write(std::vector<std::uint8_t>& out) {
  std::vector<std::uint8_t> d;
  putAddress(d, address);
  const std::size_t count = std::min<std::size_t>(text.wide ? text.text16.size() : text.text8.size(), 0xFFFF);
  put16(d, static_cast<std::uint16_t>(count));
  put8(d, text.wide ? 1 : 0);
  for (std::size_t i = 0; i < count; ++i) {
    if (text.wide)
      put16(d, text.text16[i]);
    else
      put8(d, static_cast<std::uint8_t>(text.text8[i]));
  }
  return writeEncoded(out, std::move(d));
}
std::uint32_t CellBlock::Label::dataSize() const {
  const std::size_t count = std::min<std::size_t>(text.wide ? text.text16.size() : text.text8.size(), 0xFFFF);
  return static_cast<std::uint32_t>(9 + count * (text.wide ? 2 : 1));
}

std::uint32_t CellBlock::Formula::read(const std::uint8_t* stream, std::size_t available) {
  std::uint32_t consumed = Record::read(stream, available);
  address = addressOf(data_);
  cachedResult = le64(data_, 6);
  options = le16(data_, 14);
  companionCode = 0;
  companion.reset();
  string.reset();
  const std::uint16_t next = recordCodeAt(stream + consumed, available - consumed);
  if (isCompanionCode(next)) {
    companionCode = next;
    companion = newCompanion(next);
    consumed += companion->read(stream + consumed, available - consumed);
  }
  if (recordCodeAt(stream + consumed, available - consumed) == codes::kString) {
    string = std::make_unique<String>();
    consumed += string->read(stream + consumed, available - consumed);
  }
  return consumed;
}
std::uint32_t CellBlock::Formula::write(std::vector<std::uint8_t>& out) {
  std::uint32_t written = Record::write(out);
  if (companion) written += companion->write(out);
  if (string) written += string->write(out);
  return written;
}

std::size_t Worksheet::read(const std::uint8_t* stream, std::size_t available) {
  using RowBlock = CellTable::RowBlock;
  // The last row block stays open for cell and ROW records until a DBCELL closes it. Cell blocks
  // grow geometrically: a row block of writers that omit ROW records holds every cell of the sheet,
  // and growing it in fixed steps would copy it over and over.
  bool isOpen = false;
  auto open = [&]() -> RowBlock& { return cellTable.rowBlocks.back(); };
  auto openBlock = [&] {
    if (cellTable.rowBlocks.empty()) cellTable.rowBlocks.reserve(1000);
    cellTable.rowBlocks.emplace_back();
    isOpen = true;
  };
  std::size_t pos = 0;
  while (pos + 4 <= available) {
    const std::uint8_t* at = stream + pos;
    const std::size_t rest = available - pos;
    const std::uint16_t code = recordCodeAt(at, rest);
    if (code == codes::kEof) return pos + singleRecordSize(at, rest);
    if (CellBlock::isCellCode(code)) {
      if (!isOpen) openBlock();
      pos += open().cells.emplace_back().read(at, rest);
      continue;
    }
    switch (code) {
      case codes::kBof: pos += pos == 0 ? bof.read(at, rest) : skipSubstream(at, rest); break;
      case codes::kIndex: pos += index.read(at, rest); break;
      case codes::kDimensions:
        pos += dimensions.read(at, rest);
        hasDimensions = true;
        break;
      case codes::kWindow2: pos += window2.read(at, rest); break;
      case codes::kRow:
        // ROW records after cells begin the next row block (writers that omit DBCELL).
        if (!isOpen || !open().cells.empty()) openBlock();
        pos += open().rows.emplace_back().read(at, rest);
        break;
      case codes::kDBCell:
        if (!isOpen) {
          pos += skipRecord(at, rest);
          break;
        }
        pos += open().dbCell.read(at, rest);
        open().closedByDBCell = true;
        isOpen = false;
        break;
      default: pos += skipRecord(at, rest); break;
    }
  }
  return available;
}

}  // namespace Bivex
