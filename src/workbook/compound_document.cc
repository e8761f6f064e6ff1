#include "workbook/compound_document.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "workbook/byte_order.h"

namespace Bivex {

namespace {

constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr std::size_t kHeaderSize = 512;
constexpr std::size_t kHeaderFatSlots = 109;
constexpr std::size_t kEntrySize = 128;
constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;

class FileSource : public ByteSource {
 public:
  FileSource(std::FILE* file, std::uint64_t size) : file_(file), size_(size) {}
  ~FileSource() override { std::fclose(file_); }
  std::uint64_t size() const override { return size_; }
  void readAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) const override {
    std::size_t got = 0;
    if (offset < size_ && fseeko(file_, static_cast<off_t>(offset), SEEK_SET) == 0)
      got = std::fread(out, 1, count, file_);
    std::memset(out + got, 0, count - got);
  }

 private:
  std::FILE* file_;
  std::uint64_t size_;
};

class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  std::uint64_t size() const override { return bytes_.size(); }
  void readAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) const override {
    std::size_t got = 0;
    if (offset < bytes_.size()) {
      got = static_cast<std::size_t>(std::min<std::uint64_t>(count, bytes_.size() - offset));
      std::memcpy(out, bytes_.data() + offset, got);
    }
    std::memset(out + got, 0, count - got);
  }

 private:
  std::vector<std::uint8_t> bytes_;
};

// Directory names compare without regard to letter case, as the container format defines.
char16_t foldCase(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 32);
  return c;
}

bool sameName(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (foldCase(a[i]) != foldCase(b[i])) return false;
  return true;
}

std::u16string widen(const std::string& name) {
  std::u16string wide;
  for (unsigned char c : name) wide.push_back(c);
  return wide;
}

}  // namespace

bool CompoundDocument::open(const std::string& path) {
  close();
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  struct stat info;
  if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
    std::fclose(file);
    return false;
  }
  return openSource(std::make_unique<FileSource>(file, static_cast<std::uint64_t>(info.st_size)));
}

bool CompoundDocument::openBytes(std::vector<std::uint8_t> bytes) {
  close();
  return openSource(std::make_unique<MemorySource>(std::move(bytes)));
}

void CompoundDocument::close() {
  source_.reset();
  sectorSize_ = 512;
  miniSectorSize_ = 64;
  blockCount_ = 0;
  headerFatSectors_.clear();
  fat_.clear();
  miniFat_.clear();
  directory_.clear();
  nodes_.clear();
}

bool CompoundDocument::openSource(std::unique_ptr<ByteSource> source) {
  source_ = std::move(source);
  if (!readHeader()) return false;
  loadAllocationTable();
  loadMiniAllocationTable();
  loadDirectory();
  buildTree();
  return true;
}

bool CompoundDocument::readHeader() {
  std::uint8_t h[kHeaderSize];
  source_->readAt(0, h, kHeaderSize);
  if (source_->size() < kHeaderSize || std::memcmp(h, kSignature, sizeof kSignature) != 0) return false;
  const auto sectorShift = static_cast<std::int16_t>(le16(h, kHeaderSize, 30));
  const std::uint32_t miniShift = le32(h, kHeaderSize, 32);
  // Version 3 documents use 512-byte sectors and version 4 ones 4096; other powers of two are
  // accepted as long as a sector holds whole directory entries and mini sectors fit in sectors.
  if (sectorShift < 7 || sectorShift > 16 || miniShift < 1 || miniShift > static_cast<std::uint32_t>(sectorShift))
    return false;
  sectorSize_ = 1u << sectorShift;
  miniSectorSize_ = 1u << miniShift;
  blockCount_ = (source_->size() + sectorSize_ - 1) / sectorSize_;
  fatSectorCount_ = le32(h, kHeaderSize, 44);
  firstDirectorySector_ = le32(h, kHeaderSize, 48);
  firstMiniFatSector_ = le32(h, kHeaderSize, 60);
  miniFatSectorCount_ = le32(h, kHeaderSize, 64);
  firstDifatSector_ = le32(h, kHeaderSize, 68);
  difatSectorCount_ = le32(h, kHeaderSize, 72);
  for (std::size_t i = 0; i < kHeaderFatSlots; ++i) headerFatSectors_.push_back(le32(h, kHeaderSize, 76 + 4 * i));
  return true;
}

