// Text files read back line by line, the way the view and Save As see them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Splits text into lines. A line ends at LF; a CR right before the LF belongs to the line end.
// A last line without a line end counts as a line.
std::vector<std::string> splitLines(const std::string& text);

// The file's lines, or nothing when it cannot be read.
std::optional<std::vector<std::string>> readLines(const std::string& path);

// Keeps the lines of the file last asked for and reads it again only when it changed (path,
// size, modification time or file identity), so repainting a long report costs no file reads.
class CachedTextFile {
 public:
  // The file's current lines; empty when it is missing or unreadable.
  const std::vector<std::string>& lines(const std::string& path);
  // How often the file was actually read (for tests).
  int readCount() const { return readCount_; }

 private:
  struct Stamp {
    std::string path;
    std::uintmax_t size = 0;
    std::int64_t modified = 0;
    std::uintmax_t device = 0;
    std::uintmax_t inode = 0;
    bool operator==(const Stamp&) const = default;
  };
  std::optional<Stamp> stamp_;
  std::vector<std::string> lines_;
  int readCount_ = 0;
};
