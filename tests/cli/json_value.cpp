#include "json_value.h"

namespace {

class Parser {
 public:
  explicit Parser(std::string_view s) : s_(s) {}

  bool Document(JsonValue& v) {
    if (!Value(v)) return false;
    Space();
    return i_ == s_.size();
  }

 private:
  void Space() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\n' || s_[i_] == '\r' || s_[i_] == '\t'))
      ++i_;
  }
  bool Literal(std::string_view word) {
    if (s_.substr(i_, word.size()) != word) return false;
    i_ += word.size();
    return true;
  }
  bool Value(JsonValue& v) {
    Space();
    if (i_ >= s_.size()) return false;
    const char c = s_[i_];
    if (c == '{') return Object(v);
    if (c == '[') return Array(v);
    if (c == '"') {
      v.type = JsonValue::Type::kString;
      return String(v.string);
    }
    if (Literal("true")) {
      v.type = JsonValue::Type::kBool;
      v.boolean = true;
      return true;
    }
    if (Literal("false")) {
      v.type = JsonValue::Type::kBool;
      return true;
    }
    if (Literal("null")) return true;
    return Number(v);
  }
  bool Number(JsonValue& v) {
    const std::size_t start = i_;
    if (i_ < s_.size() && s_[i_] == '-') ++i_;
    while (i_ < s_.size() && ((s_[i_] >= '0' && s_[i_] <= '9') || s_[i_] == '.' || s_[i_] == 'e' ||
                              s_[i_] == 'E' || s_[i_] == '+' || s_[i_] == '-'))
      ++i_;
    if (i_ == start) return false;
    v.type = JsonValue::Type::kNumber;
    v.number = std::stod(std::string(s_.substr(start, i_ - start)));
    return true;
  }
  static void PutUtf8(std::string& out, unsigned cp) {
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
  bool Hex4(unsigned& cp) {
    if (i_ + 4 > s_.size()) return false;
    cp = 0;
    for (int k = 0; k < 4; ++k) {
      const char h = s_[i_++];
      cp <<= 4;
      if (h >= '0' && h <= '9')
        cp |= h - '0';
      else if (h >= 'a' && h <= 'f')
        cp |= h - 'a' + 10;
      else if (h >= 'A' && h <= 'F')
        cp |= h - 'A' + 10;
      else
        return false;
    }
    return true;
  }
  bool String(std::string& out) {
    ++i_;  // opening quote
    while (i_ < s_.size()) {
      const auto c = static_cast<unsigned char>(s_[i_]);
      if (c == '"') {
        ++i_;
        return true;
      }
      if (c < 0x20) return false;
      if (c == '\\') {
        if (++i_ >= s_.size()) return false;
        const char e = s_[i_++];
        switch (e) {
          case '"':
            out += '"';
            break;
          case '\\':
            out += '\\';
            break;
          case '/':
            out += '/';
            break;
          case 'b':
            out += '\b';
            break;
          case 'f':
            out += '\f';
            break;
          case 'n':
            out += '\n';
            break;
          case 'r':
            out += '\r';
            break;
          case 't':
            out += '\t';
            break;
          case 'u': {
            unsigned cp;
            if (!Hex4(cp)) return false;
            PutUtf8(out, cp);
            break;
          }
          default:
            return false;
        }
        continue;
      }
      if (c < 0x80) {
        out += static_cast<char>(c);
        ++i_;
        continue;
      }
      // A UTF-8 sequence must be complete and well formed.
      std::size_t len = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c <= 0xDF ? 2 : 0;
      if (c > 0xF4) len = 0;
      if (len == 0 || i_ + len > s_.size()) return false;
      for (std::size_t k = 1; k < len; ++k)
        if ((static_cast<unsigned char>(s_[i_ + k]) & 0xC0) != 0x80) return false;
      out.append(s_.substr(i_, len));
      i_ += len;
    }
    return false;
  }
  bool Array(JsonValue& v) {
    v.type = JsonValue::Type::kArray;
    ++i_;
    Space();
    if (i_ < s_.size() && s_[i_] == ']') {
      ++i_;
      return true;
    }
    for (;;) {
      JsonValue item;
      if (!Value(item)) return false;
      v.array.push_back(std::move(item));
      Space();
      if (i_ >= s_.size()) return false;
      if (s_[i_] == ',') {
        ++i_;
        continue;
      }
      if (s_[i_] == ']') {
        ++i_;
        return true;
      }
      return false;
    }
  }
  bool Object(JsonValue& v) {
    v.type = JsonValue::Type::kObject;
    ++i_;
    Space();
    if (i_ < s_.size() && s_[i_] == '}') {
      ++i_;
      return true;
    }
    for (;;) {
      Space();
      if (i_ >= s_.size() || s_[i_] != '"') return false;
      std::string key;
      if (!String(key)) return false;
      Space();
      if (i_ >= s_.size() || s_[i_] != ':') return false;
      ++i_;
      JsonValue item;
      if (!Value(item)) return false;
      v.object[key] = std::move(item);
      Space();
      if (i_ >= s_.size()) return false;
      if (s_[i_] == ',') {
        ++i_;
        continue;
      }
      if (s_[i_] == '}') {
        ++i_;
        return true;
      }
      return false;
    }
  }

  std::string_view s_;
  std::size_t i_ = 0;
};

const JsonValue& Null() {
  static const JsonValue kNull;
  return kNull;
}

}  // namespace

const JsonValue& JsonValue::operator[](const std::string& key) const {
  const auto it = object.find(key);
  return it == object.end() ? Null() : it->second;
}

const JsonValue& JsonValue::operator[](std::size_t index) const {
  return index < array.size() ? array[index] : Null();
}

std::optional<JsonValue> ParseJson(std::string_view text) {
  JsonValue v;
  if (!Parser(text).Document(v)) return std::nullopt;
  return v;
}
