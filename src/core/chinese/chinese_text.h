// The conversions of page "中文", applied to one part of a name in a fixed order:
// simplified ⇄ traditional, then numerals, then pinyin, then width. Each is optional.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/chinese/chinese_numerals.h"
#include "core/chinese/pinyin.h"
#include "core/chinese/script_conversion.h"
#include "core/chinese/text_width.h"

namespace tessarn {

struct ChineseTextOptions {
  ScriptConversion script = ScriptConversion::kNone;
  NumeralConversion numerals = NumeralConversion::kNone;
  PinyinMode pinyin = PinyinMode::kNone;
  PinyinTone tone = PinyinTone::kNone;
  bool capitalize = false;
  std::string separator = " ";  // GB18030, as the box holds it
  WidthConversion width = WidthConversion::kNone;

  bool operator==(const ChineseTextOptions&) const = default;
};

// Whether the options change anything at all.
bool AnyChineseConversion(const ChineseTextOptions& options);

// Everything the conversions load, each part on its first use. One per pass or per
// program; not shared between threads.
class ChineseConverters {
 public:
  // `phraseFile`: the pinyin phrase table (FindPinyinPhraseFile), "" for none.
  explicit ChineseConverters(std::string phraseFile) : pinyin_(std::move(phraseFile)) {}

  // GB18030 text converted; the same bytes when nothing changed; nullopt when a
  // conversion could not be loaded (error() says why).
  std::optional<std::string> Convert(const ChineseTextOptions& options, std::string_view gb);

  // Why a conversion could not be loaded (UTF-8), or "".
  std::string error();

  ScriptConverters& script() { return script_; }
  PinyinReader& pinyin() { return pinyin_; }

 private:
  ScriptConverters script_;
  PinyinReader pinyin_;
};

}  // namespace tessarn
