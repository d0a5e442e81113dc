// Tag runs on real files: tags from names into ID3v2 and, where they fit, ID3v1,
// and the old tag bytes each written file leaves behind for an undo.
#include "core/tagedit/tag_run.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/id3/id3_test_util.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

using testing::Frame23;
using testing::Id3v1Block;
using testing::Latin;
using testing::ReadAll;
using testing::Tag;
using testing::TempDir;

const std::string kAudio(300, '\x55');

struct Written {
  std::vector<NameTagFile> files;
  TagFields v1, v2;
  bool hasV1 = false, hasV2 = false;
};

Written FromName(const TempDir& dir, const std::string& name, const std::string& content,
                 const char* tagTemplate, NameTagTargets targets = {}) {
  const std::string path = dir.File(name, content);
  ParsedTemplate parsed;
  ParseTagTemplate(Gb(tagTemplate), parsed);
  Written w;
  w.files = WriteTagsFromNames({path}, {DecodeDiskName(name)}, parsed, targets, {});
  w.hasV1 = ReadId3v1(path, w.v1);
  w.hasV2 = ReadId3v2(path, w.v2);
  return w;
}

TEST(TagRun, NameFieldsGoIntoBothTags) {
  TempDir dir;
  const Written w = FromName(dir, "邓丽君-月亮代表我的心.mp3", kAudio, "#1-#2");
  ASSERT_TRUE(w.files[0].outcome.ok) << GbToUtf8Lossy(w.files[0].outcome.reason);
  EXPECT_EQ(w.v2.artist, Gb("邓丽君"));
  EXPECT_EQ(w.v2.title, Gb("月亮代表我的心"));
  ASSERT_TRUE(w.hasV1);
  EXPECT_EQ(w.v1.artist, Gb("邓丽君"));
  EXPECT_EQ(w.v1.title, Gb("月亮代表我的心"));
}

TEST(TagRun, OtherFieldsOfTheFileStay) {
  TempDir dir;
  const std::string old = Tag(3, Frame23("TALB", Latin("Album")) + Frame23("TIT2", Latin("Old")));
  const Written x = FromName(dir, "03 New.mp3", old + kAudio + Id3v1Block("Old"), "#4 #2");
  ASSERT_TRUE(x.files[0].outcome.ok);
  EXPECT_EQ(x.v2.title, "New");
  EXPECT_EQ(x.v2.album, "Album");
  EXPECT_EQ(x.v2.track, "03");
  EXPECT_EQ(x.v1.title, "New");
  EXPECT_EQ(x.v1.track, "3");
}

// Text ID3v1 cannot hold: with ID3v2 first it goes to ID3v2 alone and ID3v1 stays
// as it was; when ID3v1 must take it the file fails untouched.
TEST(TagRun, Id3v1TakesOnlyWhatFits) {
  const std::string longTitle = "这是一个非常非常非常长的歌曲名字啊";  // 34 bytes
  struct Case {
    const char* what;
    std::string name;
    const char* tagTemplate;
    Id3v1Share share;
    bool ok;
    const char* v1Title;  // after the run
  } cases[] = {
      {"too long, ID3v2 first", "A-" + longTitle + ".mp3", "#1-#2", Id3v1Share::kWhereFits, true,
       "Old"},
      {"too long, ID3v1 required", "A-" + longTitle + ".mp3", "#1-#2", Id3v1Share::kRequired, false,
       "Old"},
      {"genre outside the list, ID3v2 first", "A-Chiptune.mp3", "#1-#6", Id3v1Share::kWhereFits,
       true, "Old"},
      {"track past 255, ID3v1 required", "300-A.mp3", "#4-#1", Id3v1Share::kRequired, false, "Old"},
      {"fits", "A-Short.mp3", "#1-#2", Id3v1Share::kRequired, true, "Short"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const std::string before = kAudio + Id3v1Block("Old");
    const Written w = FromName(dir, c.name, before, c.tagTemplate, {true, c.share});
    EXPECT_EQ(w.files[0].outcome.ok, c.ok) << c.what;
    EXPECT_EQ(w.v1.title, c.v1Title) << c.what;
    if (!c.ok) {
      EXPECT_EQ(ReadAll(dir.path() + "/" + c.name), before) << c.what;
      EXPECT_FALSE(w.files[0].outcome.reason.empty()) << c.what;
    } else {
      EXPECT_TRUE(w.hasV2) << c.what;
    }
  }
  TempDir dir;
  const Written w = FromName(dir, "A-" + longTitle + ".mp3", kAudio, "#1-#2");
  EXPECT_EQ(w.v2.title, Gb(longTitle));
  const Written g = FromName(dir, "A-Chiptune.mp3", kAudio, "#1-#6");
  EXPECT_EQ(g.v2.genre, "Chiptune");
}

TEST(TagRun, NamesThatDoNotFitTouchNothing) {
  TempDir dir;
  for (const char* name : {"no-separator here.mp3", "a-b.txt"}) {
    const std::string path = dir.File(name, kAudio);
    ParsedTemplate parsed;
    ParseTagTemplate("#1 - #2", parsed);
    const auto files = WriteTagsFromNames({path}, {name}, parsed, {}, {});
    EXPECT_FALSE(files[0].outcome.ok) << name;
    EXPECT_FALSE(files[0].outcome.undo) << name;
    EXPECT_EQ(ReadAll(path), kAudio) << name;
  }
}

// What a run notes for an undo: the exact old tag bytes (padding and all) and the
// file as the write left it.
TEST(TagRun, WrittenFilesKeepTheirOldBytes) {
  TempDir dir;
  const std::string oldV2 = Tag(3, Frame23("TIT2", Latin("Old")), 64);
  const std::string oldV1 = Id3v1Block("Old v1");
  const Written w = FromName(dir, "A-B.mp3", oldV2 + kAudio + oldV1, "#1-#2");
  ASSERT_TRUE(w.files[0].outcome.undo);
  const TagFileUndo& undo = *w.files[0].outcome.undo;
  EXPECT_EQ(undo.oldId3v2, oldV2);
  EXPECT_EQ(undo.oldId3v1, oldV1);
  struct stat st;
  ASSERT_EQ(::stat((dir.path() + "/A-B.mp3").c_str(), &st), 0);
  EXPECT_EQ(undo.inode, st.st_ino);
  EXPECT_EQ(undo.device, st.st_dev);
  EXPECT_EQ(undo.size, static_cast<std::uint64_t>(st.st_size));
  EXPECT_EQ(undo.mtimeSeconds, st.st_mtim.tv_sec);
  EXPECT_EQ(undo.mtimeNanoseconds, st.st_mtim.tv_nsec);

  const Written bare = FromName(dir, "C-D.mp3", kAudio, "#1-#2");
  ASSERT_TRUE(bare.files[0].outcome.undo);
  EXPECT_EQ(bare.files[0].outcome.undo->oldId3v2, "");
  EXPECT_EQ(bare.files[0].outcome.undo->oldId3v1, "");
}

TEST(TagRun, Texts) {
  EXPECT_EQ(GbToUtf8Lossy(NameTagQuestion(3)), "将为 3 个文件写入标签，是否继续？");
  EXPECT_EQ(TagRunSummary(2, 2).kind, MessageKind::kInformation);
  const UserMessage partial = TagRunSummary(3, 2);
  EXPECT_EQ(partial.kind, MessageKind::kWarning);
  EXPECT_NE(GbToUtf8Lossy(partial.text).find("1 个文件标签写入失败！"), std::string::npos);
}

}  // namespace
}  // namespace tessarn
