#include "core/filelist/list_pruning.h"

#include <gtest/gtest.h>

#include "core/text/encoding.h"

namespace tessarn {
namespace {

using Names = std::vector<std::string>;

FileList MakeList(const Names& names, const std::string& folder = "/x/") {
  FileList list;
  for (const std::string& name : names) {
    FileEntry& e = list.entries.emplace_back();
    e.SetNames(name, name);
    e.folder = list.InternDiskFolder(folder);
  }
  if (!list.entries.empty()) list.AppendRows(0, list.count() - 1);
  return list;
}

Names Remaining(const FileList& list) {
  Names names;
  for (std::size_t r = 0; r < list.RowCount(); ++r) {
    EXPECT_EQ(list.CellText(r, kOldNameColumn), list.entries[r].oldName);
    names.push_back(list.entries[r].oldName);
  }
  EXPECT_EQ(list.RowCount(), list.count());
  return names;
}

TEST(ApplyFilterTest, Table) {
  const Names names = {"song.MP3", "a.b.mp3", "song.mp3.txt", "mp3", "xABy.txt", "c.mp3"};
  struct Case {
    const char* what;
    FilterOperation op;
    FilterBy by;
    std::string value;
    Names remaining;
  } const cases[] = {
      {"delete mp3",
       FilterOperation::kDelete,
       FilterBy::kExtension,
       "mp3",
       {"song.mp3.txt", "mp3", "xABy.txt"}},
      {"keep mp3",
       FilterOperation::kKeep,
       FilterBy::kExtension,
       "Mp3",
       {"song.MP3", "a.b.mp3", "c.mp3"}},
      {"delete .mp3 matches nothing", FilterOperation::kDelete, FilterBy::kExtension, ".mp3",
       names},
      {"keep .mp3 keeps nothing", FilterOperation::kKeep, FilterBy::kExtension, ".mp3", {}},
      {"delete text ab, any case",
       FilterOperation::kDelete,
       FilterBy::kContainedText,
       "ab",
       {"song.MP3", "a.b.mp3", "song.mp3.txt", "mp3", "c.mp3"}},
      {"keep text mp3",
       FilterOperation::kKeep,
       FilterBy::kContainedText,
       "MP3",
       {"song.MP3", "a.b.mp3", "song.mp3.txt", "mp3", "c.mp3"}},
      {"the folder is never searched", FilterOperation::kDelete, FilterBy::kContainedText, "/x/",
       names},
  };
  for (const Case& c : cases) {
    FileList list = MakeList(names);
    FilterOptions options;
    options.operation = c.op;
    options.by = c.by;
    (c.by == FilterBy::kExtension ? options.extension : options.text) = c.value;
    const FilterResult result = ApplyFilter(list, options);
    EXPECT_FALSE(result.refusal) << c.what;
    EXPECT_EQ(Remaining(list), c.remaining) << c.what;
    EXPECT_EQ(result.removed, names.size() - c.remaining.size()) << c.what;
  }
}

TEST(ApplyFilterTest, ContainedTextMatchesWholeCharactersOnly) {
  // "\xB1\x41" is one character whose trail byte is "A": searching "a" must not
  // find it, while a real "A" in the name is found.
  FileList list = MakeList({"\xB1\x41.txt", "xA.txt", Gb("中文歌.mp3")});
  FilterOptions options;
  options.by = FilterBy::kContainedText;
  options.text = "a";
  ApplyFilter(list, options);
  EXPECT_EQ(Remaining(list), (Names{"\xB1\x41.txt", Gb("中文歌.mp3")}));
  options.text = Gb("文歌");
  ApplyFilter(list, options);
  EXPECT_EQ(Remaining(list), (Names{"\xB1\x41.txt"}));
}

TEST(ApplyFilterTest, RefusalsLeaveTheListAlone) {
  struct Case {
    FilterOptions options;
    std::string message;
  };
  FilterOptions noOperation;
  noOperation.operation = FilterOperation::kNone;
  noOperation.extension = "mp3";
  FilterOptions noExtension;
  noExtension.text = "has text, but extension is chosen";
  FilterOptions noText;
  noText.by = FilterBy::kContainedText;
  noText.extension = "mp3";
  const Case cases[] = {{noOperation, Gb("请选择操作方式！")},
                        {noExtension, Gb("扩展名不能空！")},
                        {noText, Gb("'包含内容'不能空！")}};
  for (const Case& c : cases) {
    FileList list = MakeList({"a.mp3"});
    const FilterResult result = ApplyFilter(list, c.options);
    ASSERT_TRUE(result.refusal);
    EXPECT_EQ(result.refusal->text, c.message);
    EXPECT_EQ(result.refusal->kind, MessageKind::kWarning);
    EXPECT_EQ(list.count(), 1u);
  }
}

TEST(ApplyFilterTest, TwoFiltersOneAfterTheOther) {
  FileList list = MakeList({"a.mp3", "b.txt", "c.mp3", "d.jpg"});
  FilterOptions options;
  options.extension = "txt";
  ApplyFilter(list, options);
  options.extension = "jpg";
  ApplyFilter(list, options);
  EXPECT_EQ(Remaining(list), (Names{"a.mp3", "c.mp3"}));
}

TEST(DeleteSelectedRowsTest, KeepsTheUnselectedInOrderAndEndsUndoOnlyWhenEmpty) {
  FileList list = MakeList({"r0", "r1", "r2", "r3", "r4"});
  UndoLog undo{true};
  EXPECT_EQ(DeleteSelectedRows(list, {0, 2, 3}, undo), 3u);
  EXPECT_EQ(Remaining(list), (Names{"r1", "r4"}));
  EXPECT_TRUE(undo.available);
  EXPECT_EQ(DeleteSelectedRows(list, {}, undo), 0u);
  EXPECT_EQ(DeleteSelectedRows(list, {0, 1}, undo), 2u);
  EXPECT_EQ(list.count(), 0u);
  EXPECT_FALSE(undo.available);
}

TEST(DeleteUntaggedRowsTest, RemovesRowsWithATagStatus) {
  FileList list = MakeList({"a.mp3", "b.txt", "c.mp3", "d.mp3"});
  list.SetCellText(1, kTagStatusColumn, Gb("非MP3文件"));
  list.SetCellText(2, kTagStatusColumn, Gb("无标签"));
  UndoLog undo{true};
  EXPECT_EQ(DeleteUntaggedRows(list, undo), 2u);
  EXPECT_EQ(Remaining(list), (Names{"a.mp3", "d.mp3"}));
  EXPECT_TRUE(undo.available);
}

TEST(ClearListTest, EmptiesAndEndsUndo) {
  FileList list = MakeList({"a", "b"});
  UndoLog undo{true};
  ClearList(list, undo);
  EXPECT_EQ(list.count(), 0u);
  EXPECT_EQ(list.RowCount(), 0u);
  EXPECT_FALSE(undo.available);
}

}  // namespace
}  // namespace tessarn
