#include "cli/json.h"

#include "core/text/encoding.h"

namespace tessarn::cli {
namespace {

// Length of the valid UTF-8 sequence at i (non-ASCII lead byte), or 0.
std::size_t Utf8SeqLen(std::string_view s, std::size_t i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  std::size_t len;
  unsigned cp;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2;
    cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3;
    cp = b0 & 0x0F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4;
    cp = b0 & 0x07;
  } else {
    return 0;
  }
  if (i + len > s.size()) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
      (cp >= 0xD800 && cp <= 0xDFFF))
    return 0;
  return len;
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view s) {
  static constexpr char kHex[] = "0123456789abcdef";
  out.push_back('"');
  std::size_t i = 0;
  while (i < s.size()) {
    // Copy the longest run that needs no escaping in one go.
    std::size_t j = i;
    while (j < s.size()) {
      const auto b = static_cast<unsigned char>(s[j]);
      if (b < 0x20 || b == '"' || b == '\\' || b >= 0x80) break;
      ++j;
    }
    out.append(s.data() + i, j - i);
    i = j;
    if (i == s.size()) break;
    const auto b = static_cast<unsigned char>(s[i]);
    if (b >= 0x80) {
      const std::size_t len = Utf8SeqLen(s, i);
      if (len == 0) {
        out += "\xEF\xBF\xBD";
        ++i;
      } else {
        out.append(s.data() + i, len);
        i += len;
      }
      continue;
    }
    switch (b) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        out += "\\u00";
        out.push_back(kHex[b >> 4]);
        out.push_back(kHex[b & 15]);
    }
    ++i;
  }
  out.push_back('"');
}

void AppendJsonGbString(std::string& out, std::string_view gb) {
  for (char c : gb)
    if (static_cast<unsigned char>(c) >= 0x80) {
      AppendJsonString(out, GbToUtf8Lossy(gb));
      return;
    }
  AppendJsonString(out, gb);  // ASCII is the same in both encodings
}

}  // namespace tessarn::cli
