// Chinese numerals ⇄ Arabic digits in names: 第十二集 ⇄ 第12集.
//
// Only numbers convert, never words that merely hold a numeral character (一些, 一样,
// 万一, 统一, 十全十美). A run of numeral characters converts when it reads as one
// well-formed number and something says it is one:
//   - it is a number of several characters (十二, 一百零五, 三千), or a string of at
//     least three digits or one with 〇/零 (一九九八, 二〇二三);
//   - or it follows 第 (第一), stands alone between non-Chinese text ("Track 三",
//     a name "十"), or is followed by a counter of episodes, parts or dates (集 回 话
//     章 卷 期 季 部 册 篇 节 课 讲 辑 页 年 月 日 号 届 版 级 楼 层 岁).
// A run that does not parse (万一, 千千万万, 十二三) or a single numeral inside a word
// (一些, 统一) stays. Counters of quantity (个 首 次 点 天) do not count: there 一
// mostly means "a", not "one".
//
// Arabic to Chinese converts a run of ASCII digits that touches a Chinese character
// (第12集, 2023年): digits inside Latin text (IMG_0001, x264, 1080p) stay. A year
// (digits before 年) is read digit by digit (二〇二三年), any other number in counting
// form with leading zeros dropped (第01集 → 第一集, 105 → 一百零五).
#pragma once

#include <string>
#include <string_view>

namespace tessarn {

enum class NumeralConversion { kNone, kToArabic, kToChinese };

// On code points.
std::u32string ChineseNumeralsToArabic(std::u32string_view text);
std::u32string ArabicNumeralsToChinese(std::u32string_view text);

// On the program's GB18030 text; text without a change comes back with its bytes.
std::string ConvertNumerals(NumeralConversion conversion, std::string_view gb);

// A whole number in counting form (105 → 一百零五, 0 → 零); value < 10^16.
std::u32string ChineseCountingForm(unsigned long long value);

}  // namespace tessarn