bool CompoundDocument::sectorInFile(std::uint32_t sector) const {
  // Sector n starts at (n + 1) * sector size; the header occupies the first sector's room.
  return static_cast<std::uint64_t>(sector) + 1 < blockCount_;
}

void CompoundDocument::appendSector(std::uint32_t sector, std::vector<std::uint8_t>& out) const {
  const std::size_t at = out.size();
  out.resize(at + sectorSize_);
  source_->readAt((static_cast<std::uint64_t>(sector) + 1) * sectorSize_, out.data() + at, sectorSize_);
}

// The numbers of the allocation table's sectors: the header's first 109, then those of the
// extension sectors, each holding sector size / 4 - 1 numbers and the next extension sector.
std::vector<std::uint32_t> CompoundDocument::tableSectorNumbers() const {
  const std::uint64_t wanted = std::min<std::uint64_t>(fatSectorCount_, blockCount_);
  std::vector<std::uint32_t> numbers;
  for (std::size_t i = 0; i < kHeaderFatSlots && numbers.size() < wanted; ++i) numbers.push_back(headerFatSectors_[i]);
  const std::size_t perSector = sectorSize_ / 4 - 1;
  std::vector<bool> seen(static_cast<std::size_t>(blockCount_), false);
  std::uint32_t next = firstDifatSector_;
  std::vector<std::uint8_t> buffer;
  for (std::uint32_t k = 0; k < difatSectorCount_ && numbers.size() < wanted; ++k) {
    if (!sectorInFile(next) || seen[next]) break;
    seen[next] = true;
    buffer.clear();
    appendSector(next, buffer);
    for (std::size_t i = 0; i < perSector && numbers.size() < wanted; ++i) numbers.push_back(le32(buffer, 4 * i));
    next = le32(buffer, 4 * perSector);
  }
  return numbers;
}

void CompoundDocument::loadAllocationTable() {
  const std::size_t perSector = sectorSize_ / 4;
  std::vector<std::uint8_t> buffer;
  for (std::uint32_t sector : tableSectorNumbers()) {
    // A table sector outside the file leaves its entries free, so later entries keep their numbers.
    if (!sectorInFile(sector)) {
      fat_.insert(fat_.end(), perSector, kFreeSector);
      continue;
    }
    buffer.clear();
    appendSector(sector, buffer);
    for (std::size_t i = 0; i < perSector; ++i) fat_.push_back(le32(buffer, 4 * i));
  }
}

void CompoundDocument::loadMiniAllocationTable() {
  const std::size_t perSector = sectorSize_ / 4;
  std::vector<std::uint8_t> buffer;
  for (std::uint32_t sector : chain(fat_, firstMiniFatSector_, miniFatSectorCount_)) {
    if (!sectorInFile(sector)) break;
    buffer.clear();
    appendSector(sector, buffer);
    for (std::size_t i = 0; i < perSector; ++i) miniFat_.push_back(le32(buffer, 4 * i));
  }
}

void CompoundDocument::loadDirectory() {
  const std::size_t perSector = sectorSize_ / kEntrySize;
  std::vector<std::uint8_t> buffer;
  for (std::uint32_t sector : chain(fat_, firstDirectorySector_, fat_.size())) {
    if (!sectorInFile(sector)) break;
    buffer.clear();
    appendSector(sector, buffer);
    for (std::size_t slot = 0; slot < perSector; ++slot) {
      const std::uint8_t* e = buffer.data() + slot * kEntrySize;
      DirectoryEntry entry;
      for (std::size_t i = 0; i < 32; ++i) {
        const char16_t unit = le16(e, kEntrySize, 2 * i);
        if (unit == 0) break;
        entry.name.push_back(unit);
      }
      // Entry numbers are positions in the directory, so a free slot keeps its place: the links
      // of the other entries count it.
      entry.used = !entry.name.empty();
      entry.type = le8(e, kEntrySize, 66);
      entry.left = le32(e, kEntrySize, 68);
      entry.right = le32(e, kEntrySize, 72);
      entry.child = le32(e, kEntrySize, 76);
      entry.firstSector = le32(e, kEntrySize, 116);
      entry.size = le32(e, kEntrySize, 120);
      directory_.push_back(std::move(entry));
    }
  }
}

