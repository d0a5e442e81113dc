// The one tag edit on real files: converting legacy text to Unicode frame by frame,
// a given field written anew, and what a file without a tag gets.
#include "core/tagedit/tag_edit.h"

#include <gtest/gtest.h>

#include "core/id3/id3_test_util.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

using testing::Bytes;
using testing::Frame23;
using testing::Frame24;
using testing::ReadAll;
using testing::Tag;
using testing::TempDir;
using testing::Utf16Le;

const std::string kAudio = std::string("\xFF\xFB\x90\x64", 4) + std::string(300, '\x55');
constexpr std::size_t kPadding = 200;  // room for the converted frames: written in place

std::string GbkOf(const std::string& utf8) { return *Utf8ToGb(utf8); }  // GBK is GB18030 here
std::string Bom16(const std::string& utf8) { return "\xFF\xFE" + Utf16Le(utf8); }
const std::string kZero(1, '\0'), kZero2(2, '\0');

// A cover picture whose description is not ASCII either: it is no text frame and
// keeps its bytes.
std::string Picture() {
  return Frame23("APIC", kZero + "image/png" + kZero + "\x03" + GbkOf("封面") + kZero + "PNG");
}

TagRunFile Convert(const std::string& path, LegacyEncoding legacy = LegacyEncoding::kAuto) {
  TagEdit edit;
  edit.convertToUnicode = true;
  TagWriteRun run;
  return EditFileTags(path, edit, {.legacy = legacy}, run);
}

// Each frame as it goes in and as it must come out; the picture after it stays.
TEST(TagEdit, ConvertRewritesLegacyTextFramesOnly) {
  struct Case {
    const char* what;
    int major;
    std::string before, after;  // the frame (after == before: the file is not written)
    LegacyEncoding legacy = LegacyEncoding::kAuto;
  };
  const std::string tit2Gbk = kZero + GbkOf("月亮代表我的心");
  const std::vector<Case> cases = {
      {"GBK title, v2.3: UTF-16", 3, Frame23("TIT2", tit2Gbk),
       Frame23("TIT2", "\x01" + Bom16("月亮代表我的心"))},
      {"GBK title, v2.4: UTF-8", 4, Frame24("TIT2", tit2Gbk),
       Frame24("TIT2", "\x03" + std::string("月亮代表我的心"))},
      {"comment: language kept, description and text", 3,
       Frame23("COMM", kZero + "chi" + GbkOf("说明") + kZero + GbkOf("注释")),
       Frame23("COMM", "\x01" "chi" + Bom16("说明") + kZero2 + Bom16("注释"))},
      {"user text: both values, each with its mark", 3,
       Frame23("TXXX", kZero + GbkOf("描述") + kZero + GbkOf("值")),
       Frame23("TXXX", "\x01" + Bom16("描述") + kZero2 + Bom16("值"))},
      {"v2.4 values keep their terminators", 4, Frame24("TPE1", kZero + GbkOf("甲") + kZero + "B"),
       Frame24("TPE1", "\x03" + std::string("甲") + kZero + "B")},
      {"URL: the description only, the address stays", 3,
       Frame23("WXXX", kZero + GbkOf("主页") + kZero + "http://a.example/"),
       Frame23("WXXX", "\x01" + Bom16("主页") + kZero2 + "http://a.example/")},
      {"Latin-1 when asked", 3, Frame23("TALB", kZero + "Caf\xE9"),
       Frame23("TALB", "\x01" + Bom16("Café")), LegacyEncoding::kLatin1},
      {"plain ASCII stays", 3, Frame23("TIT2", kZero + "Hello"), Frame23("TIT2", kZero + "Hello")},
      {"already UTF-16 stays", 3, Frame23("TIT2", "\x01" + Bom16("歌")),
       Frame23("TIT2", "\x01" + Bom16("歌"))},
      {"stored compressed stays", 3, Frame23("TIT2", Bytes({0, 0, 0, 9}) + tit2Gbk, 0x0080),
       Frame23("TIT2", Bytes({0, 0, 0, 9}) + tit2Gbk, 0x0080)},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const std::string frames = c.before + Picture();
    const std::string original = Tag(c.major, frames, kPadding) + kAudio;
    const std::string path = dir.File("a.mp3", original);
    const TagRunFile out = Convert(path, c.legacy);
    ASSERT_TRUE(out.ok) << c.what << ": " << GbToUtf8Lossy(out.reason);
    if (c.after == c.before) {
      EXPECT_FALSE(out.undo) << c.what;
      EXPECT_EQ(ReadAll(path), original) << c.what;
      continue;
    }
    const std::string converted = c.after + Picture();
    const std::string expected =
        Tag(c.major, converted, kPadding + frames.size() - converted.size()) + kAudio;
    EXPECT_EQ(ReadAll(path), expected) << c.what;
    ASSERT_TRUE(out.undo) << c.what;
    EXPECT_EQ(out.undo->oldId3v2, Tag(c.major, frames, kPadding)) << c.what;
  }
}

