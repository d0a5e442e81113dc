#include "core/chinese/chinese_text.h"

#include "core/chinese/code_points.h"
#include "core/text/encoding.h"

namespace tessarn {

bool AnyChineseConversion(const ChineseTextOptions& options) {
  return options.script != ScriptConversion::kNone ||
         options.numerals != NumeralConversion::kNone || options.pinyin != PinyinMode::kNone ||
         options.width != WidthConversion::kNone;
}

std::optional<std::string> ChineseConverters::Convert(const ChineseTextOptions& options,
                                                      std::string_view gb) {
  // Only the full-width conversion changes ASCII text.
  if (IsAscii(gb) && options.width != WidthConversion::kToFull) return std::string(gb);
  if (!AnyChineseConversion(options)) return std::string(gb);
  const std::optional<std::string> utf8 = GbToUtf8(gb);
  if (!utf8) return std::string(gb);  // not GB18030: nothing to read, nothing changed
  std::optional<std::string> script = script_.ConvertUtf8(options.script, *utf8);
  if (!script) return std::nullopt;
  const bool scriptChanged = *script != *utf8;
  if (options.numerals == NumeralConversion::kNone && options.pinyin == PinyinMode::kNone &&
      options.width == WidthConversion::kNone) {
    if (!scriptChanged) return std::string(gb);  // keeps its bytes
    return Utf8ToGb(*script);
  }
  std::u32string text = ToCodePoints(*script);
  const std::u32string before = scriptChanged ? std::u32string() : text;
  if (options.numerals == NumeralConversion::kToArabic)
    text = ChineseNumeralsToArabic(text);
  else if (options.numerals == NumeralConversion::kToChinese)
    text = ArabicNumeralsToChinese(text);
  if (options.pinyin != PinyinMode::kNone) {
    const std::optional<std::string> separator = GbToUtf8(options.separator);
    PinyinStyle style{options.pinyin, options.tone, options.capitalize,
                      ToCodePoints(separator.value_or(" "))};
    text = pinyin_.ToPinyin(text, style);
  }
  if (options.width == WidthConversion::kToHalf)
    text = ToHalfWidth(text);
  else if (options.width == WidthConversion::kToFull)
    text = ToFullWidth(text);
  if (!scriptChanged && text == before) return std::string(gb);  // keeps its bytes
  return Utf8ToGb(ToUtf8(text));
}

std::string ChineseConverters::error() {
  if (!script_.error().empty()) return script_.error();
  return pinyin_.error();
}

}  // namespace tessarn
