#include "core/id3/id3v1.h"

#include <gtest/gtest.h>

#include "core/text/encoding.h"
#include "id3_test_util.h"

namespace tessarn {
namespace {

using testing::ReadAll;
using testing::TempDir;

// A block with the given bytes placed at their offsets.
std::string Block(std::initializer_list<std::pair<std::size_t, std::string>> parts) {
  std::string b(128, '\0');
  b.replace(0, 3, "TAG");
  for (const auto& [at, text] : parts) b.replace(at, text.size(), text);
  return b;
}

TEST(HasExtension, Cases) {
  struct Case {
    const char* name;
    bool expected;
  };
  const Case cases[] = {{"song.Mp3", true},      {"song.mp3", true}, {"a.b.MP3", true},
                        {"song.mp3.bak", false}, {"song", false},    {"/a.b/song", false},
                        {"song.", false},        {".mp3", true},     {"song.mp", false}};
  for (const auto& c : cases) EXPECT_EQ(HasExtension(c.name, "MP3"), c.expected) << c.name;
  EXPECT_TRUE(HasExtension("x.", ""));
}

TEST(ParseId3v1, FieldsTrimsAndLayouts) {
  TagFields f;
  f.composer = "kept";
  ASSERT_TRUE(ParseId3v1(Block({{3, "  Hello  "},
                                {33, std::string(30, 'A')},
                                {63, "Album"},
                                {93, "1999"},
                                {97, " x "},
                                {126, "\x07"},
                                {127, "\x11"}}),
                         f));
  EXPECT_EQ(f.title, "Hello");
  EXPECT_EQ(f.artist, std::string(30, 'A'));  // a full field has no terminator
  EXPECT_EQ(f.album, "Album");
  EXPECT_EQ(f.year, "1999");
  EXPECT_EQ(f.comment, " x ");  // comments keep their spaces
  EXPECT_EQ(f.track, "7");
  EXPECT_EQ(f.genre, "17");
  EXPECT_EQ(f.composer, "kept");  // ID3v2-only fields are left alone
}

TEST(ParseId3v1, TrackAndGenreBytes) {
  struct Case {
    std::string comment;  // 30 bytes at 97..126
    int genre;
    const char* track;
    std::string expectedComment;
    const char* expectedGenre;
  };
  const std::string c30 = std::string(29, 'c') + "d";
  const Case cases[] = {
      {std::string(28, 'c') + std::string("\0\0", 2), 0, "", std::string(28, 'c'), "0"},
      {"abc" + std::string(27, '\0'), 255, "", "abc", "255"},
      {c30, 12, "", c30, "12"},  // byte 125 not zero: layout 1.0, no track
  };
  for (const auto& c : cases) {
    TagFields f;
    ASSERT_TRUE(ParseId3v1(Block({{97, c.comment}, {127, std::string(1, char(c.genre))}}), f));
    EXPECT_EQ(f.track, c.track);
    EXPECT_EQ(f.comment, c.expectedComment);
    EXPECT_EQ(f.genre, c.expectedGenre);
  }
}

TEST(ParseId3v1, NotABlock) {
  TagFields f;
  f.title = "same";
  std::string lower = Block({});
  lower.replace(0, 3, "tag");
  EXPECT_FALSE(ParseId3v1(lower, f));
  EXPECT_FALSE(ParseId3v1(Block({}).substr(1), f));
  EXPECT_EQ(f.title, "same");
}

TEST(Id3v1File, ShortFileHasNoTag) {
  TempDir dir;
  const auto path = dir.File("a.mp3", "TAG" + std::string(124, 'x'));  // 127 bytes
  TagFields f;
  EXPECT_FALSE(HasId3v1(path));
  EXPECT_FALSE(ReadId3v1(path, f));
  EXPECT_FALSE(ReadId3v1(dir.path() + "/missing.mp3", f));
}

TEST(Id3v1File, WriteAppendsThenOverwritesThenDeleteShortens) {
  TempDir dir;
  const std::string audio(1000, '\x55');
  const auto path = dir.File("a.mp3", audio);
  Id3v1Input in;
  in.title = "Title";
  in.artist = Gb("歌手");
  in.track = "7";
  in.genre = 17;
  ASSERT_TRUE(WriteId3v1(path, in));
  EXPECT_EQ(ReadAll(path).size(), 1128u);
  in.title = "Other";
  ASSERT_TRUE(WriteId3v1(path, in));
  const std::string written = ReadAll(path);
  ASSERT_EQ(written.size(), 1128u);
  EXPECT_EQ(written.substr(0, 1000), audio);

  TagFields f;
  ASSERT_TRUE(ReadId3v1(path, f));
  EXPECT_EQ(f.title, "Other");
  EXPECT_EQ(f.artist, Gb("歌手"));
  EXPECT_EQ(f.track, "7");
  EXPECT_EQ(f.genre, "17");

  ASSERT_TRUE(DeleteId3v1(path));
  EXPECT_EQ(ReadAll(path), audio);
  ASSERT_TRUE(DeleteId3v1(path));  // nothing left to delete
  EXPECT_EQ(ReadAll(path), audio);
}

TEST(BuildId3v1Block, LongCommentIsNeverCorruptedByTheTrack) {
  const std::string comment30 = std::string(29, 'c') + "Z";
  Id3v1Input in;
  in.comment = comment30;
  // No track: all 30 bytes of comment, layout 1.0, nothing written over byte 126.
  TagFields f;
  ASSERT_TRUE(ParseId3v1(BuildId3v1Block(in), f));
  EXPECT_EQ(f.comment, comment30);
  EXPECT_EQ(f.track, "");

  // A track: the comment is cut to 28 bytes and the track reads back.
  in.track = "5";
  ASSERT_TRUE(ParseId3v1(BuildId3v1Block(in), f));
  EXPECT_EQ(f.comment, comment30.substr(0, 28));
  EXPECT_EQ(f.track, "5");

  // The cut never splits a character: 27 ASCII bytes then a two-byte character.
  in.comment = std::string(27, 'a') + Gb("中");
  ASSERT_TRUE(ParseId3v1(BuildId3v1Block(in), f));
  EXPECT_EQ(f.comment, std::string(27, 'a'));
}

TEST(BuildId3v1Block, GenreAndTrackBytes) {
  struct Case {
    const char* track;
    int genre;
    int trackByte;
    int genreByte;
  };
  const Case cases[] = {{"", kNoGenreByte, 0, 255},
                        {"0", 0, 0, 0},
                        {"12", 125, 12, 125},
                        {"x", -1, 0, 255},
                        {"3a", 300, 3, 255}};
  for (const auto& c : cases) {
    Id3v1Input in;
    in.track = c.track;
    in.genre = c.genre;
    const std::string b = BuildId3v1Block(in);
    EXPECT_EQ(static_cast<unsigned char>(b[126]), c.trackByte) << c.track;
    EXPECT_EQ(static_cast<unsigned char>(b[127]), c.genreByte) << c.genre;
  }
}

}  // namespace
}  // namespace tessarn

