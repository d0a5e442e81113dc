#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include "core/id3/id3v1.h"
#include "core/id3/id3v2.h"
#include "core/text/encoding.h"
#include "id3_test_util.h"

namespace tessarn {
namespace {

using namespace testing;

const std::string kAudio = std::string("\xFF\xFB\x90\x00", 4) + std::string(3000, '\x11');

TagFields AllFields(const std::string& suffix) {
  TagFields f;
  f.title = Gb("标题") + suffix;
  f.artist = "Artist" + suffix;
  f.album = Gb("专辑") + suffix;
  f.track = "7";
  f.year = "2001";
  f.genre = "(17)Rock";
  f.comment = Gb("注释") + suffix;
  f.composer = "Composer" + suffix;
  f.originalArtist = "Orig" + suffix;
  f.copyright = "Copy" + suffix;
  f.url = "http://example.com/" + suffix;
  f.encoder = "Enc" + suffix;
  return f;
}

void ExpectSameFields(const TagFields& a, const TagFields& b) {
  EXPECT_EQ(a.title, b.title);
  EXPECT_EQ(a.artist, b.artist);
  EXPECT_EQ(a.album, b.album);
  EXPECT_EQ(a.track, b.track);
  EXPECT_EQ(a.year, b.year);
  EXPECT_EQ(a.genre, b.genre);
  EXPECT_EQ(a.comment, b.comment);
  EXPECT_EQ(a.composer, b.composer);
  EXPECT_EQ(a.originalArtist, b.originalArtist);
  EXPECT_EQ(a.copyright, b.copyright);
  EXPECT_EQ(a.url, b.url);
  EXPECT_EQ(a.encoder, b.encoder);
}

TEST(Id3v2Write, EmptyTagByteForByte) {
  std::string expected =
      "ID3" + Bytes({3, 0, 0, 0, 0, 7, 0x76}) + Frame23("TRCK", Latin("")) +
      Frame23("TENC", Latin(""), 0x4000) + Frame23("WXXX", Bytes({0, 0})) +
      Frame23("TCOP", Latin("")) + Frame23("TOPE", Latin("")) + Frame23("TCOM", Latin("")) +
      Frame23("COMM", Bytes({0}) + "CHS" + Bytes({0})) + Frame23("TCON", Latin("")) +
      Frame23("TYER", Latin("")) + Frame23("TALB", Latin("")) + Frame23("TPE1", Latin("")) +
      Frame23("TIT2", Latin(""));
  ASSERT_EQ(expected.size(), 147u);
  expected.resize(1024, '\0');
  EXPECT_EQ(BuildTagSkeleton(), expected);
  EXPECT_EQ(BuildId3v2Tag(TagFields{}), expected);

  TempDir dir;
  const auto path = dir.File("a.mp3", kAudio);
  ASSERT_TRUE(WriteId3v2(path, TagFields{}));
  EXPECT_EQ(ReadAll(path), expected + kAudio);
  TagFields f = AllFields("x");
  ASSERT_TRUE(ReadId3v2(path, f));
  ExpectSameFields(f, TagFields{});
}

TEST(Id3v2Write, TitleHello) {
  TagFields f;
  f.title = "Hello";
  const std::string tag = BuildId3v2Tag(f);
  ASSERT_EQ(tag.size(), 1029u);
  EXPECT_EQ(tag.substr(6, 4), Bytes({0, 0, 7, 0x7B}));
  EXPECT_EQ(tag.substr(136, 4 + 4 + 2 + 6), Frame23("TIT2", Latin("Hello")));
  EXPECT_EQ(tag.substr(tag.size() - 877), std::string(877, '\0'));
  TagFields back;
  ASSERT_TRUE(ParseId3v2(tag, back));
  EXPECT_EQ(back.title, "Hello");
}

TEST(Id3v2Write, EachTextLandsInItsOwnFrame) {
  // Texts holding the IDs of frames that come later must not be taken for them.
  TagFields f;
  f.copyright = "TCOM TOPE TIT2";
  f.composer = "TOPE";
  f.originalArtist = "TIT2TPE1";
  f.title = "title";
  f.artist = "COMM";
  f.genre = "(17)Rock";
  TagFields back;
  ASSERT_TRUE(ParseId3v2(BuildId3v2Tag(f), back));
  EXPECT_EQ(back.copyright, f.copyright);
  EXPECT_EQ(back.composer, f.composer);
  EXPECT_EQ(back.originalArtist, f.originalArtist);
  EXPECT_EQ(back.title, "title");
  EXPECT_EQ(back.artist, "COMM");
  EXPECT_EQ(back.genre, "Rock");
}

TEST(Id3v2Write, RoundTripReplacesTheOldTagAndKeepsTheId3v1Block) {
  TempDir dir;
  Id3v1Input v1;
  v1.title = "v1 title";
  const std::string block = BuildId3v1Block(v1);
  const auto path = dir.File("a.mp3", kAudio + block);
  ASSERT_TRUE(WriteId3v2(path, AllFields("1")));
  ASSERT_TRUE(WriteId3v2(path, AllFields("2")));
  TagFields back;
  ASSERT_TRUE(ReadId3v2(path, back));
  TagFields expected = AllFields("2");
  expected.genre = "Rock";
  ExpectSameFields(back, expected);
  const std::string after = ReadAll(path);
  EXPECT_EQ(after.substr(after.size() - kAudio.size() - 128), kAudio + block);

  ASSERT_TRUE(DeleteId3v2(path));
  EXPECT_EQ(ReadAll(path), kAudio + block);
  ASSERT_TRUE(DeleteId3v2(path));  // no tag: nothing to do
  EXPECT_EQ(ReadAll(path), kAudio + block);
}

TEST(Id3v2Write, DeleteRemovesTheWholeDeclaredTag) {
  TempDir dir;
  const std::string tag = Tag(3, Frame23("TIT2", Latin("x")), 500);
  const auto path = dir.File("a.mp3", tag + "AUDIO");
  ASSERT_TRUE(DeleteId3v2(path));
  EXPECT_EQ(ReadAll(path), "AUDIO");
  // A v2.4 footer goes with its tag.
  std::string withFooter = Tag(4, Frame24("TIT2", Latin("x")), 0, 0x10);
  withFooter += "3DI" + withFooter.substr(3, 7);
  const auto p2 = dir.File("b.mp3", withFooter + "AUDIO");
  ASSERT_TRUE(DeleteId3v2(p2));
  EXPECT_EQ(ReadAll(p2), "AUDIO");
}

TEST(Id3v2Write, ATitleChangeKeepsEveryOtherFrameByteForByte) {
  const std::string picture =
      Bytes({0}) + "image/png" + Bytes({0, 3, 0}) + std::string(70000, '\xFF') + "end";
  const std::string lyrics = Bytes({0}) + "eng" + Bytes({0}) + "la la";
  const std::string described = Bytes({0}) + "eng" + "iTunNORM" + Bytes({0}) + "0000";
  const std::string rest = Frame23("APIC", picture) + Frame23("USLT", lyrics) +
                           Frame23("COMM", described) +
                           Frame23("COMM", Bytes({0}) + "eng" + Bytes({0}) + "kept") +
                           Frame23("TPE1", Bytes({1}) + "\xFF\xFE" + Utf16Le("月亮"));
  TempDir dir;
  const auto path = dir.File("a.mp3", Tag(3, Frame23("TIT2", Latin("Old")) + rest, 200) + kAudio);
  TagFields f;
  ASSERT_TRUE(ReadId3v2(path, f));
  EXPECT_EQ(f.comment, "kept");
  f.title = "New";
  ASSERT_TRUE(WriteId3v2(path, f));
  // The new tag fits the old one's space: written over it, padding and all.
  EXPECT_EQ(ReadAll(path), Tag(3, Frame23("TIT2", Latin("New")) + rest, 200) + kAudio);
}

TEST(Id3v2Write, V24TagStaysV24) {
  // Per-frame unsynchronisation and a data length indicator, a full recording
  // date, and frames v2.3 does not know.
  const std::string stored = Syncsafe32(5) + std::string("\x00\xFF\x00\xD8\xFF\x00\xE0", 7);
  const std::string others = Frame24("TSOP", Latin("sort")) +
                             Frame24("RVA2", Bytes({0, 1, 0xFF, 0x00, 0})) +
                             Frame24("TXXX", Bytes({3}) + "key" + Bytes({0}) + "値");
  const std::string original =
      Tag(4, Frame24("APIC", stored, 0x4003) + Frame24("TDRC", Latin("1987-01-02")) + others, 20);
  TempDir dir;
  const auto path = dir.File("a.mp3", original + kAudio);
  TagFields f;
  ASSERT_TRUE(ReadId3v2(path, f));
  EXPECT_EQ(f.year, "1987");
  ASSERT_TRUE(WriteId3v2(path, f));  // nothing changed: same frames, same bytes
  EXPECT_EQ(ReadAll(path), original + kAudio);
  f.year = "2001";
  f.title = Gb("タイトル");
  ASSERT_TRUE(WriteId3v2(path, f));
  // 17 bytes more than before: they come out of the padding.
  EXPECT_EQ(ReadAll(path), Tag(4,
                               Frame24("APIC", stored, 0x4003) + Frame24("TDRC", Latin("2001")) +
                                   others + Frame24("TIT2", Bytes({3}) + "タイトル"),
                               3) +
                               kAudio);
}

TEST(Id3v2Write, V22TagBecomesV23WithEveryFrame) {
  const std::string jpeg = "\xFF\xD8\xFF\xE0 picture";
  const std::string v22 = Tag(
      2, Frame22("TT2", Latin("t")) +
             Frame22("PIC", Bytes({0}) + "JPG" + Bytes({3}) + "cover" + Bytes({0}) + jpeg) +
             Frame22("COM", Bytes({0}) + "eng" + Bytes({0}) + "c") +
             Frame22("ULT", Bytes({0}) + "eng" + Bytes({0}) + "words") + Frame22("CRM", "owner"));
  TempDir dir;
  const auto path = dir.File("a.mp3", v22 + kAudio);
  TagFields f;
  ASSERT_TRUE(ReadId3v2(path, f));
  f.artist = "a";
  ASSERT_TRUE(WriteId3v2(path, f));
  EXPECT_EQ(ReadAll(path), Tag(3,
                               Frame23("TIT2", Latin("t")) +
                                   Frame23("APIC", Bytes({0}) + "image/jpeg" + Bytes({0, 3}) +
                                                       "cover" + Bytes({0}) + jpeg) +
                                   Frame23("COMM", Bytes({0}) + "eng" + Bytes({0}) + "c") +
                                   Frame23("USLT", Bytes({0}) + "eng" + Bytes({0}) + "words") +
                                   Frame23("XCRM", "owner") + Frame23("TPE1", Latin("a")),
                               877) +
                               kAudio);
}

TEST(Id3v2Write, ChangedFramesTakeTheStandardEncodings) {
  struct Case {
    const char* name;
    std::size_t field;
    std::string text;  // UTF-8
    int major;
    TagWriteEncoding encoding;
    std::string content;
  };
  const auto unicode = TagWriteEncoding::kUnicode;
  const Case cases[] = {
      {"ascii", kFieldTitle, "Hello", 3, unicode, Latin("Hello")},
      {"latin-1", kFieldTitle, "Café Déjà Vu", 3, unicode, Latin("Caf\xE9 D\xE9j\xE0 Vu")},
      {"chinese v2.3", kFieldTitle, "月亮代表我的心", 3, unicode,
       Bytes({1}) + "\xFF\xFE" + Utf16Le("月亮代表我的心")},
      {"emoji v2.3", kFieldArtist, "😀", 3, unicode, Bytes({1, 0xFF, 0xFE, 0x3D, 0xD8, 0x00, 0xDE})},
      {"japanese v2.4", kFieldAlbum, "日本語", 4, unicode, Bytes({3}) + "日本語"},
      {"leading U+FEFF v2.4", kFieldAlbum, "\xEF\xBB\xBF日本", 4, unicode,
       Bytes({1}) + "\xFF\xFE" + Utf16Le("\xEF\xBB\xBF日本")},
      {"gbk", kFieldTitle, "月亮", 3, TagWriteEncoding::kGbk, Latin(Gb("月亮"))},
      {"comment", kFieldComment, "注释", 3, unicode,
       Bytes({1}) + "CHS" + Bytes({0, 0}) + "\xFF\xFE" + Utf16Le("注释")},
      {"v2.4 year", kFieldYear, "2019-07-01", 4, unicode, Latin("2019-07-01")},
      {"url", kFieldUrl, "http://a.b/é", 4, unicode, Bytes({0, 0}) + "http://a.b/\xE9"},
      {"url in gbk", kFieldUrl, "http://例子.cn/", 3, unicode,
       Bytes({0, 0}) + Gb("http://例子.cn/")},
      // Read as legacy text these bytes would be other characters.
      {"url beyond gbk", kFieldUrl, "http://a/睷睷睷睷", 3, unicode,
       Bytes({0, 0}) + "\xFF\xFE" + Utf16Le("http://a/睷睷睷睷")},
  };
  for (const Case& c : cases) {
    const char* id =
        c.field == kFieldYear && c.major == 4 ? "TDRC" : kTagFieldTable[c.field].frameId;
    const std::string expected = c.major == 4 ? Frame24(id, c.content) : Frame23(id, c.content);
    EXPECT_EQ(BuildFieldFrame(c.field, Gb(c.text), c.major, {.encoding = c.encoding}), expected)
        << c.name;
    // And it reads back.
    TagFields back;
    ASSERT_TRUE(ParseId3v2(Tag(c.major, expected), back)) << c.name;
    EXPECT_EQ(back.*kTagFieldTable[c.field].member,
              c.field == kFieldYear ? Gb(c.text).substr(0, 4) : Gb(c.text))
        << c.name;
  }
}

TEST(Id3v2Write, AGenreReadsBackAsTyped) {
  // What TCON holds for a typed genre, per version: v2.4 takes a bare genre number
  // or "RX" as a reference, both versions take a leading "(" apart.
  struct Case {
    std::string typed;
    std::string v23;
    std::string v24;
    std::string readBack;
  };
  const Case cases[] = {
      {"Rock", "Rock", "Rock", "Rock"},
      {"(17)Rock", "(17)Rock", "(17)Rock", "Rock"},  // chosen from the list
      {"1", "1", "(1", "1"},
      {"017", "017", "(017", "017"},
      {"RX", "RX", "(RX", "RX"},
      {"126", "126", "126", "126"},  // no genre has that number
      {"(Live)", "((Live)", "((Live)", "(Live)"},
      {"(", "((", "((", "("},
  };
  for (const Case& c : cases) {
    for (int major : {3, 4}) {
      const std::string stored = major == 3 ? c.v23 : c.v24;
      const std::string frame = BuildFieldFrame(kFieldGenre, c.typed, major, {});
      EXPECT_EQ(frame, major == 3 ? Frame23("TCON", Latin(stored)) : Frame24("TCON", Latin(stored)))
          << c.typed << " v2." << major;
      TagFields back;
      ASSERT_TRUE(ParseId3v2(Tag(major, frame), back));
      EXPECT_EQ(back.genre, c.readBack) << c.typed << " v2." << major;
    }
  }
}

TEST(Id3v2Write, AFrameCutOffByTheTagsEndIsWrittenAfreshAsItRead) {
  // A v2.4 genre "(1" whose frame claims more than the tag holds: it reads as "1",
  // and a title change must not turn that into genre number 1 (Classic Rock).
  const std::string cut = "TCON" + Syncsafe32(32777) + Bytes({0, 0}) + Latin("(1");
  const std::string artist = Frame24("TPE1", Latin(std::string("A\0B", 3)));
  const std::string tag = Tag(4, artist + cut + std::string(20, '\0'));
  TagFields f;
  ASSERT_TRUE(ParseId3v2(tag, f));
  EXPECT_EQ(f.genre, "1");
  EXPECT_EQ(f.artist, "A/B");
  f.title = "t";
  MemorySource source(tag);
  TagFields back;
  ASSERT_TRUE(ParseId3v2(BuildUpdatedId3v2Tag(source, f), back));
  EXPECT_EQ(back.genre, "1");
  EXPECT_EQ(back.artist, "A/B");
  EXPECT_EQ(back.title, "t");
}

std::string Deflate(const std::string& data) {
  uLongf size = compressBound(data.size());
  std::string out(size, '\0');
  compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
           data.size());
  out.resize(size);
  return out;
}

TEST(Id3v2Write, CompressedFramesAreReadAndKeptAsTheyAre) {
  const std::string title = Latin("Compressed title");
  const std::string lyrics = Bytes({0}) + "eng" + Bytes({0}) + std::string(5000, 'l');
  // v2.3: the inflated size, then zlib data; v2.4: a data length indicator.
  const std::string v23 = Frame23("TIT2", Be32(title.size()) + Deflate(title), 0x0080) +
                          Frame23("USLT", Be32(lyrics.size()) + Deflate(lyrics), 0x0080);
  const std::string v24 = Frame24("TIT2", Syncsafe32(title.size()) + Deflate(title), 0x0009) +
                          Frame24("USLT", Syncsafe32(lyrics.size()) + Deflate(lyrics), 0x0009);
  // A bomb: a few bytes that claim to be a comment and inflate to 64 MiB.
  const std::string bomb = Deflate(Bytes({0}) + "eng" + Bytes({0}) + std::string(64 << 20, 'b'));
  TempDir dir;
  int n = 0;
  for (const auto& [major, frames] : {std::pair{3, v23}, std::pair{4, v24}}) {
    const auto path = dir.File("c" + std::to_string(n++) + ".mp3", Tag(major, frames) + kAudio);
    TagFields f;
    ASSERT_TRUE(ReadId3v2(path, f));
    EXPECT_EQ(f.title, "Compressed title");
    f.artist = "a";
    ASSERT_TRUE(WriteId3v2(path, f));
    const std::string added =
        major == 3 ? Frame23("TPE1", Latin("a")) : Frame24("TPE1", Latin("a"));
    EXPECT_EQ(ReadAll(path), Tag(major, frames + added, 877) + kAudio);
  }
  TagFields f;
  ASSERT_TRUE(ParseId3v2(Tag(3, Frame23("COMM", Be32(64 << 20) + bomb, 0x0080)), f));
  EXPECT_LE(f.comment.size(), 1u << 20);
}

TEST(Id3v2Write, AHugeTextSurvivesARewriteWhole) {
  const std::string huge = Latin(std::string(3 << 20, 'h'));
  TempDir dir;
  const auto path = dir.File("a.mp3", Tag(3, Frame23("TIT2", huge)) + kAudio);
  TagFields f;
  ASSERT_TRUE(ReadId3v2(path, f));
  f.artist = "a";
  ASSERT_TRUE(WriteId3v2(path, f));
  // A tag that grows gets a tenth of its size as padding, for the next edits.
  const std::string frames = Frame23("TIT2", huge) + Frame23("TPE1", Latin("a"));
  EXPECT_EQ(ReadAll(path), Tag(3, frames, (10 + frames.size()) / 10) + kAudio);
}

TEST(Id3v2Write, KeepsPermissionsAndFollowsLinks) {
  TempDir dir;
  const auto path = dir.File("a.mp3", kAudio);
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  const std::string link = dir.path() + "/link.mp3";
  ASSERT_EQ(symlink(path.c_str(), link.c_str()), 0);
  ASSERT_TRUE(WriteId3v2(link, TagFields{}));
  struct stat st;
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadAll(path), BuildTagSkeleton() + kAudio);
}

