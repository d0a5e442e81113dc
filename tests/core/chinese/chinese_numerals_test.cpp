#include "core/chinese/chinese_numerals.h"

#include <gtest/gtest.h>

#include "core/chinese/code_points.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

std::string ToArabic(const std::string& utf8) {
  return GbToUtf8Lossy(ConvertNumerals(NumeralConversion::kToArabic, Gb(utf8)));
}
std::string ToChinese(const std::string& utf8) {
  return GbToUtf8Lossy(ConvertNumerals(NumeralConversion::kToChinese, Gb(utf8)));
}

TEST(ChineseNumerals, NumbersBecomeDigits) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"第十二集", "第12集"},
      {"第一百零五回", "第105回"},
      {"二〇二三年", "2023年"},
      {"二零二三年十二月三十一日", "2023年12月31日"},
      {"十", "10"},
      {"Track 三", "Track 3"},
      {"第一", "第1"},
      {"一千零一夜", "1001夜"},
      {"三百五十首", "350首"},
      {"三百五", "350"},
      {"一万五", "15000"},
      {"一万零五", "10005"},
      {"两百", "200"},
      {"三万两千", "32000"},
      {"一亿零一", "100000001"},
      {"一九九八", "1998"},
      {"〇七", "07"},
      {"第貳季", "第貳季"},  // financial forms are not read
      {"十萬", "100000"},
      {"第十二集 Part 一", "第12集 Part 1"},
      // A month is read as one, also where a name only looks like a date.
      {"五月天", "5月天"},
  };
  for (const auto& c : cases) EXPECT_EQ(ToArabic(c.in), c.out) << c.in;
}

// A numeral inside a word, or a run that is no number, stays.
TEST(ChineseNumerals, WordsWithNumeralsStay) {
  for (const char* word : {"一些", "一样", "万一", "统一", "十全十美", "三心二意", "千千万万",
                           "百万富翁", "两个人", "零食", "一首歌", "三三两两", "十二三岁",
                           "一百零"})
    EXPECT_EQ(ToArabic(word), word) << word;
}

TEST(ChineseNumerals, DigitsBecomeChinese) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"第12集", "第十二集"},
      {"第105回", "第一百零五回"},
      {"2023年", "二〇二三年"},
      {"第01集", "第一集"},
      {"第0集", "第零集"},
      {"第10集", "第十集"},
      {"第110集", "第一百一十集"},
      {"第1010集", "第一千零一十集"},
      {"10010章", "一万零一十章"},
      {"100000001章", "一亿零一章"},
      {"IMG_0001", "IMG_0001"},
      {"x264 第3集 1080p", "x264 第三集 1080p"},
      {"1234567890123章", "一二三四五六七八九〇一二三章"},  // past 一万亿: digit by digit
  };
  for (const auto& c : cases) EXPECT_EQ(ToChinese(c.in), c.out) << c.in;
}

TEST(ChineseNumerals, RoundTripOfCountingForm) {
  for (unsigned long long n : {1ULL, 9ULL, 10ULL, 11ULL, 20ULL, 99ULL, 100ULL, 101ULL, 110ULL,
                               1001ULL, 9999ULL, 10000ULL, 10001ULL, 12345ULL, 100000ULL,
                               1000001ULL, 20000000ULL, 300000003ULL, 999999999999ULL}) {
    const std::string chinese = "第" + ToUtf8(ChineseCountingForm(n)) + "集";
    EXPECT_EQ(ToArabic(chinese), "第" + std::to_string(n) + "集") << chinese;
  }
}

TEST(ChineseNumerals, UnchangedTextKeepsItsBytes) {
  const std::string gbk = Gb("一些");
  EXPECT_EQ(ConvertNumerals(NumeralConversion::kToArabic, gbk), gbk);
  // Bytes that are not GB18030 are left alone rather than guessed at.
  EXPECT_EQ(ConvertNumerals(NumeralConversion::kToArabic, "\x81\x20"), "\x81\x20");
}

}  // namespace
}  // namespace tessarn