// Each entry joins the tree at most once, so links that loop or share entries cannot make the
// walk run forever; the traversals use explicit stacks, so deep links cannot exhaust the stack.
void CompoundDocument::buildTree() {
  if (directory_.empty() || !directory_[0].used) return;
  std::vector<bool> placed(directory_.size(), false);
  placed[0] = true;
  nodes_.push_back(Node{0, -1, {}});
  for (std::size_t n = 0; n < nodes_.size(); ++n) {
    std::vector<std::uint32_t> members;
    std::vector<std::uint32_t> pending{directory_[nodes_[n].entry].child};
    while (!pending.empty()) {
      const std::uint32_t e = pending.back();
      pending.pop_back();
      if (e >= directory_.size() || placed[e] || !directory_[e].used) continue;
      placed[e] = true;
      members.push_back(e);
      pending.push_back(directory_[e].left);
      pending.push_back(directory_[e].right);
    }
    std::sort(members.begin(), members.end());
    for (std::uint32_t e : members) {
      nodes_[n].children.push_back(static_cast<int>(nodes_.size()));
      nodes_.push_back(Node{e, static_cast<int>(n), {}});
    }
  }
}

std::vector<std::uint32_t> CompoundDocument::chain(const std::vector<std::uint32_t>& table, std::uint32_t first,
                                                   std::size_t maxLength) {
  std::vector<std::uint32_t> sectors;
  std::vector<bool> seen(table.size(), false);
  for (std::uint32_t s = first; sectors.size() < maxLength && s < table.size() && !seen[s]; s = table[s]) {
    seen[s] = true;
    sectors.push_back(s);
  }
  return sectors;
}

std::vector<std::uint8_t> CompoundDocument::readChain(std::uint32_t first, std::uint64_t maxBytes) const {
  std::vector<std::uint8_t> bytes;
  const std::uint64_t maxSectors = (maxBytes + sectorSize_ - 1) / sectorSize_;
  for (std::uint32_t sector : chain(fat_, first, static_cast<std::size_t>(maxSectors))) {
    if (!sectorInFile(sector)) break;
    appendSector(sector, bytes);
  }
  if (bytes.size() > maxBytes) bytes.resize(static_cast<std::size_t>(maxBytes));
  return bytes;
}

std::vector<std::uint8_t> CompoundDocument::readMiniChain(std::uint32_t first, std::uint64_t maxBytes) const {
  std::vector<std::uint8_t> bytes;
  if (directory_.empty()) return bytes;
  const DirectoryEntry& root = directory_[0];
  const std::vector<std::uint8_t> miniStream = readChain(root.firstSector, root.size);
  const std::uint64_t maxSectors = (maxBytes + miniSectorSize_ - 1) / miniSectorSize_;
  for (std::uint32_t sector : chain(miniFat_, first, static_cast<std::size_t>(maxSectors))) {
    const std::uint64_t offset = static_cast<std::uint64_t>(sector) * miniSectorSize_;
    if (offset + miniSectorSize_ > miniStream.size()) break;
    bytes.insert(bytes.end(), miniStream.begin() + static_cast<std::ptrdiff_t>(offset),
                 miniStream.begin() + static_cast<std::ptrdiff_t>(offset + miniSectorSize_));
  }
  if (bytes.size() > maxBytes) bytes.resize(static_cast<std::size_t>(maxBytes));
  return bytes;
}

int CompoundDocument::findChild(int node, const std::u16string& name) const {
  for (int child : nodes_[node].children)
    if (sameName(directory_[nodes_[child].entry].name, name)) return child;
  return -1;
}

// A name, or a path of storage names separated by backslashes ("." and ".." allowed), from the root.
int CompoundDocument::findNode(const std::string& path) const {
  if (nodes_.empty()) return -1;
  int node = 0;
  std::size_t start = 0;
  bool named = false;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      node = nodes_[node].parent < 0 ? 0 : nodes_[node].parent;
      continue;
    }
    node = findChild(node, widen(part));
    if (node < 0) return -1;
    named = true;
  }
  return named ? node : -1;
}

std::int64_t CompoundDocument::streamSize(const std::string& name) const {
  const int node = findNode(name);
  if (node < 0) return kStreamNotFound;
  return directory_[nodes_[node].entry].size;
}

int CompoundDocument::readStream(const std::string& name, std::vector<std::uint8_t>& out) const {
  out.clear();
  const int node = findNode(name);
  if (node < 0) return kStreamNotFound;
  const DirectoryEntry& entry = directory_[nodes_[node].entry];
  out = entry.size >= kMiniStreamCutoff ? readChain(entry.firstSector, entry.size)
                                        : readMiniChain(entry.firstSector, entry.size);
  return 1;
}

}  // namespace Bivex