// Makes a folder refuse new files: without write permission, or (for root, whom
// permissions do not stop) with the immutable attribute. False when neither works.
bool LockFolder(const std::string& folder, bool lock) {
  if (geteuid() != 0) return chmod(folder.c_str(), lock ? 0500 : 0700) == 0;
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (ok) {
    flags = lock ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  close(fd);
  return ok;
}

// The file's own permission is what counts: in a folder that takes no new files a
// tag that fits is written in place; one that needs the audio moved is refused,
// as the move needs its recovery record beside the file.
TEST(Id3v2Write, FolderThatTakesNoNewFiles) {
  TempDir dir;
  const std::string original = Tag(3, Frame23("TIT2", Latin("Old")), 2000) + kAudio;
  const auto path = dir.File("a.mp3", original);
  if (!LockFolder(dir.path(), true)) GTEST_SKIP() << "cannot make the folder refuse new files";
  const TagWriteResult fits = WriteId3v2(path, AllFields("n"));
  const std::string afterFit = ReadAll(path);
  TagFields big = AllFields("n");
  big.comment = std::string(5000, 'c');
  const TagWriteResult grows = WriteId3v2(path, big);
  const std::string afterGrow = ReadAll(path);
  const TagWriteResult deleted = DeleteId3v2(path);
  LockFolder(dir.path(), false);
  EXPECT_TRUE(fits.ok());
  EXPECT_EQ(afterFit.size(), original.size());
  EXPECT_EQ(afterFit.substr(afterFit.size() - kAudio.size()), kAudio);
  EXPECT_EQ(grows.error, TagWriteError::kNoRecoveryRecord);
  EXPECT_EQ(deleted.error, TagWriteError::kNoRecoveryRecord);
  EXPECT_EQ(afterGrow, afterFit);
  EXPECT_EQ(ReadAll(path), afterFit);
  EXPECT_EQ(dir.Count(), 1);
}

}  // namespace
}  // namespace tessarn