TEST(TagEdit, ConvertGivesNoTagToAFileWithout) {
  TempDir dir;
  const std::string original = kAudio + testing::Id3v1Block(GbkOf("旧")) ;
  const std::string path = dir.File("a.mp3", original);
  const TagRunFile out = Convert(path);
  EXPECT_TRUE(out.ok);
  EXPECT_FALSE(out.undo);
  EXPECT_EQ(out.results.id3v2, TagUpdateResult::kNotDue);
  EXPECT_EQ(ReadAll(path), original);  // ID3v1 has no encoding to convert to
}

// A field given again with the text it shows is written anew, as Unicode; the
// fields not given keep their bytes.
TEST(TagEdit, GivenFieldIsWrittenAnew) {
  TempDir dir;
  const std::string title = Frame23("TIT2", kZero + GbkOf("月亮"));
  const std::string path =
      dir.File("a.mp3", Tag(3, Frame23("TPE1", kZero + GbkOf("邓丽君")) + title, kPadding) + kAudio);
  TagEdit edit;
  edit.id3v2[kFieldArtist] = Gb("邓丽君");
  TagWriteRun run;
  ASSERT_TRUE(EditFileTags(path, edit, {}, run).ok);
  const std::string after = ReadAll(path);
  EXPECT_NE(after.find(Frame23("TPE1", "\x01" + Bom16("邓丽君"))), std::string::npos);
  EXPECT_NE(after.find(title), std::string::npos);
  TagFields back;
  ASSERT_TRUE(ReadId3v2(path, back));
  EXPECT_EQ(back.artist, Gb("邓丽君"));
  EXPECT_EQ(back.title, Gb("月亮"));
}

// What a file cannot take fails it alone, untouched, with the reason under the
// failure of each tag that was due; a file that is not there fails every step.
TEST(TagEdit, FailuresSayWhy) {
  TempDir dir;
  const std::string original = kAudio + testing::Id3v1Block("Old");
  const std::string path = dir.File("a.mp3", original);
  TagEdit edit;
  edit.id3v1[kFieldTitle] = std::string(31, 't');
  edit.id3v2[kFieldTitle] = "t";
  TagWriteRun run;
  TagRunFile out = EditFileTags(path, edit, {}, run);
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(ReadAll(path), original);
  EXPECT_EQ(GbToUtf8Lossy(TagUpdateMessageBox(out.results)->text),
            "ID3v1标签更新失败！\nID3v2标签更新失败！\nID3v1 的歌曲名最多 30 字节，给出的有 31 字节");
  // Where it fits, ID3v1 is left alone and ID3v2 still written.
  edit.id3v1WhereFits = true;
  out = EditFileTags(path, edit, {}, run);
  EXPECT_TRUE(out.ok);
  EXPECT_EQ(out.results.id3v1, TagUpdateResult::kNotDue);
  EXPECT_TRUE(ReadAll(path).ends_with(testing::Id3v1Block("Old")));

  edit.removeId3v1 = true;
  out = EditFileTags(dir.path() + "/gone.mp3", edit, {}, run);
  EXPECT_EQ(out.results.id3v1, TagUpdateResult::kDeleteFailed);
  EXPECT_EQ(out.results.id3v2, TagUpdateResult::kWriteFailed);
  EXPECT_EQ(GbToUtf8Lossy(out.reason), "文件不存在");
}

}  // namespace
}  // namespace tessarn
