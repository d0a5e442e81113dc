#include "core/text/gb_text.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include "core/text/encoding.h"

namespace tessarn {
namespace {

// GBK characters whose trail byte is an ASCII letter or backslash.
const std::string kYa = "\x81\x61";     // 乤, trail "a"
const std::string kShang = "\x81\x41";  // 丄, trail "A"
const std::string kCheng = "\x81\x5C";  // 乗, trail "\"
const std::string kEmoji = Gb("😀");     // four bytes in GB18030

TEST(GbText, CharLenAt) {
  struct Case {
    std::string text;
    std::size_t at;
    std::size_t len;
  } cases[] = {
      {"a", 0, 1},
      {Gb("中"), 0, 2},
      {kYa, 0, 2},
      {kEmoji, 0, 4},
      {"\x81", 0, 1},          // lead byte cut off by the end
      {"\x81\x30\x81", 0, 1},  // four-byte sequence cut off
      {"\x80z", 0, 1},         // stray byte
      {"\xFF\x41", 0, 1},
      {"\x81\x20", 0, 1},  // invalid trail
  };
  for (const auto& c : cases) EXPECT_EQ(CharLenAt(c.text, c.at), c.len) << c.text;
  EXPECT_EQ(kEmoji.size(), 4u);
}

TEST(GbText, CaseTouchesOnlyStandaloneAsciiLetters) {
  EXPECT_EQ(ToAsciiUpper("ab" + kYa + "c"), "AB" + kYa + "C");
  EXPECT_EQ(ToAsciiLower("AB" + kShang + "C"), "ab" + kShang + "c");
  EXPECT_EQ(ToAsciiUpper(kEmoji + "x"), kEmoji + "X");
}

TEST(GbText, CutNeverSplitsACharacter) {
  const std::string s = "ab" + Gb("中文") + kEmoji;  // 2 + 4 + 4 bytes
  EXPECT_EQ(CutToBytes(s, 3), "ab");
  EXPECT_EQ(CutToBytes(s, 4), "ab" + Gb("中"));
  EXPECT_EQ(CutToBytes(s, 9), "ab" + Gb("中文"));
  EXPECT_EQ(CutToBytes(s, 10), s);
  EXPECT_EQ(CharStartAtOrBefore(s, 3), 2u);
  EXPECT_EQ(CharStartAtOrBefore(s, 8), 6u);
  EXPECT_EQ(CharCount(s), 5u);
}

TEST(GbText, FindMatchesOnlyAtCharacterStarts) {
  EXPECT_EQ(FindText(kYa + "a", "a", 0, false), 2u);
  EXPECT_EQ(FindText(kYa, "a", 0, true), std::string::npos);
  EXPECT_EQ(FindText(kCheng + "\\", "\\", 0, false), 2u);
  EXPECT_EQ(FindText("xAbC", "abc", 0, true), 1u);
  EXPECT_EQ(FindText("xAbC", "abc", 0, false), std::string::npos);
}

TEST(Encoding, RoundTripsAndDiskNames) {
  const std::string utf8 = "歌曲 😀.mp3";
  const auto gb = Utf8ToGb(utf8);
  ASSERT_TRUE(gb);
  EXPECT_EQ(GbToUtf8(*gb), utf8);
  EXPECT_EQ(DecodeDiskName(utf8), *gb);
  // GBK bytes from a Chinese Windows archive are taken as they are.
  const std::string gbk = "\xB8\xE8\xC7\xFA.mp3";  // 歌曲.mp3 in GBK
  EXPECT_FALSE(IsValidUtf8(gbk));
  EXPECT_EQ(DecodeDiskName(gbk), Gb("歌曲.mp3"));
  // Neither: shown with replacement characters, never empty.
  const std::string bad = "a\xFF\xFE\xFF";
  EXPECT_FALSE(DecodeDiskName(bad).empty());
  EXPECT_FALSE(Utf8ToGb("a\xC3"));
  EXPECT_EQ(Utf16LeToGb(std::string("\x2D\x4E", 2)), Gb("中"));
  EXPECT_EQ(Utf16BeToGb(std::string("\x4E\x2D", 2)), Gb("中"));
  EXPECT_EQ(GbToUtf16Le(Gb("中")), std::string("\x2D\x4E", 2));
}

// The system's converter, called directly: the judge of the program's own table.
std::optional<std::string> SystemToGb(const std::string& utf8, const char* from = "UTF-8") {
  const iconv_t cd = iconv_open("GB18030", from);
  std::string out(4 * utf8.size() + 8, '\0');
  char* src = const_cast<char*>(utf8.data());
  std::size_t srcLeft = utf8.size();
  char* dst = out.data();
  std::size_t dstLeft = out.size();
  const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (r == static_cast<std::size_t>(-1)) return std::nullopt;
  out.resize(out.size() - dstLeft);
  return out;
}

std::string Utf8Of(unsigned cp) {
  std::string s;
  if (cp < 0x80) {
    s += static_cast<char>(cp);
  } else if (cp < 0x800) {
    s += static_cast<char>(0xC0 | cp >> 6);
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    s += static_cast<char>(0xE0 | cp >> 12);
    s += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | cp >> 18);
    s += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
    s += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return s;
}

TEST(Encoding, EveryCharacterConvertsAsTheSystemConverterDoes) {
  std::vector<unsigned> points = {0x10000, 0x1F600, 0x20000, 0x2A6D6, 0x10FFFF};
  for (unsigned cp = 0x80; cp <= 0xFFFF; ++cp)
    if (cp < 0xD800 || cp > 0xDFFF) points.push_back(cp);
  std::size_t differing = 0;
  for (const unsigned cp : points) {
    const std::string name = "a" + Utf8Of(cp) + "b";
    const auto ours = Utf8ToGb(name);
    const auto system = SystemToGb(name);
    if (ours != system) {
      if (++differing <= 5) ADD_FAILURE() << "U+" << std::hex << cp;
      continue;
    }
    if (ours) {
      EXPECT_EQ(GbToUtf8(*ours), name) << std::hex << cp;
    }
  }
  EXPECT_EQ(differing, 0u);
  // The same characters in UTF-16, either byte order, a pair of surrogates for
  // those beyond U+FFFF.
  auto utf16 = [](unsigned cp, bool bigEndian) {
    std::string s;
    auto put = [&](unsigned unit) {
      const char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
      s += bigEndian ? hi : lo;
      s += bigEndian ? lo : hi;
    };
    put('a');
    if (cp >= 0x10000) {
      put(0xD800 + ((cp - 0x10000) >> 10));
      put(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      put(cp);
    }
    put('b');
    return s;
  };
  for (const bool bigEndian : {false, true}) {
    for (const unsigned cp : points) {
      const std::string text = utf16(cp, bigEndian);
      const auto ours = bigEndian ? Utf16BeToGb(text) : Utf16LeToGb(text);
      if (ours != SystemToGb(text, bigEndian ? "UTF-16BE" : "UTF-16LE") && ++differing <= 5)
        ADD_FAILURE() << "UTF-16 U+" << std::hex << cp << (bigEndian ? " BE" : " LE");
    }
  }
  EXPECT_EQ(differing, 0u);
  // A lone surrogate and an odd length are refused.
  EXPECT_FALSE(
      Utf16LeToGb(std::string("\x00\xD8"
                              "a\x00",
                              4)));
  EXPECT_FALSE(
      Utf16LeToGb(std::string("a\x00"
                              "b",
                              3)));
  // Invalid UTF-8 is refused, whatever path it takes.
  for (const std::string bad : {"\xC0\x80", "\xED\xA0\x80", "x\xE6\xAD", "\xF4\x90\x80\x80"})
    EXPECT_FALSE(Utf8ToGb(bad)) << bad;
}

}  // namespace
}  // namespace tessarn
