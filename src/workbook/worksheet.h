// A worksheet substream: its extent, index, window settings and the cell table of row blocks.
//
// Cell records are collected wherever they stand in the substream: inside row blocks closed by
// DBCELL, in row blocks without DBCELL (the block then lasts until the next row block or the
// worksheet's EOF), and outside any row block (some writers emit no ROW records at all), where
// they form a row block of their own. Substreams nested in the worksheet (embedded charts) are
// skipped up to their own EOF, so the worksheet's records after them are still read.
// A value cell outside the extent that DIMENSIONS declares enlarges the grid (buildSheetGrid).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "workbook/record.h"
#include "workbook/workbook_globals.h"

namespace Bivex {

// A 32-bit RK value: an integer or the high half of a double, optionally in hundredths.
struct RKValue {
  std::uint32_t raw = 0;
  bool isInteger() const { return (raw & 0x02) != 0 && (raw & 0x01) == 0; }
  std::int32_t integer() const { return static_cast<std::int32_t>(raw) >> 2; }
  double number() const;
};

class Worksheet {
 public:
  class Index : public Record {
   public:
    Index() : Record(codes::kIndex) {}
    std::uint32_t read(const std::uint8_t* stream, std::size_t available) override;
    std::uint32_t firstRow() const;
    std::uint32_t lastRowPlus1() const;
    const std::vector<std::uint32_t>& dbCellPositions() const { return dbCellPositions_; }

   private:
    std::vector<std::uint32_t> dbCellPositions_;
  };

  class Dimensions : public Record {
   public:
    Dimensions() : Record(codes::kDimensions) {}
    std::uint32_t firstRow() const;
    std::uint32_t lastRowPlus1() const;
    std::uint16_t firstColumn() const;
    std::uint16_t lastColumnPlus1() const;
  };

  class Window2 : public Record {
   public:
    Window2() : Record(codes::kWindow2) {}
    std::uint16_t options() const;
  };

  class CellTable {
   public:
    class RowBlock {
     public:
      class Row : public Record {
       public:
        Row() : Record(codes::kRow) {}
        std::uint16_t row() const;
        std::uint16_t firstColumn() const;
        std::uint16_t lastColumnPlus1() const;
      };

      class DBCell : public Record {
       public:
        DBCell() : Record(codes::kDBCell) {}
        std::uint32_t firstRowOffset() const;
      };

      // One cell record, tagged with its code.
      class CellBlock {
       public:
        class Blank;
        class BoolErr;
        class LabelSST;
        class MulBlank;
        class MulRK;
        class Number;
        class RK;
        class Formula;
        class Label;

        // True for the codes of the records a cell block holds.
        static bool isCellCode(std::uint16_t code);
        // Reads the cell record at `stream` (with its formula companions); returns the bytes consumed.
        std::uint32_t read(const std::uint8_t* stream, std::size_t available);

        std::uint16_t code() const { return code_; }
        std::uint16_t row() const { return row_; }
        std::uint16_t column() const { return column_; }
        const Record* record() const { return record_.get(); }
        template <class T>
        const T* as() const {
          return dynamic_cast<const T*>(record_.get());
        }

       private:
        std::uint16_t code_ = 0;
        std::uint16_t row_ = 0;
        std::uint16_t column_ = 0;
        std::unique_ptr<Record> record_;
      };

      std::vector<Row> rows;
      std::vector<CellBlock> cells;
      DBCell dbCell;
      bool closedByDBCell = false;
    };

    std::vector<RowBlock> rowBlocks;
  };

  // Reads the substream from its BOF up to its EOF; returns the bytes consumed, EOF included.
  std::size_t read(const std::uint8_t* stream, std::size_t available);

