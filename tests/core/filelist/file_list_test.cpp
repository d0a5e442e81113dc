#include "core/filelist/file_list.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/filelist/recording_listener.h"
#include "core/filelist/rename_run.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

using Cells = std::vector<std::string>;

// A list of shown rows named r0, r1, ...; column 1 and column 3 as given.
FileList MakeList(const Cells& newNameCells, const Cells& statusCells = {}) {
  FileList list;
  for (std::size_t i = 0; i < newNameCells.size(); ++i) {
    FileEntry& entry = list.entries.emplace_back();
    entry.oldName = "r" + std::to_string(i);
    entry.newName = "N" + std::to_string(i);
  }
  if (!list.entries.empty()) list.AppendRows(0, list.count() - 1);
  for (std::size_t i = 0; i < newNameCells.size(); ++i) {
    list.SetCellText(i, kNewNameColumn, newNameCells[i]);
    if (i < statusCells.size() && !statusCells[i].empty()) {
      list.entries[i].status = {RowOutcome::kRenamed};
      list.SetRowOutcome(i, RowOutcome::kRenamed);
      list.SetCellText(i, kStatusColumn, statusCells[i]);
    }
  }
  return list;
}

Cells Column(const FileList& list, int column) {
  Cells cells;
  for (std::size_t r = 0; r < list.RowCount(); ++r) cells.push_back(list.CellText(r, column));
  return cells;
}

struct NewNameCase {
  const char* what;
  Cells before;
  long long first, last;
  Cells after;
};

TEST(RefreshRowsTest, NewNamesAndTheWalkThatEmptiesStaleOnes) {
  const NewNameCase cases[] = {
      {"whole list", {"a", "b", "c"}, 0, 2, {"N0", "N1", "N2"}},
      {"first two, stale rest emptied", {"a", "b", "c", "d"}, 0, 1, {"N0", "N1", "", ""}},
      {"walk stops at the first empty cell", {"a", "b", "", "d"}, 0, 0, {"N0", "", "", "d"}},
      {"empty range walks from row 0", {"a", "", "c"}, 0, -1, {"", "", "c"}},
      {"range past the rows", {"a", "b"}, 0, 5, {"N0", "N1"}},
      {"nothing to empty", {"", "", ""}, 0, 0, {"N0", "", ""}},
  };
  for (const NewNameCase& c : cases) {
    FileList list = MakeList(c.before);
    RefreshRows(list, kRefreshNewName, c.first, c.last, "");
    EXPECT_EQ(Column(list, kNewNameColumn), c.after) << c.what;
  }
}

TEST(RefreshRowsTest, StatusesAreClearedOnlyWhenRowZeroShowsOne) {
  struct Case {
    const char* what;
    Cells statuses;
    Cells after;
  } const cases[] = {
      {"row 0 shows one", {"ok", "ok", "bad"}, {"", "", ""}},
      {"row 0 empty, later rows keep theirs", {"", "ok", "bad"}, {"", "ok", "bad"}},
  };
  for (const Case& c : cases) {
    FileList list = MakeList({"", "", ""}, c.statuses);
    RefreshRows(list, kRefreshNewName, 0, -1, "");
    EXPECT_EQ(Column(list, kStatusColumn), c.after) << c.what;
    EXPECT_EQ(list.Row(0).outcome, RowOutcome::kNone) << c.what;
    EXPECT_EQ(list.Row(1).outcome, c.after[1].empty() ? RowOutcome::kNone : RowOutcome::kRenamed)
        << c.what;
  }
}

