#include "core/chinese/text_width.h"

#include <optional>

#include "core/chinese/code_points.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

constexpr char32_t kIdeographicSpace = U'\u3000';
constexpr char32_t kFullWidthOffset = 0xFEE0;  // U+FF01 - U+0021

bool IsChinesePunctuation(char32_t c) {
  return c == U'，' || c == U'！' || c == U'？' || c == U'：' || c == U'；';
}

}  // namespace

std::u32string ToHalfWidth(std::u32string_view text) {
  std::u32string out(text);
  for (char32_t& c : out) {
    if (c == kIdeographicSpace)
      c = U' ';
    else if (c >= 0xFF01 && c <= 0xFF5E && !IsChinesePunctuation(c))
      c -= kFullWidthOffset;
  }
  return out;
}

std::u32string ToFullWidth(std::u32string_view text) {
  std::u32string out(text);
  for (char32_t& c : out) {
    if (c == U' ')
      c = kIdeographicSpace;
    else if (c >= 0x21 && c <= 0x7E)
      c += kFullWidthOffset;
  }
  return out;
}

std::string ConvertWidth(WidthConversion conversion, std::string_view gb) {
  if (conversion == WidthConversion::kNone) return std::string(gb);
  // ASCII text has no full-width character to make half-width.
  if (conversion == WidthConversion::kToHalf && IsAscii(gb)) return std::string(gb);
  const std::optional<std::string> utf8 = GbToUtf8(gb);
  if (!utf8) return std::string(gb);
  const std::u32string text = ToCodePoints(*utf8);
  const std::u32string converted =
      conversion == WidthConversion::kToHalf ? ToHalfWidth(text) : ToFullWidth(text);
  if (converted == text) return std::string(gb);
  return Utf8ToGb(ToUtf8(converted)).value_or(std::string(gb));
}

}  // namespace tessarn