  BOF bof{BOF::kWorksheet};
  Index index;
  Dimensions dimensions;
  bool hasDimensions = false;
  CellTable cellTable;
  Window2 window2;
  YEOF eof;
};

using CellBlock = Worksheet::CellTable::RowBlock::CellBlock;

// The fields every cell record starts with.
struct CellAddress {
  std::uint16_t row = 0;
  std::uint16_t column = 0;
  std::uint16_t xf = 0;
};

// Cell records keep their decoded fields only; their data is re-encoded by write.
class CellBlock::Blank : public Record {
 public:
  Blank() : Record(codes::kBlank) {}
  std::uint32_t read(const std::uint8_t* stream, std::size_t available) override;
  std::uint32_t write(std::vector<std::uint8_t>& out) override;
  std::uint32_t dataSize() const override { return 6; }
  CellAddress address;
  bool complete = false;  // the data held every field
};

class CellBlock::BoolErr : public Record {
 public:
  BoolErr() : Record(codes::kBoolErr) {}
  std::uint32_t read(const std::uint8_t* stream, std::size_t available) override;
  std::uint32_t write(std::vector<std::uint8_t>& out) override;
  std::uint32_t dataSize() const override { return 8; }
  CellAddress address;
  std::uint8_t value = 0;
  std::uint8_t errorFlag = 0;  // 0: value is a Boolean; otherwise an error code
  bool complete = false;
};

class CellBlock::LabelSST : public Record {
 public:
  LabelSST() : Record(codes::kLabelSST) {}
  std::uint32_t read(const std::uint8_t* stream, std::size_t available) override;
  std::uint32_t write(std::vector<std::uint8_t>& out) override;
  std::uint32_t dataSize() const override { return 10; }
  CellAddress address;
  std::uint32_t stringIndex = 0;
  bool complete = false;
};

class CellBlock::MulBlank : public Record {
 public:
  MulBlank() : Record(codes::kMulBlank) {}
  std::uint32_t read(const std::uint8_t* stream, std::size_t available) override;
  std::uint32_t write(std::vector<std::uint8_t>& out) override;
  std::uint32_t dataSize() const override;
  std::uint16_t row = 0;
  std::uint16_t firstColumn = 0;
  std::vector<std::uint16_t> xfs;  // one per cell, never more than the data holds
  std::uint16_t lastColumn = 0;
};

class CellBlock::MulRK : public Record {
 public:
  struct Entry {
    std::uint16_t xf = 0;
    RKValue value;
  };
  MulRK() : Record(codes::kMulRK) {}
  std::uint32_t read(const std::uint8_t* stream, std::size_t available) override;
  std::uint32_t write(std::vector<std::uint8_t>& out) override;
  std::uint32_t dataSize() const override;
  std::uint16_t row = 0;
  std::uint16_t firstColumn = 0;
  std::vector<Entry> entries;  // one per cell, never more than the data holds
  std::uint16_t lastColumn = 0;
};

class CellBlock::Number : public Record {
 public:
  Number() : Record(codes::kNumber) {}
  std::uint32_t read(const std::uint8_t* stream, std::size_t available) override;
  std::uint32_t write(std::vector<std::uint8_t>& out) override;
  std::uint32_t dataSize() const override { return 14; }
  CellAddress address;
  double value = 0.0;
  bool complete = false;
};

class CellBlock::RK : public Record {
 public:
  RK() : Record(codes::kRK) {}
  std::uint32_t read(const std::uint8_t* stream, std::size_t available) override;
  std::uint32_t write(std::vector<std::uint8_t>& out) override;
  std::uint32_t dataSize() const override { return 10; }
  CellAddress address;
  RKValue value;
  bool complete = false;
};

// A text stored in the cell record itself (LABEL, and RSTRING whose formatting runs follow the
// text): a 16-bit character count, a flag byte (bit 0: 16-bit characters) and the characters.
class CellBlock::Label : public Record {
 public:
  explicit Label(std::uint16_t code = codes::kLabel) : Record(code) {}
  std::uint32_t read(const std::uint8_t* stream, std::size_t available) override;
  std::uint32_t write(std::vector<std::uint8_t>& out) override;
  std::uint32_t dataSize() const override;
  CellAddress address;
  UnicodeString text;
  bool complete = false;
};

class CellBlock::Formula : public Record {
 public:
  // The records that may follow a formula and belong to it. Their content is kept raw.
  class Array : public Record {
   public:
    Array() : Record(codes::kArray) {}
  };
  class ShrFmla : public Record {
   public:
    ShrFmla() : Record(codes::kShrFmla) {}
  };
  class ShrFmla1 : public Record {
   public:
    ShrFmla1() : Record(codes::kShrFmla1) {}
  };
  class Table : public Record {
   public:
    Table() : Record(codes::kTable) {}
  };
  class String : public Record {
   public:
    String() : Record(codes::kString) {}
  };

  Formula() : Record(codes::kFormula) {}
  std::uint32_t read(const std::uint8_t* stream, std::size_t available) override;
  std::uint32_t write(std::vector<std::uint8_t>& out) override;

  CellAddress address;
  std::uint64_t cachedResult = 0;
  std::uint16_t options = 0;
  std::uint16_t companionCode = 0;  // code of the companion record, 0 when there is none
  std::unique_ptr<Record> companion;
  std::unique_ptr<String> string;
};

}  // namespace Bivex