namespace tessarn {
namespace {

// The block has no encoding field: Latin-1 text goes in as Latin-1 (one byte a
// character) and reads back as the same text; Chinese text goes in as GBK.
TEST(BuildId3v1Block, TextIsLatin1WhenItCanBeElseGbk) {
  struct Case {
    const char* name;
    const char* text;  // UTF-8
    std::string stored;
    LegacyEncoding legacy;
  } cases[] = {
      {"latin-1", "Café Déjà Vu", "Caf\xE9 D\xE9j\xE0 Vu", LegacyEncoding::kAuto},
      {"latin-1, valid GBK bytes", "Sigur Rós", "Sigur R\xF3s", LegacyEncoding::kAuto},
      {"chinese", "月亮代表我的心", Gb("月亮代表我的心"), LegacyEncoding::kAuto},
      // Read as GBK, Latin-1 bytes would come back wrong: GB18030 bytes instead.
      {"latin-1 under GBK reading", "Café", Gb("Café"), LegacyEncoding::kGbk},
      // 29 Latin-1 characters fit the 30-byte title although GB18030 needs 37 bytes.
      {"long latin-1", "Café Déjà Vu, crème brûlée ok",
       "Caf\xE9 D\xE9j\xE0 Vu, cr\xE8me br\xFBl\xE9\x65 ok", LegacyEncoding::kAuto},
  };
  for (const Case& c : cases) {
    Id3v1Input in;
    in.title = Gb(c.text);
    in.legacy = c.legacy;
    const std::string block = BuildId3v1Block(in);
    EXPECT_EQ(block.substr(3, c.stored.size()), c.stored) << c.name;
    EXPECT_EQ(Id3v1TextBytes(in.title, c.legacy), c.stored.size()) << c.name;
    TagFields back;
    ASSERT_TRUE(ParseId3v1(block, back, c.legacy));
    EXPECT_EQ(back.title, Gb(c.text)) << c.name;
  }
  // A Latin-1 block read under each setting.
  Id3v1Input in;
  in.title = Gb("Beyoncé");
  const std::string block = BuildId3v1Block(in);
  TagFields f;
  ASSERT_TRUE(ParseId3v1(block, f, LegacyEncoding::kLatin1));
  EXPECT_EQ(f.title, Gb("Beyoncé"));
  ASSERT_TRUE(ParseId3v1(block, f, LegacyEncoding::kGbk));
  EXPECT_EQ(f.title, "Beyonc\xE9");  // the bytes as they stand
}

// What fits a field is counted in the bytes the block will hold: Latin-1 text one
// byte a character, anything else its GB18030 bytes; never inside a character.
TEST(CutToId3v1Bytes, CountsTheBytesTheBlockHolds) {
  struct Case {
    const char* name;
    const char* text;  // UTF-8
    std::size_t maxBytes;
    LegacyEncoding legacy;
    const char* expected;  // UTF-8
  } cases[] = {
      {"latin-1 fits whole", "Café Déjà Vu, crème brûlée ok", 30, LegacyEncoding::kAuto,
       "Café Déjà Vu, crème brûlée ok"},
      {"latin-1 cut at 30 characters", "Café Déjà Vu, crème brûlée okay more", 30,
       LegacyEncoding::kAuto, "Café Déjà Vu, crème brûlée oka"},
      {"chinese", "月亮代表我的心月亮代表我的心月亮代表我的心", 30, LegacyEncoding::kAuto,
       "月亮代表我的心月亮代表我的心月"},
      {"chinese across the limit", "abc月亮代表我的心月亮代表我的心月亮", 30,
       LegacyEncoding::kAuto, "abc月亮代表我的心月亮代表我的"},
      {"latin-1 read as GBK counts GB18030", "Café Déjà Vu, crème brûlée ok", 30,
       LegacyEncoding::kGbk, "Café Déjà Vu, crème brû"},
      {"year", "2001é", 4, LegacyEncoding::kAuto, "2001"},
      {"empty", "", 30, LegacyEncoding::kAuto, ""},
  };
  for (const Case& c : cases) {
    const std::string text = Gb(c.text);
    const std::string_view cut = CutToId3v1Bytes(text, c.maxBytes, c.legacy);
    EXPECT_EQ(cut, Gb(c.expected)) << c.name;
    EXPECT_LE(Id3v1TextBytes(cut, c.legacy), c.maxBytes) << c.name;
    // And the block holds exactly that.
    Id3v1Input in;
    in.title = std::string(cut);
    in.legacy = c.legacy;
    TagFields back;
    ASSERT_TRUE(ParseId3v1(BuildId3v1Block(in), back, c.legacy));
    if (c.maxBytes == 30) {
      EXPECT_EQ(back.title, in.title) << c.name;
    }
  }
}

}  // namespace
}  // namespace tessarn