TEST(RefreshRowsTest, AddingAfterARunClearsEveryStatusThenShowsTheNewRow) {
  FileList list = MakeList({"x", "y"}, {"ok", "ok"});
  testing::RecordingListener listener;
  list.SetListener(&listener);
  list.entries.push_back(FileEntry{});
  list.entries.back().oldName = "new.txt";
  RefreshRows(list, kRefreshAppend | kRefreshFolder, 2, 2, "/music/");

  EXPECT_EQ(Column(list, kStatusColumn), (Cells{"", "", ""}));
  EXPECT_EQ(list.entries[0].status.outcome, RowOutcome::kNone);
  EXPECT_EQ(Column(list, kOldNameColumn), (Cells{"r0", "r1", "new.txt"}));
  EXPECT_EQ(Column(list, kFolderColumn), (Cells{"", "", "/music/"}));
  // Column 1 of earlier rows is not the business of an addition.
  EXPECT_EQ(Column(list, kNewNameColumn), (Cells{"x", "y", ""}));
  EXPECT_EQ(listener.events, (Cells{"changed 0-1", "append 2-2", "changed 2-2"}));
}

TEST(RefreshRowsTest, CellWritesToMissingRowsAreIgnored) {
  FileList list = MakeList({"a"});
  list.SetCellText(5, kNewNameColumn, "x");
  list.SetRowOutcome(5, RowOutcome::kRenameFailed);
  list.SetCellText(0, 9, "x");
  EXPECT_EQ(list.RowCount(), 1u);
  EXPECT_EQ(list.CellText(5, kNewNameColumn), "");
}

// Rows share their folder's text: each row still shows its own, a text read earlier
// stays readable while other folders are added, and a cleared list starts afresh.
TEST(RefreshRowsTest, FolderCellsOfManyFolders) {
  FileList list = MakeList({"", "", "", ""});
  RefreshRows(list, kRefreshFolder, 0, 1, "/a/");
  const std::string& first = list.CellText(0, kFolderColumn);
  for (int k = 0; k < 100; ++k) list.SetCellText(2, kFolderColumn, "/b" + std::to_string(k) + "/");
  list.SetCellText(3, kFolderColumn, "/a/");
  EXPECT_EQ(first, "/a/");
  EXPECT_EQ(Column(list, kFolderColumn), (Cells{"/a/", "/a/", "/b99/", "/a/"}));
  list.SetCellText(1, kFolderColumn, "");
  EXPECT_EQ(Column(list, kFolderColumn), (Cells{"/a/", "", "/b99/", "/a/"}));

  list.Clear();
  list.entries.emplace_back().oldName = "x";
  list.AppendRows(0, 0);
  EXPECT_EQ(list.CellText(0, kFolderColumn), "");
  list.SetCellText(0, kFolderColumn, "/c/");
  EXPECT_EQ(Column(list, kFolderColumn), (Cells{"/c/"}));
}
TEST(RemoveRowsTest, FewAndManyRangesLeaveTheSameRowsBehind) {
  for (std::size_t step : {7u, 2u}) {  // 3 ranges one by one; 20 ranges as a reset
    FileList list = MakeList(Cells(40, "n"));
    testing::RecordingListener listener;
    list.SetListener(&listener);
    std::vector<std::size_t> doomed;
    for (std::size_t i = 1; i < 40; i += step) doomed.push_back(i);
    doomed.push_back(doomed.back());       // duplicate
    doomed.push_back(99);                  // past the end
    std::swap(doomed.front(), doomed[1]);  // out of order
    const std::size_t removed = list.RemoveRows(doomed);

    EXPECT_EQ(removed, doomed.size() - 2);
    ASSERT_EQ(list.count(), list.RowCount());
    for (std::size_t r = 0; r < list.count(); ++r) {
      EXPECT_EQ(list.CellText(r, kOldNameColumn), list.entries[r].oldName);
      EXPECT_NE((std::stoul(list.entries[r].oldName.substr(1)) - 1) % step, 0u);
    }
    if (step == 7) {
      EXPECT_EQ(listener.events.front(), "remove 36-36");  // from the end
    } else {
      EXPECT_EQ(listener.events, (Cells{"reset"}));
    }
  }
}

