#include "core/chinese/script_conversion.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/chinese/code_points.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

TEST(ScriptConversion, ConvertsWordsNotCharacters) {
  ScriptConverters converters;
  const struct {
    ScriptConversion conversion;
    const char* in;
    const char* out;
  } cases[] = {
      {ScriptConversion::kS2T, "周杰伦-头发.mp3", "周杰倫-頭髮.mp3"},
      {ScriptConversion::kT2S, "周杰倫-頭髮", "周杰伦-头发"},
      {ScriptConversion::kS2TWP, "软件", "軟體"},
      {ScriptConversion::kTW2SP, "軟體", "软件"},
      {ScriptConversion::kS2HK, "里面", "裏面"},
      {ScriptConversion::kHK2S, "裏面", "里面"},
      {ScriptConversion::kS2T, "ASCII only", "ASCII only"},
      {ScriptConversion::kS2T, "邓丽君 😀", "鄧麗君 😀"},  // four-byte GB18030 passes through
  };
  for (const auto& c : cases) {
    const std::optional<std::string> out = converters.Convert(c.conversion, Gb(c.in));
    ASSERT_TRUE(out) << converters.error();
    EXPECT_EQ(GbToUtf8Lossy(*out), c.out) << ScriptConversionName(c.conversion) << " " << c.in;
  }
}

TEST(ScriptConversion, NamesRoundTrip) {
  for (int i = 1; i < kScriptConversionCount; ++i) {
    const auto conversion = static_cast<ScriptConversion>(i);
    EXPECT_EQ(ScriptConversionFromName(ScriptConversionName(conversion)), conversion);
  }
  EXPECT_FALSE(ScriptConversionFromName(""));
  EXPECT_FALSE(ScriptConversionFromName("s2x"));
}

TEST(ScriptConversion, UnchangedTextKeepsItsBytes) {
  ScriptConverters converters;
  const std::string traditional = Gb("頭髮");
  EXPECT_EQ(converters.Convert(ScriptConversion::kS2T, traditional), traditional);
  EXPECT_EQ(converters.Convert(ScriptConversion::kNone, "\x81\x20"), "\x81\x20");
}

// The word tables must give OpenCC's own result: random texts of simplified and
// traditional characters (words among them), every configuration.
TEST(ScriptConversion, WordTablesGiveOpenCCsOwnResult) {
  const std::u32string pool =
      U"头发頭髮周杰伦倫软件軟體里面裏面着著干乾幹后後台臺颱系係繫发發面麵里裡于於云雲"
      U"网络網絡信息資訊电脑電腦计算机計算機鼠标滑鼠打印印表机机器人数码數碼"
      U"的一是在不了有和人这中大为上个国我以要他时来用们生到作地出就分对成会可也你说年"
      U"中国香港台湾臺灣历史歷史钟鐘表錶松鬆斗鬥只隻制製冲衝 a1-😀";
  std::uint32_t seed = 12345;
  const auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  std::vector<std::string> texts;
  for (int k = 0; k < 400; ++k) {
    std::string text;
    const int length = 1 + static_cast<int>(next() % 24);
    for (int c = 0; c < length; ++c) {
      text += ToUtf8(std::u32string(1, pool[next() % pool.size()]));
    }
    texts.push_back(text);
  }
  // Runs of real words, which the dictionaries hold as phrases: the words of the
  // pinyin table, simplified, and the same made traditional.
  std::vector<std::string> words;
  std::ifstream table(TESSARN_PINYIN_PHRASES);
  for (std::string line; std::getline(table, line);) words.push_back(line.substr(0, line.find('\t')));
  ASSERT_GT(words.size(), 1000u);
  ScriptConverters converters;
  for (int k = 0; k < 300; ++k) {
    std::string text;
    for (int w = 0; w < 4; ++w) text += words[next() % words.size()];
    texts.push_back(text);
    texts.push_back(*converters.ConvertByOpenCC(ScriptConversion::kS2TWP, text));
  }
  for (int i = 1; i < kScriptConversionCount; ++i) {
    const auto conversion = static_cast<ScriptConversion>(i);
    for (const std::string& text : texts)
      ASSERT_EQ(converters.ConvertUtf8(conversion, text), converters.ConvertByOpenCC(conversion, text))
          << ScriptConversionName(conversion) << " " << text;
  }
}

}  // namespace
}  // namespace tessarn
