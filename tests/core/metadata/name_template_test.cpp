// The template: placeholders, formats, fallbacks, cleaning and what is missing.
#include "core/metadata/name_template.h"

#include <gtest/gtest.h>

#include "core/text/encoding.h"

namespace tessarn {
namespace {

FileMetadata Sample() {
  FileMetadata m;
  m.audio.title = Gb("月亮代表我的心");
  m.audio.artist = Gb("AC/DC\n");
  m.audio.track = 7;
  m.audio.year = 1977;
  m.image.taken = LocalTime{2023, 7, 15, 10, 20, 30};
  m.image.camera = "Canon EOS R5";
  m.image.width = 4000;
  m.modified = LocalTime{2024, 1, 2, 3, 4, 5};
  m.size = 0;  // an empty file has a size
  return m;
}

struct FillCase {
  const char* name;
  const char* templateText;  // UTF-8
  const char* expected;      // UTF-8; nullptr: the row lacks metadata
  const char* missing = nullptr;
};

class Fill : public ::testing::TestWithParam<FillCase> {};

TEST_P(Fill, GivesTheName) {
  const FillCase& c = GetParam();
  NameTemplate parsed;
  ASSERT_EQ(ParseNameTemplate(Gb(c.templateText), parsed), "");
  const FileMetadata meta = Sample();
  const std::string mainName = "IMG_0001";
  TemplateInput input{&meta, mainName, 12, 3};
  std::string name;
  const PlaceholderInfo* missing = nullptr;
  const bool ok = FillNameTemplate(parsed, input, name, &missing);
  if (c.expected == nullptr) {
    EXPECT_FALSE(ok);
    ASSERT_NE(missing, nullptr);
    EXPECT_STREQ(missing->key, c.missing);
  } else {
    ASSERT_TRUE(ok) << missing->key;
    EXPECT_EQ(GbToUtf8Lossy(name), c.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Templates, Fill,
    ::testing::Values(
        FillCase{"TakenWithFormat", "{taken:%Y-%m-%d_%H%M%S}", "2023-07-15_102030"},
        FillCase{"TakenDefault", "{taken}", "2023-07-15_102030"},
        FillCase{"ChineseInFormat", "{taken:%Y年%m月%d日}", "2023年07月15日"},
        FillCase{"SlashFromFormatCleaned", "{taken:%D}", "07_15_23"},
        FillCase{"ArtistTitle", "{artist}-{title}", "AC_DC-月亮代表我的心"},
        FillCase{"TrackWidth", "{track:2} {title}", "07 月亮代表我的心"},
        FillCase{"TrackNoWidth", "{track}", "7"},
        FillCase{"CounterWithDigits", "{name}_{n}", "IMG_0001_012"},
        FillCase{"CounterOwnWidth", "{n:5}", "00012"},
        FillCase{"EmptyFileSize", "{size}", "0"},
        FillCase{"Modified", "{modified:%Y%m%d}", "20240102"},
        FillCase{"FallbackWhenMissing", "{lens|无镜头}_{camera}", "无镜头_Canon EOS R5"},
        FillCase{"FallbackAfterFormat", "{disc:2|X}{year:2}", "X1977"},
        FillCase{"FallbackUnusedWhenFound", "{taken:%Y|未知日期}", "2023"},
        FillCase{"EscapedBraces", "{{{n}}}", "{012}"},
        FillCase{"MissingLens", "{taken}_{lens}", nullptr, "lens"},
        FillCase{"MissingHeight", "{height}", nullptr, "height"},
        FillCase{"MissingAlbum", "{album}", nullptr, "album"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NameTemplate, RefusesBrokenTemplatesWithAReason) {
  struct Bad {
    const char* text;
    const char* says;  // a part of the message, UTF-8
  };
  for (const Bad& b : {Bad{"{taken", "没有对应的 }"}, Bad{"a}b", "前面没有 {"},
                       Bad{"{when}", "{when}"}, Bad{"{title:2}", "不能带格式"},
                       Bad{"{track:x}", "位数"}, Bad{"{track:1234}", "位数"},
                       Bad{"{taken:|x}", "日期格式是空的"}}) {
    NameTemplate parsed;
    const std::string error = GbToUtf8Lossy(ParseNameTemplate(b.text, parsed));
    EXPECT_NE(error.find(b.says), std::string::npos) << b.text << " -> " << error;
  }
}

TEST(NameTemplate, WalksByWholeCharactersAndAsksForTheReadersItNeeds) {
  // "縘" is 0xBF 0x7D in GBK: its second byte is "}", which must not close anything.
  const std::string trail = "\xBF\x7D";
  NameTemplate parsed;
  ASSERT_EQ(ParseNameTemplate(trail + "{n|" + trail + "}", parsed), "");
  ASSERT_EQ(parsed.pieces.size(), 2u);
  EXPECT_EQ(parsed.pieces[0].literal, trail);
  EXPECT_EQ(parsed.pieces[0].fallback, trail);
  EXPECT_EQ(parsed.parts, kNoParts);
  EXPECT_TRUE(parsed.usesCounter);

  ASSERT_EQ(ParseNameTemplate("{artist}{taken}{size}", parsed), "");
  EXPECT_EQ(parsed.parts, kAudioPart | kImagePart | kStatPart);
}

TEST(NameTemplate, CleansTextFromFiles) {
  EXPECT_EQ(CleanNameText(" a/b\tc\r\n "), "a_b c");
  EXPECT_EQ(CleanNameText("  "), "");
  const std::string gb = Gb("邓丽君");
  EXPECT_EQ(CleanNameText(gb), gb);
}

TEST(NameTemplate, PickerInsertsAtACharacterStart) {
  const std::string text = Gb("照片") + "_";
  EXPECT_EQ(InsertPlaceholderKey(text, 1, "taken"), "{taken}" + text);  // inside "照"
  EXPECT_EQ(InsertPlaceholderKey(text, 99, "n"), text + "{n}");
}

}  // namespace
}  // namespace tessarn
