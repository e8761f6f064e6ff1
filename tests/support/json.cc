#include "support/json.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace json {

namespace {

class Parser {
 public:
  explicit Parser(std::string_view text) : s_(text) {}

  std::optional<Value> document() {
    auto v = value();
    skipSpace();
    if (!v || pos_ != s_.size()) return std::nullopt;
    return v;
  }

 private:
  void skipSpace() {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\n' || s_[pos_] == '\r' || s_[pos_] == '\t')) ++pos_;
  }
  bool literal(std::string_view word) {
    if (s_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }

  std::optional<Value> value() {
    skipSpace();
    if (pos_ >= s_.size()) return std::nullopt;
    Value v;
    const char c = s_[pos_];
    if (c == '{') return object();
    if (c == '[') return array();
    if (c == '"') {
      v.type = Value::Type::String;
      if (!string(v.string)) return std::nullopt;
      return v;
    }
    if (literal("null")) return v;
    if (literal("true") || literal("false")) {
      v.type = Value::Type::Bool;
      v.boolean = s_[pos_ - 1] == 'e' && s_[pos_ - 2] == 'u';
      return v;
    }
    const std::string rest(s_.substr(pos_, 64));
    char* end = nullptr;
    v.number = std::strtod(rest.c_str(), &end);
    if (end == rest.c_str()) return std::nullopt;
    pos_ += static_cast<std::size_t>(end - rest.c_str());
    v.type = Value::Type::Number;
    return v;
  }

  std::optional<Value> array() {
    Value v;
    v.type = Value::Type::Array;
    ++pos_;
    skipSpace();
    if (pos_ < s_.size() && s_[pos_] == ']') {
      ++pos_;
      return v;
    }
    for (;;) {
      auto item = value();
      if (!item) return std::nullopt;
      v.array.push_back(std::move(*item));
      skipSpace();
      if (pos_ < s_.size() && s_[pos_] == ',') {
        ++pos_;
        continue;
      }
      if (pos_ < s_.size() && s_[pos_] == ']') {
        ++pos_;
        return v;
      }
      return std::nullopt;
    }
  }

  std::optional<Value> object() {
    Value v;
    v.type = Value::Type::Object;
    ++pos_;
    skipSpace();
    if (pos_ < s_.size() && s_[pos_] == '}') {
      ++pos_;
      return v;
    }
    for (;;) {
      skipSpace();
      std::string key;
      if (pos_ >= s_.size() || s_[pos_] != '"' || !string(key)) return std::nullopt;
      skipSpace();
      if (pos_ >= s_.size() || s_[pos_] != ':') return std::nullopt;
      ++pos_;
      auto item = value();
      if (!item) return std::nullopt;
      v.object[key] = std::move(*item);
      skipSpace();
      if (pos_ < s_.size() && s_[pos_] == ',') {
        ++pos_;
        continue;
      }
      if (pos_ < s_.size() && s_[pos_] == '}') {
        ++pos_;
        return v;
      }
      return std::nullopt;
    }
  }

  bool hex4(unsigned& out) {
    if (pos_ + 4 > s_.size()) return false;
    out = static_cast<unsigned>(std::strtoul(std::string(s_.substr(pos_, 4)).c_str(), nullptr, 16));
    pos_ += 4;
    return true;
  }

  static void appendUtf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }

  bool string(std::string& out) {
    ++pos_;
    while (pos_ < s_.size()) {
      const char c = s_[pos_++];
      if (c == '"') return true;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= s_.size()) return false;
      const char e = s_[pos_++];
      switch (e) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u': {
          unsigned cp = 0;
          if (!hex4(cp)) return false;
          if (cp >= 0xD800 && cp < 0xDC00 && s_.substr(pos_, 2) == "\\u") {
            pos_ += 2;
            unsigned low = 0;
            if (!hex4(low)) return false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          }
          appendUtf8(out, cp);
          break;
        }
        default: out += e; break;
      }
    }
    return false;
  }

  std::string_view s_;
  std::size_t pos_ = 0;
};

}  // namespace

const Value& Value::operator[](const std::string& key) const {
  static const Value kNull;
  auto it = object.find(key);
  return it == object.end() ? kNull : it->second;
}

std::string Value::text(const std::string& key) const {
  const Value& v = (*this)[key];
  return v.type == Type::String ? v.string : std::string();
}

std::optional<Value> parse(std::string_view text) { return Parser(text).document(); }

std::optional<Value> parseFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return parse(text);
}

namespace {
std::vector<unsigned> codePoints(const std::string& utf8) {
  std::vector<unsigned> out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    const int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
    unsigned cp = extra == 0 ? c : c & (0x3F >> extra);
    for (int k = 1; k <= extra && i + k < utf8.size(); ++k) cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    out.push_back(cp);
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}
}  // namespace

std::u16string utf16(const std::string& utf8) {
  std::u16string out;
  for (unsigned cp : codePoints(utf8)) {
    if (cp >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string latin1(const std::string& utf8) {
  std::string out;
  for (unsigned cp : codePoints(utf8)) out.push_back(static_cast<char>(cp & 0xFF));
  return out;
}

}  // namespace json
