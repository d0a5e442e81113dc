#include "core/chinese/pinyin.h"

#include <gtest/gtest.h>

#include "core/text/encoding.h"

namespace tessarn {
namespace {

struct Style {
  PinyinMode mode = PinyinMode::kFull;
  PinyinTone tone = PinyinTone::kNone;
  bool capitalize = false;
  const char* separator = " ";
};

std::string Pinyin(PinyinReader& reader, const char* utf8, const Style& style) {
  return GbToUtf8Lossy(
      reader.Convert(Gb(utf8), style.mode, style.tone, style.capitalize, Gb(style.separator)));
}

TEST(Pinyin, ReadsWordsAndStyles) {
  PinyinReader reader(TESSARN_PINYIN_PHRASES);
  const Style plain;
  const Style marks{PinyinMode::kFull, PinyinTone::kMarks};
  const Style numbers{PinyinMode::kFull, PinyinTone::kNumbers};
  const Style capitals{PinyinMode::kFull, PinyinTone::kNone, true};
  const struct {
    const char* in;
    Style style;
    const char* out;
  } cases[] = {
      {"银行", plain, "yin hang"},
      {"银行", marks, "yín háng"},
      {"银行", numbers, "yin2 hang2"},
      {"重庆", plain, "chong qing"},
      {"长大", plain, "zhang da"},
      {"音乐", plain, "yin yue"},
      {"行长在银行", plain, "hang zhang zai yin hang"},
      {"绿色", plain, "lv se"},
      {"绿色", marks, "lǜ sè"},
      {"我的心", numbers, "wo3 de xin1"},  // no number for the neutral tone
      {"邓丽君-月亮代表我的心", capitals, "Deng Li Jun-Yue Liang Dai Biao Wo De Xin"},
      {"邓丽君-Greatest Hits", capitals, "Deng Li Jun-Greatest Hits"},
      {"爱情", {PinyinMode::kFull, PinyinTone::kMarks, true}, "Ài Qíng"},
      {"月亮代表我的心", {PinyinMode::kInitials, PinyinTone::kNone, false, ""}, "yldbwdx"},
      {"月亮代表我的心", {PinyinMode::kInitials, PinyinTone::kMarks, true, ""}, "YLDBWDX"},
      {"月亮", {PinyinMode::kFull, PinyinTone::kNone, false, ""}, "yueliang"},
      {"月亮", {PinyinMode::kFull, PinyinTone::kNone, false, "_"}, "yue_liang"},
      // A separator also between a syllable and a letter or digit, not punctuation.
      {"第12集MP3版", plain, "di 12 ji MP3 ban"},
      {"（现场）", plain, "（xian chang）"},
      {"😀中文", plain, "😀zhong wen"},  // four-byte GB18030 passes through
  };
  for (const auto& c : cases) EXPECT_EQ(Pinyin(reader, c.in, c.style), c.out) << c.in;
  EXPECT_EQ(reader.error(), "");
}

TEST(Pinyin, WithoutThePhraseTableCharactersAreReadAlone) {
  PinyinReader reader("/nonexistent/phrases.txt");
  EXPECT_EQ(Pinyin(reader, "银行", Style{}), "yin xing");
  EXPECT_NE(reader.error(), "");
}

TEST(Pinyin, PhraseFileIsFoundBesideTheProgramOrInstalled) {
  EXPECT_EQ(FindPinyinPhraseFile("/nonexistent"), "");
}

}  // namespace
}  // namespace tessarn
