#include "core/chinese/code_points.h"

#include <unicode/uchar.h>
#include <unicode/uscript.h>
#include <unicode/utf8.h>

namespace tessarn {

std::u32string ToCodePoints(std::string_view utf8) {
  std::u32string out;
  out.reserve(utf8.size());
  const auto* s = reinterpret_cast<const uint8_t*>(utf8.data());
  const auto length = static_cast<int32_t>(utf8.size());
  for (int32_t i = 0; i < length;) {
    UChar32 c;
    U8_NEXT(s, i, length, c);
    out += c < 0 ? U'\uFFFD' : static_cast<char32_t>(c);
  }
  return out;
}

void AppendUtf8(char32_t c, std::string& out) {
  uint8_t buffer[U8_MAX_LENGTH];
  int32_t n = 0;
  U8_APPEND_UNSAFE(buffer, n, c);
  out.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(n));
}

std::string ToUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (const char32_t c : text) AppendUtf8(c, out);
  return out;
}

bool IsHan(char32_t c) {
  if (c < 0x2E80) return false;  // below every Han block; most characters of a name
  UErrorCode status = U_ZERO_ERROR;
  return uscript_getScript(static_cast<UChar32>(c), &status) == USCRIPT_HAN;
}

}  // namespace tessarn
