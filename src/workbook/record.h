// The records of a workbook stream: the common record type, CONTINUE joining, BOF and EOF.
//
// Every record type has the same five virtual operations, in this slot order: destructor, read,
// write, dataSize, recordSize. `read` is given the record's first byte and the number of stream
// bytes from there to the end of the stream, and never looks beyond them: a length field that
// points past the end of the stream ends the record at the end of the stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Bivex {

namespace codes {
inline constexpr std::uint16_t kFormula = 0x0006;
inline constexpr std::uint16_t kEof = 0x000A;
inline constexpr std::uint16_t kFont = 0x0031;
inline constexpr std::uint16_t kTable = 0x0036;
inline constexpr std::uint16_t kContinue = 0x003C;
inline constexpr std::uint16_t kWindow1 = 0x003D;
inline constexpr std::uint16_t kBoundSheet = 0x0085;
inline constexpr std::uint16_t kShrFmla1 = 0x00BC;
inline constexpr std::uint16_t kMulRK = 0x00BD;
inline constexpr std::uint16_t kMulBlank = 0x00BE;
inline constexpr std::uint16_t kRString = 0x00D6;
inline constexpr std::uint16_t kDBCell = 0x00D7;
inline constexpr std::uint16_t kXF = 0x00E0;
inline constexpr std::uint16_t kSST = 0x00FC;
inline constexpr std::uint16_t kLabelSST = 0x00FD;
inline constexpr std::uint16_t kExtSST = 0x00FF;
inline constexpr std::uint16_t kDimensions = 0x0200;
inline constexpr std::uint16_t kBlank = 0x0201;
inline constexpr std::uint16_t kNumber = 0x0203;
inline constexpr std::uint16_t kLabel = 0x0204;
inline constexpr std::uint16_t kBoolErr = 0x0205;
inline constexpr std::uint16_t kString = 0x0207;
inline constexpr std::uint16_t kRow = 0x0208;
inline constexpr std::uint16_t kIndex = 0x020B;
inline constexpr std::uint16_t kArray = 0x0221;
inline constexpr std::uint16_t kWindow2 = 0x023E;
inline constexpr std::uint16_t kRK = 0x027E;
inline constexpr std::uint16_t kStyle = 0x0293;
inline constexpr std::uint16_t kShrFmla = 0x04BC;
inline constexpr std::uint16_t kBof = 0x0809;
}  // namespace codes

// Data longer than this goes into CONTINUE records when a record is written.
inline constexpr std::size_t kMaxRecordData = 8224;

class Record {
 public:
  explicit Record(std::uint16_t code = 0) : code_(code) {}
  virtual ~Record() = default;
  Record(const Record&) = default;
  Record(Record&&) noexcept = default;
  Record& operator=(const Record&) = default;
  Record& operator=(Record&&) noexcept = default;
  // Decodes the record at `stream` (with `available` bytes left in the stream), joining the data
  // of the CONTINUE records that follow it. Returns the stream bytes consumed.
  virtual std::uint32_t read(const std::uint8_t* stream, std::size_t available);
  // Appends the encoded record to `out` (data beyond 8224 bytes, or split at the stored
  // continueOffsets, in CONTINUE records). Returns the bytes appended.
  virtual std::uint32_t write(std::vector<std::uint8_t>& out);
  virtual std::uint32_t dataSize() const;
  // 4 header bytes plus the data, plus 4 for each CONTINUE record the data is split into.
  virtual std::uint32_t recordSize() const;

  std::uint16_t code() const { return code_; }
  const std::vector<std::uint8_t>& data() const { return data_; }
  const std::vector<std::uint32_t>& continueOffsets() const { return continueOffsets_; }
  void setData(std::vector<std::uint8_t> data, std::vector<std::uint32_t> continueOffsets = {});

 protected:
  // Hands the data over to a type that keeps decoded fields instead of bytes.
  std::vector<std::uint8_t> takeData() {
    std::vector<std::uint8_t> d;
    d.swap(data_);
    continueOffsets_.clear();
    return d;
  }
  // Replaces the data by freshly encoded fields (used by the types' write).
  std::uint32_t writeEncoded(std::vector<std::uint8_t>& out, std::vector<std::uint8_t> encoded);

  std::uint16_t code_;
  std::vector<std::uint8_t> data_;
  std::vector<std::uint32_t> continueOffsets_;
};

// The code of the record at `stream`, or 0 when fewer than 4 bytes remain.
std::uint16_t recordCodeAt(const std::uint8_t* stream, std::size_t available);
// Bytes a record and its CONTINUE records occupy, as Record::read would consume, without copying.
std::uint32_t skipRecord(const std::uint8_t* stream, std::size_t available);
// Bytes from a BOF up to and including its matching EOF (or to the end of the stream). BOF
// records nested inside are skipped to their own EOF; a BOF that directly follows another one
// repeats it and opens no second level (some chart sheets begin that way).
std::size_t skipSubstream(const std::uint8_t* stream, std::size_t available);

class BOF : public Record {
 public:
  static constexpr std::uint16_t kGlobals = 0x0005;
  static constexpr std::uint16_t kWorksheet = 0x0010;

  // A new BOF of the given substream type, with the values a new BIFF8 workbook carries.
  explicit BOF(std::uint16_t type = kGlobals) : Record(codes::kBof), type_(type) {}
  std::uint32_t read(const std::uint8_t* stream, std::size_t available) override;
  std::uint32_t write(std::vector<std::uint8_t>& out) override;
  std::uint32_t dataSize() const override { return 16; }

  std::uint16_t version() const { return version_; }
  std::uint16_t type() const { return type_; }

 private:
  std::uint16_t version_ = 0x0600;
  std::uint16_t type_;
  std::uint16_t build_ = 6560;
  std::uint16_t year_ = 1997;
  std::uint32_t history_ = 0xC0C9;
  std::uint32_t lowestVersion_ = 0x0306;
};

class YEOF : public Record {
 public:
  YEOF() : Record(codes::kEof) {}
};

}  // namespace Bivex

namespace Bivex {
// 4 + the record's own data length, cut at the end of the stream (CONTINUE records not included).
std::uint32_t singleRecordSize(const std::uint8_t* stream, std::size_t available);
}  // namespace Bivex
