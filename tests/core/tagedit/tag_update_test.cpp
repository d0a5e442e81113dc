// The tag editor's window-free steps: the ID3v1 texts copied from ID3v2, the genre
// text of the ID3v2 box, and the messages of an update.
#include "core/tagedit/tag_update.h"

#include <gtest/gtest.h>

#include "core/id3/id3_test_util.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {


TEST(TagUpdate, CopyCutsWholeCharactersOnly) {
  TagFields v2;
  v2.title = std::string(29, 'a') + Gb("中");  // 31 bytes: the 2-byte character would split
  v2.artist = std::string(28, 'b') + Gb("😀");  // 32 bytes: a 4-byte character
  v2.album = std::string(30, 'c');
  v2.year = Gb("二〇") + "1";  // 5 bytes: both characters fit in 4
  v2.comment = Gb("注释");
  v2.track = "12/15";
  const Id3v1Texts v1 = Id3v1TextsFromId3v2(v2);
  EXPECT_EQ(v1.title, std::string(29, 'a'));
  EXPECT_EQ(v1.artist, std::string(28, 'b'));
  EXPECT_EQ(v1.album, std::string(30, 'c'));
  EXPECT_EQ(v1.year, Gb("二〇"));
  EXPECT_EQ(v1.comment, Gb("注释"));
  EXPECT_EQ(v1.track, "12/15");  // the track goes whole
}

TEST(TagUpdate, CopyCountsLatin1TextAsTheBlockHoldsIt) {
  // 30 Latin-1 characters are 30 bytes of the block (GB18030 would take 38).
  TagFields v2;
  v2.title = Gb("Café Déjà Vu, crème brûlée okay");
  v2.artist = Gb("Beyoncé");
  const Id3v1Texts v1 = Id3v1TextsFromId3v2(v2, LegacyEncoding::kAuto);
  EXPECT_EQ(v1.title, Gb("Café Déjà Vu, crème brûlée oka"));
  EXPECT_EQ(v1.artist, Gb("Beyoncé"));
  // Read as GBK, the block would hold GB18030 bytes: the cut counts those.
  EXPECT_EQ(Id3v1TextsFromId3v2(v2, LegacyEncoding::kGbk).title, Gb("Café Déjà Vu, crème brû"));
}

TEST(TagUpdate, GenreFromTheBox) {
  EXPECT_EQ(EditorGenreText(17, "Rock"), "(17)Rock");
  EXPECT_EQ(EditorGenreText(-1, "Chiptune"), "Chiptune");
  EXPECT_EQ(EditorGenreText(-1, "Rock"), "Rock");  // typed, not chosen: as typed
  EXPECT_EQ(EditorGenreText(-1, ""), "");
}

TEST(TagUpdate, MessagesInOrder) {
  using R = TagUpdateResult;
  struct Case {
    R v1, v2;
    std::vector<std::pair<const char*, bool>> expected;
  } cases[] = {
      {R::kNotDue, R::kNotDue, {}},
      {R::kWritten, R::kWritten, {{"ID3v1标签更新成功！", false}, {"ID3v2标签更新成功！", false}}},
      {R::kWriteFailed, R::kDeleted, {{"ID3v1标签更新失败！", true}}},
      {R::kDeleted, R::kWriteFailed, {{"ID3v2标签更新失败！", true}}},
      {R::kDeleteFailed,
       R::kDeleteFailed,
       {{"删除ID3v1标签失败！", true}, {"删除ID3v2标签失败！", true}}},
  };
  for (const Case& c : cases) {
    const auto messages = TagUpdateMessages({c.v1, c.v2, TagWriteError::kNone, {}});
    ASSERT_EQ(messages.size(), c.expected.size());
    for (std::size_t i = 0; i < messages.size(); ++i) {
      EXPECT_EQ(messages[i].text, Gb(c.expected[i].first));
      EXPECT_EQ(messages[i].isError, c.expected[i].second);
    }
  }
}

// The editor shows one box per update: every line, and the reason under them.
TEST(TagUpdate, OneBoxWithEveryReason) {
  using R = TagUpdateResult;
  EXPECT_FALSE(TagUpdateMessageBox({R::kNotDue, R::kDeleted, TagWriteError::kNone, {}}));
  TagUpdateResults failed{R::kWriteFailed, R::kWriteFailed, TagWriteError::kNoPermission, {}};
  auto box = TagUpdateMessageBox(failed);
  ASSERT_TRUE(box);
  EXPECT_TRUE(box->isError);
  EXPECT_EQ(GbToUtf8Lossy(box->text), "ID3v1标签更新失败！\nID3v2标签更新失败！\n没有权限");
  failed.reason = TagWriteError::kNone;
  failed.detail = Gb("ID3v1 的歌曲名最多 30 字节");
  EXPECT_EQ(GbToUtf8Lossy(TagUpdateMessageBox(failed)->text),
            "ID3v1标签更新失败！\nID3v2标签更新失败！\nID3v1 的歌曲名最多 30 字节");
  box = TagUpdateMessageBox({R::kWritten, R::kWritten, TagWriteError::kNone, {}});
  EXPECT_FALSE(box->isError);
  EXPECT_EQ(GbToUtf8Lossy(box->text), "ID3v1标签更新成功！\nID3v2标签更新成功！");
}

}  // namespace
}  // namespace tessarn