// Column 0 is what was last shown: a row given another text keeps it, a row given
// its entry's name again follows the entry, and both travel with their rows when
// scattered rows leave, or when a row is appended for an entry further on.
TEST(ShownRowTest, OldNameCellsStayWithTheirRows) {
  FileList list = MakeList(Cells(30, "n"));
  for (std::size_t r = 1; r < 30; r += 2)
    list.SetCellText(r, kOldNameColumn, "shown " + list.entries[r].oldName);
  list.SetCellText(1, kOldNameColumn, "r1");  // the entry's own name again
  list.SetCellText(3, kOldNameColumn, "");    // an empty cell is a text too
  std::vector<std::size_t> doomed;
  for (std::size_t i = 0; i < 30; i += 3) doomed.push_back(i);  // ten ranges: compacted
  list.RemoveRows(doomed);
  ASSERT_EQ(list.RowCount(), 20u);
  for (std::size_t r = 0; r < list.count(); ++r) {
    const std::string& name = list.entries[r].oldName;
    const std::size_t was = std::stoul(name.substr(1));
    const std::string expected =
        was == 3 ? "" : (was % 2 == 1 && was != 1 ? "shown " + name : name);
    EXPECT_EQ(list.CellText(r, kOldNameColumn), expected) << name;
  }
  list.entries[0].oldName = "renamed";  // what a run does, with the cell after it
  list.SetCellText(0, kOldNameColumn, "renamed");
  EXPECT_EQ(list.CellText(0, kOldNameColumn), "renamed");

  FileList behind;
  for (const char* name : {"a", "b", "c"}) behind.entries.emplace_back().oldName = name;
  behind.AppendRows(2, 2);  // row 0 shows entry 2
  EXPECT_EQ(behind.CellText(0, kOldNameColumn), "c");
}

// A status cell shows its row's outcome and keeps no text for it, and still moves
// with its row; a cell given another text keeps that one.
TEST(ShownRowTest, StatusCellsStayWithTheirRows) {
  FileList list = MakeList(Cells(30, "n"));
  for (std::size_t r = 0; r < 30; ++r)
    SetRowStatus(list, r,
                 EntryStatus{r % 2 ? RowOutcome::kRenamed : RowOutcome::kRenameFailed});
  list.SetCellText(5, kStatusColumn, "shown 5");
  const std::string ok = OutcomeText(RowOutcome::kRenamed);
  const std::string failed = OutcomeText(RowOutcome::kRenameFailed);
  std::vector<std::size_t> doomed;
  for (std::size_t i = 0; i < 30; i += 3) doomed.push_back(i);  // ten ranges: compacted
  list.RemoveRows(doomed);
  ASSERT_EQ(list.RowCount(), 20u);
  for (std::size_t r = 0; r < list.count(); ++r) {
    const std::size_t was = std::stoul(list.entries[r].oldName.substr(1));
    const std::string expected = was == 5 ? "shown 5" : (was % 2 ? ok : failed);
    EXPECT_EQ(list.CellText(r, kStatusColumn), expected) << was;
  }
  SetRowStatus(list, 0, EntryStatus{RowOutcome::kRestoreFailed});
  EXPECT_EQ(list.CellText(0, kStatusColumn), OutcomeText(RowOutcome::kRestoreFailed));
  RefreshRows(list, 0, -1, -1, "");  // row 0 shows a status: every one is cleared
  for (std::size_t r = 0; r < list.count(); ++r) {
    EXPECT_EQ(list.CellText(r, kStatusColumn), "") << r;
    EXPECT_EQ(list.entries[r].status.outcome, RowOutcome::kNone) << r;
  }
}

