#include "core/id3/naming_tags.h"

#include <gtest/gtest.h>

#include "core/id3/id3v1.h"
#include "core/id3/id3v2.h"
#include "core/text/encoding.h"
#include "id3_test_util.h"

namespace tessarn {
namespace {

using namespace testing;

TEST(NamingTags, SixFieldsOfEachVersion) {
  TagFields v1, v2;
  v1.artist = "a1";
  v1.genre = "17";
  v2.title = "t2";
  v2.year = "2004";
  NamingTags tags;
  tags.Set(&v1, &v2);
  EXPECT_TRUE(tags.hasV1 && tags.hasV2);
  EXPECT_EQ(tags.Field(false, 1), "a1");
  EXPECT_EQ(tags.Field(false, 6), "17");
  EXPECT_EQ(tags.Field(true, 2), "t2");
  EXPECT_EQ(tags.Field(true, 5), "2004");
  EXPECT_EQ(tags.Field(true, 1), "");
  EXPECT_EQ(tags.Field(true, 7), "");
  tags.Set(nullptr, &v2);
  EXPECT_FALSE(tags.hasV1);
  EXPECT_EQ(tags.Field(false, 1), "");
}

// Fields that fit in the object and fields that do not (to the byte around the
// edge, and a 1 MiB title) read back whole, also after a set of another size.
TEST(NamingTags, FieldsOfEverySizeReadBackWhole) {
  NamingTags tags;
  for (const std::size_t titleSize : {0u, 1u, 40u, 44u, 45u, 48u, 100u, 1u << 20, 3u}) {
    TagFields v1, v2;
    v1.artist = "ab";
    v2.artist = "cd";
    v2.title = std::string(titleSize, 't');
    tags.Set(&v1, &v2);
    EXPECT_EQ(tags.Field(false, 1), "ab") << titleSize;
    EXPECT_EQ(tags.Field(true, 1), "cd") << titleSize;
    EXPECT_EQ(tags.Field(true, 2), v2.title) << titleSize;
    EXPECT_EQ(tags.Field(true, 3), "") << titleSize;
  }
}

std::string Unsynchronised(const std::string& plain) {
  std::string out;
  for (char c : plain) {
    out += c;
    if (static_cast<unsigned char>(c) == 0xFF) out += '\0';
  }
  return out;
}

// A v1 block with the given raw fields (title, artist, album, year) and track.
std::string V1(const std::string& title, const std::string& artist, const std::string& album,
               const std::string& year, int track, unsigned char genre) {
  std::string block = "TAG";
  for (const auto& [text, size] :
       {std::pair{title, 30}, {artist, 30}, {album, 30}, {year, 4}, {std::string("c"), 30}}) {
    std::string field = text;
    field.resize(size, '\0');
    block += field;
  }
  block[125] = '\0';
  block[126] = static_cast<char>(track);
  return block + static_cast<char>(genre);
}

struct NamingCase {
  const char* name;
  std::string file;
  InPlaceRead inPlace;   // from the file's first 512 bytes
  std::string v2Artist;  // "#1" of the ID3v2 tag, as the general reader gives it too
  std::string v2Title;   // "#2"
  std::string v2Year;    // "#5"
  std::string v2Genre;   // "#6"
};

// The naming read of real files gives what the general readers give, field by
// field, whether it takes the tag from the file's first bytes or reads it from
// the file; and it takes it from those bytes for the usual tags.
TEST(NamingRead, GivesWhatTheGeneralReadersGive) {
  const std::string audio = "\xFF\xFB" + std::string(600, 'a');
  const std::string cover = Frame23(
      "APIC", std::string(1, '\0') + "image/png" + std::string(3, '\0') + std::string(2000, 'p'));
  const std::string texts23 = Frame23("TIT2", Latin("Song")) +
                              Frame23("TPE1", Bytes({1, 0xFF, 0xFE}) + Utf16Le("歌手")) +
                              Frame23("TALB", Latin("Album")) + Frame23("TRCK", Latin("3")) +
                              Frame23("TYER", Latin("2001")) + Frame23("TCON", Latin("(17)"));
  const std::vector<NamingCase> cases = {
      {"v2.3 Latin-1 and UTF-16, padding", Tag(3, texts23, 300) + audio, InPlaceRead::kRead,
       Gb("歌手"), "Song", "2001", "Rock"},
      {"v2.3 GBK under encoding 0", Tag(3, Frame23("TPE1", Latin(Gb("周杰伦")))) + audio,
       InPlaceRead::kRead, Gb("周杰伦"), "", "", ""},
      {"v2.3 second value ignored, first frame wins",
       Tag(3, Frame23("TIT2", Latin(std::string("a\0b", 3))) + Frame23("TIT2", Latin("c"))) + audio,
       InPlaceRead::kRead, "", "a", "", ""},
      {"v2.4 several values, a genre number, year from TDRC",
       Tag(4, Frame24("TPE1", Latin(std::string("A\0B", 3))) + Frame24("TCON", Latin("17")) +
                  Frame24("TDRC", Latin("2004-05-06")) + Frame24("TIT2", Latin("T\0"))) +
           audio,
       InPlaceRead::kRead, "A/B", "T", "2004", "Rock"},
      {"v2.4 UTF-8 with sizes written plain",
       Tag(4, Frame24("TIT2", Bytes({3}) + "\xC3\xA9t\xC3\xA9", 0, true) +
                  Frame24("TPE1", std::string(1, '\3') + std::string(200, 'x'), 0, true)) +
           audio,
       InPlaceRead::kRead, std::string(200, 'x'), Gb("été"), "", ""},
      {"v2.2", Tag(2, Frame22("TT2", Latin("t22")) + Frame22("TP1", Latin("p22"))) + audio,
       InPlaceRead::kRead, "p22", "t22", "", ""},
      {"v2.3 extended header",
       Tag(3, Be32(6) + Bytes({0, 0, 0, 0, 0, 0}) + Frame23("TIT2", Latin("x")), 0, 0x40) + audio,
       InPlaceRead::kRead, "", "x", "", ""},
      {"text frames before a cover", Tag(3, texts23 + cover) + audio, InPlaceRead::kRead,
       Gb("歌手"), "Song", "2001", "Rock"},
      {"a cover before the texts", Tag(3, cover + texts23) + audio, InPlaceRead::kNeedsSource,
       Gb("歌手"), "Song", "2001", "Rock"},
      {"a compressed title",
       Tag(3, Frame23("TIT2", Be32(5) + "zzzz", 0x0080) + Frame23("TPE1", Latin("a"))) + audio,
       InPlaceRead::kNeedsSource, "a", "", "", ""},
      {"a grouped v2.4 title", Tag(4, Frame24("TIT2", Bytes({9}) + Latin("g"), 0x0040)) + audio,
       InPlaceRead::kNeedsSource, "", "g", "", ""},
      {"whole tag unsynchronised",
       Tag(3, Unsynchronised(Frame23("TIT2", Bytes({1, 0xFF, 0xFE}) + Utf16Le("ab"))), 0, 0x80) +
           audio,
       InPlaceRead::kNeedsSource, "", "ab", "", ""},
      {"tag cut off by the end of the file", Tag(3, texts23, 5000).substr(0, 60),
       InPlaceRead::kRead, Gb("歌手"), "Song", "", ""},
      {"unknown version", Tag(5, texts23) + audio, InPlaceRead::kRead, "", "", "", ""},
      {"no ID3v2, an ID3v1 block with spaces and GBK",
       audio + V1("  Title  ", Gb("歌手") + "  ", "", "1999", 7, 17), InPlaceRead::kNoTag, "", "",
       "", ""},
      {"both tags", Tag(3, texts23) + audio + V1("t1", "a1", "b1", "2000", 0, 255),
       InPlaceRead::kRead, Gb("歌手"), "Song", "2001", "Rock"},
      {"shorter than a header", "ID3", InPlaceRead::kNoTag, "", "", "", ""},
      {"empty", "", InPlaceRead::kNoTag, "", "", "", ""},
  };
  TempDir dir;
  for (const NamingCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.File("f.mp3", c.file);
    NamingTexts texts;
    EXPECT_EQ(ReadId3v2NamingFieldsInPlace(std::string_view(c.file).substr(0, 512), c.file.size(),
                                           LegacyEncoding::kAuto, texts),
              c.inPlace);

    for (LegacyEncoding legacy :
         {LegacyEncoding::kAuto, LegacyEncoding::kGbk, LegacyEncoding::kLatin1}) {
      TagFields v1, v2;
      const bool hasV2 = ReadId3v2(path, v2, legacy);
      const bool hasV1 = ReadId3v1(path, v1, legacy);
      NamingTags expected;
      expected.Set(hasV1 ? &v1 : nullptr, hasV2 ? &v2 : nullptr);
      NamingTags tags;
      ASSERT_TRUE(ReadNamingTags(path, tags, legacy));
      EXPECT_EQ(tags.hasV1, expected.hasV1);
      EXPECT_EQ(tags.hasV2, expected.hasV2);
      for (bool version : {false, true})
        for (int digit = 1; digit <= 6; ++digit)
          EXPECT_EQ(tags.Field(version, digit), expected.Field(version, digit))
              << "v" << (version ? 2 : 1) << " #" << digit;
      if (legacy == LegacyEncoding::kAuto) {
        EXPECT_EQ(tags.Field(true, 1), c.v2Artist);
        EXPECT_EQ(tags.Field(true, 2), c.v2Title);
        EXPECT_EQ(tags.Field(true, 5), c.v2Year);
        EXPECT_EQ(tags.Field(true, 6), c.v2Genre);
      }
    }
  }
}

TEST(NamingRead, Id3v1Fields) {
  TempDir dir;
  const std::string path =
      dir.File("f.mp3", "audio" + V1("  Title  ", Gb("歌手") + "  ", "Alb", "1999", 7, 17));
  NamingTags tags;
  ASSERT_TRUE(ReadNamingTags(path, tags));
  EXPECT_FALSE(tags.hasV2);
  ASSERT_TRUE(tags.hasV1);
  EXPECT_EQ(tags.Field(false, 1), Gb("歌手"));
  EXPECT_EQ(tags.Field(false, 2), "Title");
  EXPECT_EQ(tags.Field(false, 3), "Alb");
  EXPECT_EQ(tags.Field(false, 4), "7");
  EXPECT_EQ(tags.Field(false, 5), "1999");
  EXPECT_EQ(tags.Field(false, 6), "17");
  EXPECT_FALSE(ReadNamingTags(dir.path() + "/missing.mp3", tags));
}

}  // namespace
}  // namespace tessarn
