#include "workbook/record.h"

#include <algorithm>

#include "workbook/byte_order.h"

namespace Bivex {

namespace {

// The length of the record at `stream`, cut at the end of the stream.
std::size_t clampedLength(const std::uint8_t* stream, std::size_t available) {
  if (available < 4) return 0;
  return std::min<std::size_t>(le16(stream, available, 2), available - 4);
}

void appendPiece(std::vector<std::uint8_t>& out, std::uint16_t code, const std::uint8_t* bytes, std::size_t n) {
  put16(out, code);
  put16(out, static_cast<std::uint16_t>(n));
  out.insert(out.end(), bytes, bytes + n);
}

// Stored offsets are used when they ascend, lie inside the data and keep every piece writable.
bool usableOffsets(const std::vector<std::uint32_t>& offsets, std::size_t size) {
  std::size_t previous = 0;
  for (std::uint32_t offset : offsets) {
    if (offset < previous || offset > size || offset - previous > 0xFFFF) return false;
    previous = offset;
  }
  return size - previous <= 0xFFFF;
}

}  // namespace

std::uint16_t recordCodeAt(const std::uint8_t* stream, std::size_t available) {
  return available < 4 ? 0 : le16(stream, available, 0);
}

std::uint32_t skipRecord(const std::uint8_t* stream, std::size_t available) {
  if (available < 4) return static_cast<std::uint32_t>(available);
  std::size_t size = 4 + clampedLength(stream, available);
  while (recordCodeAt(stream + size, available - size) == codes::kContinue)
    size += 4 + clampedLength(stream + size, available - size);
  return static_cast<std::uint32_t>(size);
}

std::size_t skipSubstream(const std::uint8_t* stream, std::size_t available) {
  std::size_t pos = skipRecord(stream, available);
  std::size_t depth = 1;
  bool afterBof = true;
  while (pos + 4 <= available) {
    const std::uint16_t code = recordCodeAt(stream + pos, available - pos);
    pos += skipRecord(stream + pos, available - pos);
    if (code == codes::kEof && --depth == 0) return pos;
    if (code == codes::kBof && !afterBof) ++depth;
    afterBof = code == codes::kBof;
  }
  return available;
}

std::uint32_t Record::read(const std::uint8_t* stream, std::size_t available) {
  data_.clear();
  continueOffsets_.clear();
  if (available < 4) return static_cast<std::uint32_t>(available);
  code_ = le16(stream, available, 0);
  std::size_t n = clampedLength(stream, available);
  data_.assign(stream + 4, stream + 4 + n);
  std::size_t size = 4 + n;
  while (recordCodeAt(stream + size, available - size) == codes::kContinue) {
    continueOffsets_.push_back(static_cast<std::uint32_t>(data_.size()));
    n = clampedLength(stream + size, available - size);
    data_.insert(data_.end(), stream + size + 4, stream + size + 4 + n);
    size += 4 + n;
  }
  return static_cast<std::uint32_t>(size);
}

std::uint32_t Record::write(std::vector<std::uint8_t>& out) {
  const std::size_t start = out.size();
  std::vector<std::uint32_t> cuts = continueOffsets_;
  if (!usableOffsets(cuts, data_.size())) cuts.clear();
  if (cuts.empty())
    for (std::size_t at = kMaxRecordData; at < data_.size(); at += kMaxRecordData)
      cuts.push_back(static_cast<std::uint32_t>(at));
  std::size_t from = 0;
  std::uint16_t code = code_;
  for (std::size_t i = 0; i <= cuts.size(); ++i) {
    const std::size_t to = i < cuts.size() ? cuts[i] : data_.size();
    appendPiece(out, code, data_.data() + from, to - from);
    code = codes::kContinue;
    from = to;
  }
  return static_cast<std::uint32_t>(out.size() - start);
}

std::uint32_t Record::dataSize() const { return static_cast<std::uint32_t>(data_.size()); }

std::uint32_t Record::recordSize() const {
  return 4 + dataSize() + 4 * static_cast<std::uint32_t>(continueOffsets_.size());
}

void Record::setData(std::vector<std::uint8_t> data, std::vector<std::uint32_t> continueOffsets) {
  data_ = std::move(data);
  continueOffsets_ = std::move(continueOffsets);
}

std::uint32_t Record::writeEncoded(std::vector<std::uint8_t>& out, std::vector<std::uint8_t> encoded) {
  if (encoded.size() != data_.size()) continueOffsets_.clear();
  data_ = std::move(encoded);
  return Record::write(out);
}

std::uint32_t BOF::read(const std::uint8_t* stream, std::size_t available) {
  const std::uint32_t size = Record::read(stream, available);
  version_ = le16(data_, 0);
  type_ = le16(data_, 2);
  build_ = le16(data_, 4);
  year_ = le16(data_, 6);
  history_ = le32(data_, 8);
  lowestVersion_ = le32(data_, 12);
  return size;
}

std::uint32_t BOF::write(std::vector<std::uint8_t>& out) {
  std::vector<std::uint8_t> d;
  put16(d, version_);
  put16(d, type_);
  put16(d, build_);
  put16(d, year_);
  put32(d, history_);
  put32(d, lowestVersion_);
  return writeEncoded(out, std::move(d));
}

}  // namespace Bivex

namespace Bivex {
std::uint32_t singleRecordSize(const std::uint8_t* stream, std::size_t available) {
  if (available < 4) return static_cast<std::uint32_t>(available);
  return static_cast<std::uint32_t>(4 + clampedLength(stream, available));
}
}  // namespace Bivex
