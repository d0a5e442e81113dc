#include "core/rules/insert_rule.h"

#include <gtest/gtest.h>

#include "core/rules/naming_options.h"

#include <climits>

#include "core/text/encoding.h"
#include "rule_test_support.h"

namespace tessarn {
namespace {

using testing::kCheng;
using testing::kShang;
using testing::kYa;
using testing::MakeList;

constexpr auto kPos = InsertMode::kAtPosition;
constexpr auto kEnd = InsertMode::kAtEnd;

TEST(InsertRule, Cases) {
  struct Case {
    const char* what;
    std::string oldName;
    std::string nameText;
    InsertMode nameMode;
    std::string namePos;
    std::string extText;
    InsertMode extMode;
    std::string extPos;
    std::string newName;
  } cases[] = {
      {"front of the main name", "photo.jpg", "X", kPos, "1", "", kPos, "1", "Xphoto.jpg"},
      {"length + 1 appends", "photo.jpg", "X", kPos, "6", "", kPos, "1", "photoX.jpg"},
      {"middle", "photo.jpg", "X", kPos, "3", "", kPos, "1", "phXoto.jpg"},
      {"file-name end", "photo.jpg", "X", kEnd, "1", "", kPos, "1", "photoX.jpg"},
      {"extension position 1 is after the dot", "photo.jpg", "", kPos, "1", "X", kPos, "1",
       "photo.Xjpg"},
      {"extension length + 1 appends", "photo.jpg", "", kPos, "1", "X", kPos, "4", "photo.jpgX"},
      {"extension end", "photo.jpg", "", kPos, "1", "X", kEnd, "1", "photo.jpgX"},
      {"no extension: dot + text (position)", "README", "", kPos, "1", "txt", kPos, "3",
       "README.txt"},
      {"no extension: dot + text (end)", "README", "", kPos, "1", "txt", kEnd, "1", "README.txt"},
      {"no extension, no text", "README", "", kPos, "1", "", kPos, "1", "README"},
      {"empty texts change nothing", "a.b.c", "", kPos, "2", "", kEnd, "1", "a.b.c"},
      {"both parts", "song.mp3", "_v2", kEnd, "1", "_v2", kEnd, "1", "song_v2.mp3_v2"},
      {"position 0 inserts at the front", "photo.jpg", "X", kPos, "0", "", kPos, "1", "Xphoto.jpg"},
      {"emptied position box inserts at the front", "photo.jpg", "X", kPos, "", "", kPos, "1",
       "Xphoto.jpg"},
      {"position past the end appends", "photo.jpg", "X", kPos, "255", "", kPos, "1", "photoX.jpg"},
      {"extension position 0 inserts after the dot", "photo.jpg", "", kPos, "1", "X", kPos, "0",
       "photo.Xjpg"},
      {"extension position past the end appends", "photo.jpg", "", kPos, "1", "X", kPos, "255",
       "photo.jpgX"},
      {"a dot file's main name is empty", ".profile", "X", kPos, "1", "", kPos, "1", "X.profile"},
      {"trailing dot: the extension is the dot alone", "readme.", "", kPos, "1", "X", kPos, "1",
       "readme.X"},
      {"Chinese text", Gb("歌.mp3"), Gb("新"), kPos, "3", "", kPos, "1", Gb("歌新.mp3")},
      // A position inside a character moves to its start.
      {"inside a double-byte character", kYa + kYa + ".txt", "X", kPos, "2", "", kPos, "1",
       "X" + kYa + kYa + ".txt"},
      {"after a double-byte character", kYa + kYa + ".txt", "X", kPos, "3", "", kPos, "1",
       kYa + "X" + kYa + ".txt"},
      {"inside the second character", kShang + kCheng + ".txt", "X", kPos, "4", "", kPos, "1",
       kShang + "X" + kCheng + ".txt"},
      {"inside a character of the extension", "a." + kYa + "b", "", kPos, "1", "X", kPos, "2",
       "a.X" + kYa + "b"},
      {"inside a four-byte character", Gb("😀") + "z", "X", kPos, "3", "", kPos, "1",
       "X" + Gb("😀") + "z"},
  };
  for (const auto& c : cases) {
    NamingOptions o;
    o.page = OptionPage::kInsert;
    o.nameInsertText = c.nameText;
    o.nameInsertMode = c.nameMode;
    o.nameInsertPos = c.namePos;
    o.extInsertText = c.extText;
    o.extInsertMode = c.extMode;
    o.extInsertPos = c.extPos;
    FileList list = MakeList({c.oldName});
    ApplyInsertRule(list, o, 1);
    EXPECT_EQ(list.entries[0].newName, c.newName) << c.what;
  }
}

TEST(InsertRule, KeepSameUsesTheFileNameCharacters) {
  NamingOptions o;
  o.keepSame = true;
  o.nameInsertText = "_v2";
  o.extInsertText = "stale";  // the box follows the file-name box while linked
  o.nameInsertMode = InsertMode::kAtEnd;
  o.extInsertMode = InsertMode::kAtEnd;
  FileList list = MakeList({"song.mp3", "README"});
  ApplyInsertRule(list, o, 2);
  EXPECT_EQ(list.entries[0].newName, "song_v2.mp3_v2");
  EXPECT_EQ(list.entries[1].newName, "README_v2._v2");
}

TEST(InsertRule, InsertAt) {
  struct Case {
    long long position;
    std::string result;
  } cases[] = {
      {LLONG_MIN, "Xab"}, {-1, "Xab"}, {0, "Xab"}, {1, "Xab"},
      {2, "aXb"},         {3, "abX"},  {4, "abX"}, {LLONG_MAX, "abX"},
  };
  for (const auto& c : cases) EXPECT_EQ(InsertAt("ab", c.position, "X"), c.result) << c.position;
  EXPECT_EQ(InsertAt("", 1, "X"), "X");
  EXPECT_EQ(InsertAt("", 5, "X"), "X");
}

TEST(InsertRule, HugePositionsDoNotOverflow) {
  NamingOptions o;
  o.extInsertText = "X";
  o.extInsertPos = "99999999999999999999999";
  FileList list = MakeList({"a.b"});
  ApplyInsertRule(list, o, 1);
  EXPECT_EQ(list.entries[0].newName, "a.bX");
}

}  // namespace
}  // namespace tessarn
