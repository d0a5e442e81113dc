// The MP3 page's template used in reverse: which fields a file name gives.
#include "core/tagedit/name_fields.h"

#include <gtest/gtest.h>

#include "core/text/encoding.h"

namespace tessarn {
namespace {

// The fields a name gives, written as the preview shows them (UTF-8), or "不匹配".
std::string Parse(const char* tagTemplate, const char* name) {
  ParsedTemplate parsed;
  if (!ParseTagTemplate(Gb(tagTemplate), parsed)) return "empty template";
  const auto fields = FieldsFromName(parsed, MainNameOf(Gb(name)));
  return GbToUtf8Lossy(fields ? NameFieldsPreview(*fields) : NoMatchStatusText());
}

TEST(NameFields, TemplateInReverse) {
  struct Case {
    const char* what;
    const char* tagTemplate;
    const char* name;
    const char* expected;
  } cases[] = {
      {"plain", "#1-#2", "邓丽君-月亮代表我的心.mp3", "艺术家=邓丽君 歌曲名=月亮代表我的心"},
      {"spaces trimmed", "#1-#2", " 邓丽君 - 月亮代表我的心 .mp3",
       "艺术家=邓丽君 歌曲名=月亮代表我的心"},
      {"ideographic spaces trimmed", "#1-#2", "邓丽君　-　甜蜜蜜.mp3",
       "艺术家=邓丽君 歌曲名=甜蜜蜜"},
      {"literal with spaces", "#1 - #2", "A-ha - Take On Me.mp3", "艺术家=A-ha 歌曲名=Take On Me"},
      {"shortest first, last takes the rest", "#1-#2", "a-b-c.mp3", "艺术家=a 歌曲名=b-c"},
      {"repeated separators", "#1-#2", "a--b.mp3", "艺术家=a 歌曲名=-b"},
      {"Chinese literal", "#1的《#2》", "王菲的《红豆》.mp3", "艺术家=王菲 歌曲名=红豆"},
      {"field at the start of a text", "#2（#1）", "红豆（王菲）.mp3", "艺术家=王菲 歌曲名=红豆"},
      {"literal before the first field", "[#3] #2", "[唱游] 红豆.mp3", "歌曲名=红豆 专辑=唱游"},
      {"closing text", "#4. #2 (live)", "03. Song (live).mp3", "歌曲名=Song 音轨=03"},
      {"track with total", "#4-#2", "3/12-Song.mp3", "歌曲名=Song 音轨=3/12"},
      {"year of four digits", "#5 #3", "1999 Album.mp3", "专辑=Album 年代=1999"},
      {"year decides the split", "#1-#5", "a-b-1999.mp3", "艺术家=a-b 年代=1999"},
      {"year of five digits", "#1-#5", "a-19999.mp3", "不匹配"},
      {"year with letters", "#5-#2", "199x-Song.mp3", "不匹配"},
      {"track not a number", "#4-#2", "A-Song.mp3", "不匹配"},
      {"track with an empty total", "#4-#2", "3/-Song.mp3", "不匹配"},
      {"touching fields", "#4#2", "07Song.mp3", "歌曲名=7Song 音轨=0"},
      {"genre", "#1-#6", "Band-Rock.mp3", "艺术家=Band 流派=Rock"},
      {"separator missing", "#1-#2", "邓丽君月亮代表我的心.mp3", "不匹配"},
      {"leading literal missing", "[#3] #2", "唱游 红豆.mp3", "不匹配"},
      {"closing text missing", "#2 (live)", "Song.mp3", "不匹配"},
      {"empty field", "#1-#2", "-月亮代表我的心.mp3", "不匹配"},
      {"field of spaces", "#1-#2", "  -Song.mp3", "不匹配"},
      {"same placeholder twice agrees", "#1-#2-#1", "A-B-A.mp3", "艺术家=A 歌曲名=B"},
      {"same placeholder twice differs", "#1-#2-#1", "A-B-C.mp3", "不匹配"},
      {"no placeholder", "abc", "abc.mp3", "不匹配"},
      {"no extension", "#1-#2", "a-b", "艺术家=a 歌曲名=b"},
  };
  for (const Case& c : cases) EXPECT_EQ(Parse(c.tagTemplate, c.name), c.expected) << c.what;
}

// A literal is only found on a character boundary: the trail byte of "陇" (C2 A4)
// followed by "-" must not be taken for a match of a literal starting inside it.
TEST(NameFields, LiteralsMatchWholeCharactersOnly) {
  // "兀" is 81 40: its trail byte is "@".
  EXPECT_EQ(Parse("#1@#2", "兀x@y.mp3"), "艺术家=兀x 歌曲名=y");
  EXPECT_EQ(Parse("#1@#2", "兀兀.mp3"), "不匹配");
}

// Many separators and many fields must not take exponential time.
TEST(NameFields, ManyFieldsStayFast) {
  ParsedTemplate parsed;
  ASSERT_TRUE(ParseTagTemplate("#1-#2-#3-#4-#5-#6-#1-#2-#3-#4-#5-#6", parsed));
  const std::string name(250, '-');
  EXPECT_FALSE(FieldsFromName(parsed, name));
  ASSERT_TRUE(ParseTagTemplate("#1-#2-#3-#6-#5", parsed));
  EXPECT_FALSE(FieldsFromName(parsed, std::string(250, '-')));
}

}  // namespace
}  // namespace tessarn
