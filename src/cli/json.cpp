#include "cli/json.h"

#include "core/text/encoding.h"

namespace tessarn::cli {
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
      const std::size_t len = Utf8SequenceLength(s, i);
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
