#include "core/chinese/script_conversion.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tessarn
