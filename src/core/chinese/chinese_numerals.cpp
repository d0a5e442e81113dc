#include "core/chinese/chinese_numerals.h"

#include <optional>

#include "core/chinese/code_points.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

constexpr unsigned long long kCountingLimit = 1000000000000ULL;  // 10^12: up to 九千亿

// 0-9 for a digit character, -1 otherwise. 两 is a digit only before 百, 千, 万, 亿.
int DigitValue(char32_t c) {
  switch (c) {
    case U'零': case U'〇': return 0;
    case U'一': return 1;
    case U'二': case U'两': case U'兩': return 2;
    case U'三': return 3;
    case U'四': return 4;
    case U'五': return 5;
    case U'六': return 6;
    case U'七': return 7;
    case U'八': return 8;
    case U'九': return 9;
    default: return -1;
  }
}

// 10, 100, 1000, 10^4, 10^8 for a unit character, 0 otherwise.
unsigned long long UnitValue(char32_t c) {
  switch (c) {
    case U'十': return 10;
    case U'百': return 100;
    case U'千': return 1000;
    case U'万': case U'萬': return 10000;
    case U'亿': case U'億': return 100000000;
    default: return 0;
  }
}

bool IsLiang(char32_t c) { return c == U'两' || c == U'兩'; }

// Whether the character at i belongs to a run of numerals.
bool IsNumeralAt(std::u32string_view text, std::size_t i) {
  const char32_t c = text[i];
  if (IsLiang(c)) {
    // 两 counts only before a unit other than 十: 两百, 两万, not 两个 or 两两.
    const unsigned long long next = i + 1 < text.size() ? UnitValue(text[i + 1]) : 0;
    return next >= 100;
  }
  return DigitValue(c) >= 0 || UnitValue(c) != 0;
}

// Counters after which a numeral is a number of an episode, a part or a date.
bool IsNumberingCounter(char32_t c) {
  static constexpr std::u32string_view kCounters =
      U"集回话話章卷期季部册冊篇节節课課讲講辑輯页頁年月日号號届屆版级級楼樓层層岁歲";
  return kCounters.find(c) != std::u32string_view::npos;
}

// The value of a run in counting form (十二, 一百零五, 三百五, 两万), or nullopt when
// the run is not one well-formed number (万一, 十二三, 一百零).
std::optional<unsigned long long> ParseCountingForm(std::u32string_view run) {
  unsigned long long total = 0;     // whole sections of 亿
  unsigned long long wan = 0;       // the part in 万 below the last 亿
  unsigned long long small = 0;     // the part below 万
  unsigned long long lastUnit = 0;  // the last unit below 万 in this section, for order
  unsigned long long prevUnit = 0;  // the unit just before a trailing digit
  int pending = -1;                 // a digit waiting for its unit
  bool pendingLiang = false;
  bool zero = false;                // a 零 since the last unit
  for (std::size_t i = 0; i < run.size(); ++i) {
    const char32_t c = run[i];
    const int digit = DigitValue(c);
    if (digit == 0) {
      if (pending >= 0 || zero || i == 0) return std::nullopt;
      zero = true;
      continue;
    }
    if (digit > 0) {
      if (pending >= 0) return std::nullopt;  // two digits without a unit
      pending = digit;
      pendingLiang = IsLiang(c);
      continue;
    }
    const unsigned long long unit = UnitValue(c);
    if (unit < 10000) {
      unsigned long long multiple;
      if (pending >= 0) {
        if (pendingLiang && unit == 10) return std::nullopt;  // 两十 is no number
        multiple = static_cast<unsigned long long>(pending);
      } else if (unit == 10 && i == 0) {
        multiple = 1;  // 十二: 十 leads without 一
      } else {
        return std::nullopt;
      }
      if (lastUnit != 0 && unit >= lastUnit) return std::nullopt;
      small += multiple * unit;
      lastUnit = unit;
    } else {
      const unsigned long long section = small + (pending >= 0 ? pending : 0);
      if (unit == 10000) {
        if (section == 0 || wan != 0) return std::nullopt;
        wan = section * unit;
      } else {
        const unsigned long long below = wan + section;
        if (below == 0 || total != 0) return std::nullopt;
        total = below * unit;
        wan = 0;
      }
      small = 0;
      lastUnit = 0;
    }
    prevUnit = unit;
    pending = -1;
    pendingLiang = false;
    zero = false;
  }
  if (zero && pending < 0) return std::nullopt;  // a 零 at the end
  unsigned long long value = total + wan + small;
  if (pending >= 0) {
    if (pendingLiang) return std::nullopt;
    // 三百五 is 350 and 一万五 15000; after 零 the digit stands for itself (一百零五).
    value += zero || prevUnit == 0 ? static_cast<unsigned long long>(pending)
                                   : pending * (prevUnit / 10);
  }
  if (value >= kCountingLimit) return std::nullopt;
  return value;
}

std::u32string Decimal(unsigned long long value) {
  std::u32string out;
  do {
    out.insert(out.begin(), static_cast<char32_t>(U'0' + value % 10));
    value /= 10;
  } while (value != 0);
  return out;
}

