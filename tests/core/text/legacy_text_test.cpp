// Reading tag text that carries no encoding, and choosing Latin-1 for writing.
#include "core/text/legacy_text.h"

#include <gtest/gtest.h>

#include "core/text/encoding.h"

namespace tessarn {
namespace {

TEST(LegacyText, DecodesAsChosen) {
  using L = LegacyEncoding;
  struct Case {
    const char* name;
    std::string bytes;
    const char* autoText;  // UTF-8: what kAuto reads
    const char* latin1Text;
  } cases[] = {
      {"ascii", "Hello", "Hello", "Hello"},
      {"latin-1 phrase", "Caf\xE9 D\xE9j\xE0 Vu", "Café Déjà Vu", "Café Déjà Vu"},
      {"latin-1 at the end", "Beyonc\xE9", "Beyoncé", "Beyoncé"},
      // F3 73 is also a valid GBK character: its plain-ASCII second byte gives it away.
      {"latin-1 that is valid GBK", "Sigur R\xF3s", "Sigur Rós", "Sigur Rós"},
      {"windows-1252 quotes", "\x93hi\x94", "“hi”", "“hi”"},
      {"gbk", Gb("月亮代表我的心"), "月亮代表我的心", "ÔÂÁÁ´ú±íÎÒµÄÐÄ"},
      {"gb18030 four-byte", Gb("😀 x"), "😀 x", nullptr},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeLegacyText(c.bytes, L::kAuto), Gb(c.autoText)) << c.name;
    EXPECT_EQ(DecodeLegacyText(c.bytes, L::kGbk), c.bytes) << c.name;
    if (c.latin1Text) {
      EXPECT_EQ(DecodeLegacyText(c.bytes, L::kLatin1), Gb(c.latin1Text)) << c.name;
    }
  }
}

TEST(LegacyText, Latin1OnlyWhenItReadsBack) {
  using L = LegacyEncoding;
  EXPECT_EQ(EncodeLatin1(Gb("Café"), L::kAuto), "Caf\xE9");
  EXPECT_EQ(EncodeLatin1("plain", L::kGbk), "plain");
  EXPECT_EQ(EncodeLatin1(Gb("Café"), L::kGbk), std::nullopt);   // would read as GBK
  EXPECT_EQ(EncodeLatin1(Gb("月亮"), L::kAuto), std::nullopt);  // not Latin-1
  EXPECT_EQ(EncodeLatin1(Gb("€"), L::kLatin1), std::nullopt);   // Windows-1252 only
  // "ÔÂÁÁ" is Latin-1, but its bytes are "月亮" in GBK: kAuto would read them so.
  EXPECT_EQ(EncodeLatin1(Gb("ÔÂÁÁ"), L::kAuto), std::nullopt);
  EXPECT_EQ(EncodeLatin1(Gb("ÔÂÁÁ"), L::kLatin1), "\xD4\xC2\xC1\xC1");
}

}  // namespace
}  // namespace tessarn