// One folder table for entries and rows: each folder is kept once with its bytes and
// its text, names decoding to their own bytes are kept once, and entries handed to
// another list keep their folders.
TEST(FolderTableTest, EntriesShareFoldersAndKeepTheirBytes) {
  const std::string gbkFolder = "/m/\xD2\xF4\xC0\xD6/";  // "音乐" in GBK
  const std::string utf8Name = "\xE6\xAD\x8C.mp3";       // "歌.mp3" in UTF-8
  FileList staging;
  staging.AppendEntry("/a/", "x.txt");
  staging.AppendEntry(gbkFolder, utf8Name);
  staging.AppendEntry("/a/", "y.txt");
  EXPECT_EQ(staging.entries[0].folder, staging.entries[2].folder);
  EXPECT_EQ(staging.entries[0].DiskName(), "x.txt");
  EXPECT_EQ(staging.entries[1].oldName, Gb("歌.mp3"));
  EXPECT_EQ(staging.DiskPath(1), gbkFolder + utf8Name);
  EXPECT_EQ(staging.FolderText(staging.entries[1]), Gb("/m/音乐/"));

  FileList list;
  list.AppendEntry("/z/", "first.txt");
  list.AppendBatch(staging.TakeEntries());
  EXPECT_TRUE(staging.entries.empty());
  std::vector<std::string> paths;
  for (const FileEntry& e : list.entries) paths.push_back(list.DiskPath(e));
  EXPECT_EQ(paths, (Cells{"/z/first.txt", "/a/x.txt", gbkFolder + utf8Name, "/a/y.txt"}));
  EXPECT_EQ(list.FolderText(list.entries[2]), Gb("/m/音乐/"));
  // A renamed file's new name, ASCII or not.
  list.entries[1].SetNames(utf8Name, Gb("歌.mp3"));
  EXPECT_EQ(list.DiskPath(1), "/a/" + utf8Name);
  list.entries[1].SetNames("plain.txt", "plain.txt");
  EXPECT_EQ(list.DiskPath(1), "/a/plain.txt");
}

TEST(SparseTextTest, ReadsLikeAString) {
  SparseText text;
  EXPECT_TRUE(text.empty());
  EXPECT_EQ(text, "");
  std::string other = "old.txt";
  text.swap(other);
  EXPECT_EQ(text, "old.txt");
  EXPECT_EQ(other, "");
  SparseText copy = text;
  EXPECT_EQ(copy.take(), "old.txt");
  EXPECT_TRUE(copy.empty());
  EXPECT_EQ(text.str(), "old.txt");
  text.clear();
  EXPECT_TRUE(text.empty());
}

// A shared text is read like its own, and whatever changes it leaves the lasting
// text alone.
TEST(SparseTextTest, SharedTextIsNeverWrittenThrough) {
  const std::string lasting = "renamed";
  SparseText text;
  text.share(lasting);
  EXPECT_EQ(text, "renamed");
  SparseText copy = text;
  EXPECT_EQ(&copy.str(), &lasting);  // a copy shares it too
  copy = "failed";
  EXPECT_EQ(copy, "failed");
  std::string other;
  text.swap(other);  // the swap hands out a copy
  EXPECT_EQ(other, "renamed");
  EXPECT_TRUE(text.empty());
  text.share(lasting);
  EXPECT_EQ(text.take(), "renamed");
  EXPECT_TRUE(text.empty());
  text.share(lasting);
  text.clear();
  EXPECT_TRUE(text.empty());
  SparseText moved(std::move(copy));
  moved.share(lasting);  // the owned text it had is freed (the leak checker knows)
  text = std::move(moved);
  EXPECT_EQ(&text.str(), &lasting);
  EXPECT_EQ(lasting, "renamed");
}

TEST(StatusBarPaneTest, Texts) {
  EXPECT_EQ(CountPaneText(0), "0" + Gb("个文件"));
  EXPECT_EQ(CountPaneText(100000), "100000" + Gb("个文件"));
  EXPECT_EQ(PreviewPaneText(true), Gb("自动预览－开"));
  EXPECT_EQ(PreviewPaneText(false), Gb("自动预览－关"));
}

}  // namespace
}  // namespace tessarn
