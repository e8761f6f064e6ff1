// The workbook globals substream: window, fonts, formats, styles, sheet list and, above all, the
// shared string table that the text cells of the worksheets refer to.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "workbook/record.h"

namespace Bivex {

// A text as stored in the records: 8-bit characters or 16-bit code units, never both.
struct UnicodeString {
  std::uint8_t flags = 0xFF;  // 0xFF until a piece has been read
  std::uint16_t richRuns = 0;
  std::uint32_t phoneticSize = 0;
  bool wide = false;  // the text is held in `text16`
  std::string text8;
  std::u16string text16;
  bool ended = false;  // an 8-bit text met a code unit above 255: nothing more is appended

  bool empty() const { return wide ? text16.empty() : text8.empty(); }
  // Appends `count` characters of `width` bytes (1 or 2) at `bytes`, in the text's own width.
  void appendCharacters(const std::uint8_t* bytes, std::size_t count, int width);
};

// A short string (1-byte count, flag byte 0 = 8-bit) at `offset`; returns the bytes it occupies.
std::size_t decodeShortString(const std::vector<std::uint8_t>& d, std::size_t offset, UnicodeString& out);
void encodeShortString(std::vector<std::uint8_t>& out, const UnicodeString& s);

// A long string (2-byte count, flags, optional run count and phonetic size) at `p` in `d`, whose
// characters may be split at the boundaries from `boundaries[next]` on; each boundary inside the
// characters is followed by a flag byte giving the next piece's width. Returns the position after
// the string (at most d.size()) and moves `next` past the boundaries it used.
std::size_t decodeLongString(const std::vector<std::uint8_t>& d, std::size_t p,
                             const std::vector<std::uint32_t>& boundaries, std::size_t& next, UnicodeString& out);
void encodeLongString(std::vector<std::uint8_t>& out, const UnicodeString& s);

class Workbook {
 public:
  class Window1 : public Record {
   public:
    Window1() : Record(codes::kWindow1) {}
    std::uint16_t activeSheet() const;
    std::uint16_t firstVisibleTab() const;
  };

  class Font : public Record {
   public:
    Font() : Record(codes::kFont) {}
    std::uint32_t read(const std::uint8_t* stream, std::size_t available) override;
    std::uint16_t height() const;
    const UnicodeString& name() const { return name_; }

   private:
    UnicodeString name_;
  };

  class XF : public Record {
   public:
    XF() : Record(codes::kXF) {}
    std::uint16_t fontIndex() const;
    std::uint16_t formatIndex() const;
  };

  class Style : public Record {
   public:
    Style() : Record(codes::kStyle) {}
    std::uint32_t read(const std::uint8_t* stream, std::size_t available) override;
    bool builtIn() const;
    const UnicodeString& name() const { return name_; }

   private:
    UnicodeString name_;
  };

  class BoundSheet : public Record {
   public:
    BoundSheet() : Record(codes::kBoundSheet) {}
    std::uint32_t read(const std::uint8_t* stream, std::size_t available) override;
    std::uint32_t bofPosition() const;
    std::uint8_t visibility() const;
    std::uint8_t sheetType() const;
    const UnicodeString& name() const { return name_; }

   private:
    UnicodeString name_;
  };

  class SharedStringTable : public Record {
   public:
    SharedStringTable() : Record(codes::kSST) {}
    std::uint32_t read(const std::uint8_t* stream, std::size_t available) override;

    std::uint32_t totalCount() const { return totalCount_; }
    std::uint32_t uniqueCount() const { return uniqueCount_; }
    // The strings decoded from the data; an index beyond them names no string.
    const std::vector<UnicodeString>& strings() const { return strings_; }
    const UnicodeString* string(std::uint32_t index) const {
      return index < strings_.size() ? &strings_[index] : nullptr;
    }
    // Replaces the strings and re-encodes the data, so that write, dataSize and recordSize follow:
    // records are continued at 8224 bytes, a string header is never split, and characters carried
    // into a CONTINUE record get a flag byte first.
    void setStrings(std::vector<UnicodeString> strings, std::uint32_t totalCount);

   private:
    std::uint32_t totalCount_ = 0;
    std::uint32_t uniqueCount_ = 0;
    std::vector<UnicodeString> strings_;
  };

  class ExtSST : public Record {
   public:
    ExtSST() : Record(codes::kExtSST) {}
    std::uint16_t stringsPerBucket() const;
  };

  // Reads the substream from its BOF up to its EOF; returns the bytes consumed, EOF included.
  std::size_t read(const std::uint8_t* stream, std::size_t available);

  BOF bof;
  Window1 window1;
  std::vector<Font> fonts;
  std::vector<XF> xfs;
  std::vector<Style> styles;
  std::vector<BoundSheet> boundSheets;
  SharedStringTable sharedStrings;
  ExtSST extSST;
  YEOF eof;
};

}  // namespace Bivex
