#include "core/filelist/natural_order.h"

#include "core/text/gb_text.h"

namespace tessarn {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int Sign(int c) { return c < 0 ? -1 : (c > 0 ? 1 : 0); }

}  // namespace

std::string NaturalSortKey(std::string_view name) {
  std::string key;
  key.reserve(name.size() + 8);
  AppendNaturalSortKey(name, key);
  return key;
}

void AppendNaturalSortKey(std::string_view name, std::string& key) {
  for (std::size_t i = 0; i < name.size();) {
    const char c = name[i];
    if (IsDigit(c)) {
      // "0" keeps digits where they stand among other characters (only digits lie
      // between "0" and "9"); then the longer number is the larger, then the digits.
      std::size_t start = i;
      while (start < name.size() && name[start] == '0') ++start;
      std::size_t end = start;
      while (end < name.size() && IsDigit(name[end])) ++end;
      key += '0';
      // A file name is at most 255 bytes: one byte holds the count (longer texts,
      // which are no file names, still sort, only less naturally).
      key += static_cast<char>(end - start > 255 ? 255 : end - start);
      key.append(name.substr(start, end - start));
      i = end;
      continue;
    }
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      key += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
      ++i;
    } else {
      const std::size_t len = CharLenAt(name, i);
      key.append(name.substr(i, len));
      i += len;
    }
  }
}

int NaturalCompare(std::string_view a, std::string_view b) {
  const int byKey = NaturalSortKey(a).compare(NaturalSortKey(b));
  return byKey != 0 ? Sign(byKey) : Sign(a.compare(b));
}

}  // namespace tessarn
