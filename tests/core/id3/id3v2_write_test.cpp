#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The frames of a tag after the ten-byte header, up to the padding.
// The frames of a written tag after its first twelve, up to the padding.
std::string FramesAfterTheTwelve(const std::string& file) {
  auto frameEnd = [&file](std::size_t pos) {
    return pos + 10 +
           static_cast<std::uint32_t>(static_cast<unsigned char>(file[pos + 4]) << 24 |
                                      static_cast<unsigned char>(file[pos + 5]) << 16 |
                                      static_cast<unsigned char>(file[pos + 6]) << 8 |
                                      static_cast<unsigned char>(file[pos + 7]));
  };
  std::size_t pos = 10;
  for (int i = 0; i < 12; ++i) pos = frameEnd(pos);
  std::size_t end = pos;
  while (file[end] != '\0') end = frameEnd(end);
  return file.substr(pos, end - pos);
}

TEST(Id3v2Write, OtherFramesSurviveATitleChange) {
  const std::string picture =
      Bytes({0}) + "image/png" + Bytes({0, 3, 0}) + std::string(70000, '\xFF') + "end";
  const std::string lyrics = Bytes({0}) + "eng" + Bytes({0}) + "la la";
  const std::string described = Bytes({0}) + "eng" + "iTunNORM" + Bytes({0}) + "0000";
  TempDir dir;
  const auto path =
      dir.File("a.mp3", Tag(3,
                            Frame23("TIT2", Latin("Old")) + Frame23("APIC", picture) +
                                Frame23("USLT", lyrics) + Frame23("COMM", described) +
                                Frame23("COMM", Bytes({0}) + "eng" + Bytes({0}) + "replaced"),
                            200) +
                            kAudio);
  TagFields f;
  ASSERT_TRUE(ReadId3v2(path, f));
  EXPECT_EQ(f.comment, "replaced");
  f.title = "New";
  ASSERT_TRUE(WriteId3v2(path, f));

  const std::string after = ReadAll(path);
  EXPECT_EQ(FramesAfterTheTwelve(after),
            Frame23("APIC", picture) + Frame23("USLT", lyrics) + Frame23("COMM", described));
  TagFields back;
  ASSERT_TRUE(ReadId3v2(path, back));
  EXPECT_EQ(back.title, "New");
  EXPECT_EQ(back.comment, "replaced");
  EXPECT_EQ(after.substr(after.size() - kAudio.size()), kAudio);
}

TEST(Id3v2Write, V24FramesAreKeptInV23Form) {
  // Per-frame unsynchronisation and a data length indicator; plus TDRC, which gave
  // the year and is replaced by TYER.
  const std::string data = std::string("\x00\xFF\xD8\xFF\xE0", 5);
  const std::string stored = Syncsafe32(5) + std::string("\x00\xFF\x00\xD8\xFF\x00\xE0", 7);
  TempDir dir;
  const auto path =
      dir.File("a.mp3", Tag(4,
                            Frame24("APIC", stored, 0x4003) + Frame24("TDRC", Latin("1987-01-02")) +
                                Frame24("TSOP", Latin("sort")),
                            20) +
                            kAudio);
  TagFields f;
  ASSERT_TRUE(ReadId3v2(path, f));
  EXPECT_EQ(f.year, "1987");
  ASSERT_TRUE(WriteId3v2(path, f));
  EXPECT_EQ(FramesAfterTheTwelve(ReadAll(path)),
            Frame23("APIC", data, 0x8000) + Frame23("TSOP", Latin("sort")));

  // Frames of a v2.2 tag are not carried into a v2.3 tag.
  const auto p22 =
      dir.File("b.mp3", Tag(2, Frame22("PIC", "xxxx") + Frame22("TT2", Latin("t"))) + kAudio);
  ASSERT_TRUE(WriteId3v2(p22, TagFields{}));
  EXPECT_EQ(ReadAll(p22), BuildTagSkeleton() + kAudio);
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

TEST(CollectId3v2Fields, GenreFromTheSelectedItem) {
  Id3v2EditorTexts t;
  t.title = " untrimmed ";
  t.genreNumber = 17;
  EXPECT_EQ(CollectId3v2Fields(t).genre, "(17)Rock");
  EXPECT_EQ(CollectId3v2Fields(t).title, " untrimmed ");
  t.genreNumber = -1;
  EXPECT_EQ(CollectId3v2Fields(t).genre, "");
  // No genre: TCON is present with only its encoding byte and reads back empty.
  const std::string tag = BuildId3v2Tag(CollectId3v2Fields(t));
  EXPECT_NE(tag.find(Frame23("TCON", Latin(""))), std::string::npos);
}

}  // namespace
}  // namespace tessarn
