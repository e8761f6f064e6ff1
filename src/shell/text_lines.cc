#include "shell/text_lines.h"

#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <sstream>

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    std::size_t length = end - start;
    if (length > 0 && text[end - 1] == '\r') --length;
    lines.push_back(text.substr(start, length));
    start = end + 1;
  }
  return lines;
}

std::optional<std::vector<std::string>> readLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return splitLines(bytes.str());
}

const std::vector<std::string>& CachedTextFile::lines(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    stamp_.reset();
    lines_.clear();
    return lines_;
  }
  Stamp now{path, static_cast<std::uintmax_t>(info.st_size),
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec,
            static_cast<std::uintmax_t>(info.st_dev), static_cast<std::uintmax_t>(info.st_ino)};
  if (stamp_ && *stamp_ == now) return lines_;
  ++readCount_;
  auto read = readLines(path);
  if (!read) {
    stamp_.reset();
    lines_.clear();
    return lines_;
  }
  lines_ = std::move(*read);
  stamp_ = now;
  return lines_;
}
