// A small JSON reader for test expectations (manifests of .xls files).
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace json {

struct Value {
  enum class Type { Null, Bool, Number, String, Array, Object } type = Type::Null;
  bool boolean = false;
  double number = 0.0;
  std::string string;  // UTF-8
  std::vector<Value> array;
  std::map<std::string, Value> object;

  bool isNull() const { return type == Type::Null; }
  // The member `key` of an object, or a null value.
  const Value& operator[](const std::string& key) const;
  std::string text(const std::string& key) const;  // "" unless a string member
};

std::optional<Value> parse(std::string_view text);
std::optional<Value> parseFile(const std::string& path);

// UTF-8 to UTF-16 code units, and to the 8-bit code units of a text whose characters are all below 256.
std::u16string utf16(const std::string& utf8);
std::string latin1(const std::string& utf8);

}  // namespace json