// The Arabic text of a run, or nullopt when the run is not to be converted.
std::optional<std::u32string> RunToArabic(std::u32string_view run, bool context) {
  bool unitFree = true;
  bool hasZero = false;
  for (const char32_t c : run) {
    if (UnitValue(c) != 0) unitFree = false;
    if (DigitValue(c) == 0) hasZero = true;
  }
  if (unitFree) {
    // 二〇二三: digit by digit, leading zeros kept.
    if (!context && run.size() < 3 && !(hasZero && run.size() == 2)) return std::nullopt;
    std::u32string out;
    for (const char32_t c : run) {
      if (IsLiang(c)) return std::nullopt;
      out += static_cast<char32_t>(U'0' + DigitValue(c));
    }
    return out;
  }
  if (!context && run.size() < 2) return std::nullopt;
  const std::optional<unsigned long long> value = ParseCountingForm(run);
  if (!value) return std::nullopt;
  return Decimal(*value);
}

bool IsAsciiDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

constexpr char32_t kChineseDigits[] = U"〇一二三四五六七八九";

std::u32string CountingGroup(unsigned value, bool leading) {
  static constexpr char32_t kUnits[] = {U'千', U'百', U'十'};
  const unsigned digits[4] = {value / 1000, value / 100 % 10, value / 10 % 10, value % 10};
  std::u32string out;
  bool started = false;
  bool gap = false;
  for (int k = 0; k < 4; ++k) {
    if (digits[k] == 0) {
      gap = started;
      continue;
    }
    if (gap) out += U'零';
    gap = false;
    // 十二, not 一十二, where the number begins; 一百一十 inside it.
    if (!(k == 2 && digits[k] == 1 && leading && !started)) out += kChineseDigits[digits[k]];
    if (k < 3) out += kUnits[k];
    started = true;
  }
  return out;
}

}  // namespace

std::u32string ChineseCountingForm(unsigned long long value) {
  if (value == 0) return U"零";
  static constexpr std::u32string_view kGroupUnits[] = {U"", U"万", U"亿"};
  const unsigned groups[3] = {static_cast<unsigned>(value / 100000000 % 10000),
                              static_cast<unsigned>(value / 10000 % 10000),
                              static_cast<unsigned>(value % 10000)};
  std::u32string out;
  bool started = false;
  bool gap = false;
  for (int k = 0; k < 3; ++k) {
    const unsigned g = groups[k];
    if (g == 0) {
      gap = started;
      continue;
    }
    if (started && (gap || g < 1000)) out += U'零';
    out += CountingGroup(g, !started);
    out += kGroupUnits[2 - k];
    started = true;
    gap = false;
  }
  return out;
}

std::u32string ChineseNumeralsToArabic(std::u32string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (!IsNumeralAt(text, i)) {
      out += text[i++];
      continue;
    }
    std::size_t end = i;
    while (end < text.size() && IsNumeralAt(text, end)) ++end;
    const char32_t before = i > 0 ? text[i - 1] : U' ';
    const char32_t after = end < text.size() ? text[end] : U' ';
    const bool context = before == U'第' || IsNumberingCounter(after) ||
                         (!IsHan(before) && !IsHan(after));
    const std::u32string_view run = text.substr(i, end - i);
    if (const std::optional<std::u32string> arabic = RunToArabic(run, context))
      out += *arabic;
    else
      out += run;
    i = end;
  }
  return out;
}

std::u32string ArabicNumeralsToChinese(std::u32string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (!IsAsciiDigit(text[i])) {
      out += text[i++];
      continue;
    }
    std::size_t end = i;
    while (end < text.size() && IsAsciiDigit(text[end])) ++end;
    const std::u32string_view run = text.substr(i, end - i);
    const char32_t before = i > 0 ? text[i - 1] : U' ';
    const char32_t after = end < text.size() ? text[end] : U' ';
    i = end;
    if (!IsHan(before) && !IsHan(after)) {
      out += run;
      continue;
    }
    std::size_t first = run.find_first_not_of(U'0');
    const std::u32string_view significant =
        first == std::u32string_view::npos ? std::u32string_view() : run.substr(first);
    if (after == U'年' || significant.size() > 12) {
      for (const char32_t c : run) out += kChineseDigits[c - U'0'];
      continue;
    }
    unsigned long long value = 0;
    for (const char32_t c : significant) value = value * 10 + (c - U'0');
    out += ChineseCountingForm(value);
  }
  return out;
}

std::string ConvertNumerals(NumeralConversion conversion, std::string_view gb) {
  // Both directions need a Chinese character.
  if (conversion == NumeralConversion::kNone || IsAscii(gb)) return std::string(gb);
  const std::optional<std::string> utf8 = GbToUtf8(gb);
  if (!utf8) return std::string(gb);
  const std::u32string text = ToCodePoints(*utf8);
  const std::u32string converted = conversion == NumeralConversion::kToArabic
                                       ? ChineseNumeralsToArabic(text)
                                       : ArabicNumeralsToChinese(text);
  if (converted == text) return std::string(gb);
  return Utf8ToGb(ToUtf8(converted)).value_or(std::string(gb));
}

}  // namespace tessarn
