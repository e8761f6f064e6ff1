// Read-only access to the streams of a compound document (the container of an .xls workbook).
//
// The reader trusts nothing in the file: every sector number is checked against the file and
// the tables, every chain stops at its first repeated sector, and a stream whose directory size
// exceeds its chain yields only the bytes its chain holds. No allocation is sized by a header or
// directory field alone; all are bounded by what the file actually contains.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace Bivex {

// Where the document's bytes come from: a file opened for reading only, or a byte buffer.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t size() const = 0;
  // Copies `count` bytes at `offset`; bytes beyond the end of the source read as zero.
  virtual void readAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) const = 0;
};

class CompoundDocument {
 public:
  static constexpr int kStreamNotFound = -4;
  static constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
  static constexpr std::uint32_t kNoEntry = 0xFFFFFFFF;
  static constexpr std::uint32_t kMiniStreamCutoff = 4096;

  struct DirectoryEntry {
    std::u16string name;
    std::uint8_t type = 1;
    std::uint32_t left = kNoEntry;
    std::uint32_t right = kNoEntry;
    std::uint32_t child = kNoEntry;
    std::uint32_t firstSector = kEndOfChain;
    std::uint32_t size = 0;
    bool used = false;  // false for a free slot (its name starts with a zero code unit)
  };

  // A storage or stream of the tree; children in ascending entry number.
  struct Node {
    std::uint32_t entry = 0;
    int parent = -1;  // index into nodes(), -1 for the root
    std::vector<int> children;
  };

  CompoundDocument() = default;
  CompoundDocument(const CompoundDocument&) = delete;
  CompoundDocument& operator=(const CompoundDocument&) = delete;

  // Opens the file for reading only. True when it opened and its header signature matched.
  bool open(const std::string& path);
  // The same over a copy of the given bytes.
  bool openBytes(std::vector<std::uint8_t> bytes);
  void close();

  // Size from the stream's directory entry, or kStreamNotFound.
  std::int64_t streamSize(const std::string& name) const;
  // Fills `out` with the stream's bytes (1), or leaves it empty (kStreamNotFound). A corrupt chain
  // ends the stream early: `out` then holds the bytes that could be read.
  int readStream(const std::string& name, std::vector<std::uint8_t>& out) const;

  std::uint32_t sectorSize() const { return sectorSize_; }
  std::uint32_t miniSectorSize() const { return miniSectorSize_; }
  const std::vector<std::uint32_t>& allocationTable() const { return fat_; }
  const std::vector<std::uint32_t>& miniAllocationTable() const { return miniFat_; }
  const std::vector<DirectoryEntry>& directory() const { return directory_; }
  const std::vector<Node>& nodes() const { return nodes_; }

 private:
  bool openSource(std::unique_ptr<ByteSource> source);
  bool readHeader();
  void loadAllocationTable();
  void loadMiniAllocationTable();
  void loadDirectory();
  void buildTree();
  std::vector<std::uint32_t> tableSectorNumbers() const;
  bool sectorInFile(std::uint32_t sector) const;
  void appendSector(std::uint32_t sector, std::vector<std::uint8_t>& out) const;
  // The chain from `first` through `table`, stopping at the end mark, at a number outside the
  // table, at a repeated sector or after `maxLength` sectors.
  static std::vector<std::uint32_t> chain(const std::vector<std::uint32_t>& table, std::uint32_t first,
                                          std::size_t maxLength);
  std::vector<std::uint8_t> readChain(std::uint32_t first, std::uint64_t maxBytes) const;
  std::vector<std::uint8_t> readMiniChain(std::uint32_t first, std::uint64_t maxBytes) const;
  int findNode(const std::string& path) const;
  int findChild(int node, const std::u16string& name) const;

  std::unique_ptr<ByteSource> source_;
  std::uint32_t sectorSize_ = 512;
  std::uint32_t miniSectorSize_ = 64;
  std::uint64_t blockCount_ = 0;
  // Header fields the reader uses.
  std::uint32_t fatSectorCount_ = 0;
  std::uint32_t firstDirectorySector_ = kEndOfChain;
  std::uint32_t firstMiniFatSector_ = kEndOfChain;
  std::uint32_t miniFatSectorCount_ = 0;
  std::uint32_t firstDifatSector_ = kEndOfChain;
  std::uint32_t difatSectorCount_ = 0;
  std::vector<std::uint32_t> headerFatSectors_;  // the header's first 109

  std::vector<std::uint32_t> fat_;
  std::vector<std::uint32_t> miniFat_;
  std::vector<DirectoryEntry> directory_;  // indexed by entry number; free slots kept unused
  std::vector<Node> nodes_;                // nodes_[0] is the root once a directory is loaded
};

}  // namespace Bivex
