// Little-endian field access with every read checked against the size of its buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace Bivex {

// Fields beyond the end of the buffer read as 0, so a short record yields zeros instead of
// reading past its data.
inline std::uint8_t le8(const std::uint8_t* p, std::size_t size, std::size_t offset) {
  return offset < size ? p[offset] : 0;
}

inline std::uint16_t le16(const std::uint8_t* p, std::size_t size, std::size_t offset) {
  if (offset > size || size - offset < 2) return 0;
  return static_cast<std::uint16_t>(p[offset] | (p[offset + 1] << 8));
}

inline std::uint32_t le32(const std::uint8_t* p, std::size_t size, std::size_t offset) {
  if (offset > size || size - offset < 4) return 0;
  return static_cast<std::uint32_t>(p[offset]) | (static_cast<std::uint32_t>(p[offset + 1]) << 8) |
         (static_cast<std::uint32_t>(p[offset + 2]) << 16) | (static_cast<std::uint32_t>(p[offset + 3]) << 24);
}

inline std::uint64_t le64(const std::uint8_t* p, std::size_t size, std::size_t offset) {
  if (offset > size || size - offset < 8) return 0;
  return static_cast<std::uint64_t>(le32(p, size, offset)) |
         (static_cast<std::uint64_t>(le32(p, size, offset + 4)) << 32);
}

inline std::uint8_t le8(const std::vector<std::uint8_t>& d, std::size_t offset) {
  return le8(d.data(), d.size(), offset);
}
inline std::uint16_t le16(const std::vector<std::uint8_t>& d, std::size_t offset) {
  return le16(d.data(), d.size(), offset);
}
inline std::uint32_t le32(const std::vector<std::uint8_t>& d, std::size_t offset) {
  return le32(d.data(), d.size(), offset);
}
inline std::uint64_t le64(const std::vector<std::uint8_t>& d, std::size_t offset) {
  return le64(d.data(), d.size(), offset);
}

inline double doubleFromBits(std::uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

inline std::uint64_t bitsOfDouble(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

inline void put8(std::vector<std::uint8_t>& out, std::uint8_t v) { out.push_back(v); }
inline void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  put16(out, static_cast<std::uint16_t>(v));
  put16(out, static_cast<std::uint16_t>(v >> 16));
}
inline void put64(std::vector<std::uint8_t>& out, std::uint64_t v) {
  put32(out, static_cast<std::uint32_t>(v));
  put32(out, static_cast<std::uint32_t>(v >> 32));
}

}  // namespace Bivex
