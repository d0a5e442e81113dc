#include "core/chinese/text_width.h"

#include <gtest/gtest.h>

#include "core/text/encoding.h"

namespace tessarn {
namespace {

TEST(TextWidth, FullAndHalf) {
  const struct {
    WidthConversion conversion;
    const char* in;
    const char* out;
  } cases[] = {
      {WidthConversion::kToHalf, "ＡＢＣ１２３（第一集）", "ABC123(第一集)"},
      {WidthConversion::kToHalf, "ａｂｃ　ｘｙｚ", "abc xyz"},  // ideographic space
      // Chinese punctuation stays.
      {WidthConversion::kToHalf, "你好，世界！真的？是：对；。、", "你好，世界！真的？是：对；。、"},
      {WidthConversion::kToHalf, "［Ｒｅｍｉｘ］－＿＠", "[Remix]-_@"},
      {WidthConversion::kToHalf, "plain ascii", "plain ascii"},
      {WidthConversion::kToFull, "ABC 123(x)", "ＡＢＣ　１２３（ｘ）"},
      {WidthConversion::kToFull, "中文~!", "中文～！"},
      // Full-width "／" becomes "/": the rename plan refuses such a name (文件名无效).
      {WidthConversion::kToHalf, "Ａ／Ｂ", "A/B"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(GbToUtf8Lossy(ConvertWidth(c.conversion, Gb(c.in))), c.out) << c.in;
}

TEST(TextWidth, UnchangedTextKeepsItsBytes) {
  const std::string fourByte = Gb("𠀀中文");  // a CJK extension B character: four bytes
  EXPECT_EQ(ConvertWidth(WidthConversion::kToHalf, fourByte), fourByte);
  EXPECT_EQ(GbToUtf8Lossy(ConvertWidth(WidthConversion::kToFull, fourByte + "1")), "𠀀中文１");
}

}  // namespace
}  // namespace tessarn
