#include "core/filelist/rename_run.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/filelist/add_files.h"
#include "core/filelist/list_pruning.h"
#include "core/filelist/recording_listener.h"
#include "support/temp_folder.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

using testing::TempFolder;
using Names = std::vector<std::string>;

// Files created in a scratch folder (content = their name), listed in the given order.
class RenameRunTest : public ::testing::Test {
 protected:
  void List(const Names& names) {
    Names paths;
    for (const std::string& name : names) {
      if (!dir_.Exists(name)) dir_.Write(name, name);
      paths.push_back(dir_.path() + name);
    }
    AddFiles(list_, paths);
  }
  void SetNewNames(const Names& newNames) {
    for (std::size_t i = 0; i < newNames.size(); ++i) list_.entries[i].newName = newNames[i];
  }
  Names Statuses() const {
    Names statuses;
    for (std::size_t r = 0; r < list_.RowCount(); ++r)
      statuses.push_back(list_.CellText(r, kStatusColumn));
    return statuses;
  }
  Names Column(int column) const {
    Names cells;
    for (std::size_t r = 0; r < list_.RowCount(); ++r) cells.push_back(list_.CellText(r, column));
    return cells;
  }

  TempFolder dir_;
  FileList list_;
  UndoLog undo_;
  const std::string ok_ = Gb("更名成功"), failed_ = Gb("更名失败");
  const std::string restored_ = Gb("撤消成功"), notRestored_ = Gb("撤消失败");
};

TEST_F(RenameRunTest, TargetHeldByAFileOutsideTheListFailsWithItsReason) {
  dir_.Write("taken.txt", "outside");
  List({"a.txt", "b.txt", "c.txt"});
  SetNewNames({"b.txt", "taken.txt", "d.txt"});
  const WalkCounts counts = RunRename(list_, undo_);

  // b.txt stays (its own target is taken), so a.txt cannot have its name either.
  EXPECT_EQ(counts.total, 3u);
  EXPECT_EQ(counts.succeeded, 1u);
  EXPECT_EQ(Statuses(), (Names{failed_, failed_, ok_}));
  EXPECT_EQ(list_.Row(0).icon, kFailureIcon);
  EXPECT_EQ(list_.Row(0).mark.reason, RenameReason::kTargetExists);
  EXPECT_EQ(list_.entries[1].status.reason, RenameReason::kTargetExists);
  EXPECT_EQ(list_.Row(2).icon, kSuccessIcon);
  EXPECT_EQ(list_.entries[2].texts().status, ok_);
  EXPECT_EQ(Column(kOldNameColumn), (Names{"a.txt", "b.txt", "d.txt"}));
  EXPECT_EQ(Column(kNewNameColumn), (Names{"b.txt", "taken.txt", ""}));  // failures only
  EXPECT_EQ(list_.entries[2].texts().undoName, "c.txt");
  EXPECT_EQ(list_.entries[0].texts().undoName, "");
  EXPECT_EQ(dir_.Read("a.txt"), "a.txt");
  EXPECT_EQ(dir_.Read("b.txt"), "b.txt");
  EXPECT_EQ(dir_.Read("taken.txt"), "outside");
  EXPECT_EQ(dir_.Read("d.txt"), "c.txt");
  EXPECT_TRUE(undo_.available);

  EXPECT_EQ(RunSummary(counts.total, counts.succeeded).text,
            Gb("文件总数：3 个文件\r\n\r\n1 个文件更名成功！\r\n2 个文件更名失败！"));
  const UserMessage summary = RunSummary(counts);
  EXPECT_EQ(summary.text, Gb("文件总数：3 个文件\r\n\r\n1 个文件更名成功！\r\n2 个文件更名失败！"
                             "\r\n\r\n目标文件已存在：2 个文件"));
  EXPECT_EQ(summary.kind, MessageKind::kWarning);
}

TEST_F(RenameRunTest, SameFileListedTwiceRenamesOnce) {
  List({"x.txt", "x.txt"});
  SetNewNames({"y.txt", "z.txt"});
  EXPECT_EQ(RunRename(list_, undo_).succeeded, 1u);
  EXPECT_EQ(Statuses(), (Names{ok_, failed_}));
  EXPECT_EQ(dir_.Read("y.txt"), "x.txt");
  EXPECT_FALSE(dir_.Exists("z.txt"));
}

TEST_F(RenameRunTest, NamesThatCannotBeFileNamesFailWithoutTouchingTheDisk) {
  const Names bad = {"", ".", "..", "sub/x.txt", std::string("a\0b", 3)};
  Names files;
  for (std::size_t i = 0; i < bad.size(); ++i) files.push_back("f" + std::to_string(i));
  List(files);
  dir_.MakeFolder("sub");
  SetNewNames(bad);
  EXPECT_EQ(RunRename(list_, undo_).succeeded, 0u);
  EXPECT_EQ(Statuses(), Names(bad.size(), failed_));
  EXPECT_EQ(Column(kNewNameColumn), bad);  // an empty new name empties the cell
  for (const std::string& f : files) EXPECT_TRUE(dir_.Exists(f)) << f;
  EXPECT_FALSE(dir_.Exists("sub/x.txt"));
}

TEST_F(RenameRunTest, UndoAfterACompleteRunRestoresEveryName) {
  List({"1.txt", "2.txt"});
  SetNewNames({"one.txt", "two.txt"});
  const WalkCounts run = RunRename(list_, undo_);
  EXPECT_EQ(RunSummary(run.total, run.succeeded).text, Gb("文件更名完毕！"));
  EXPECT_EQ(RunSummary(run.total, run.succeeded).kind, MessageKind::kInformation);

  Names panes;
  RenameHooks hooks;
  hooks.progress = [&](const std::string& pane) { panes.push_back(pane); };
  const WalkCounts undone = UndoLastRun(list_, undo_, hooks);
  EXPECT_EQ(undone.succeeded, 2u);
  EXPECT_EQ(Statuses(), (Names{restored_, restored_}));
  EXPECT_EQ(Column(kOldNameColumn), (Names{"1.txt", "2.txt"}));
  EXPECT_EQ(dir_.Read("1.txt"), "1.txt");
  EXPECT_FALSE(dir_.Exists("one.txt"));
  EXPECT_FALSE(undo_.available);
  EXPECT_EQ(panes.back(), "");  // pane 1 emptied at the end
  const UserMessage summary = UndoSummary(undone.total, undone.succeeded);
  EXPECT_EQ(summary.text, Gb("上一次的操作已经成功撤消！"));
  EXPECT_EQ(summary.kind, MessageKind::kInformation);
}

TEST_F(RenameRunTest, UndoAfterDeletingTheFirstRowRestoresTheOthers) {
  List({"a", "b", "c"});
  SetNewNames({"A1", "B1", "C1"});
  ASSERT_EQ(RunRename(list_, undo_).succeeded, 3u);
  DeleteSelectedRows(list_, {0}, undo_);
  EXPECT_TRUE(undo_.available);
  EXPECT_EQ(UndoLastRun(list_, undo_).succeeded, 2u);
  EXPECT_TRUE(dir_.Exists("A1"));
  EXPECT_EQ(dir_.Read("b"), "b");
  EXPECT_EQ(dir_.Read("c"), "c");
}

TEST_F(RenameRunTest, RowsTheRunDidNotRenameAreNoUndoFailures) {
  dir_.Write("taken", "outside");
  List({"a", "b", "c"});
  SetNewNames({"a1", "taken", "c1"});
  const WalkCounts run = RunRename(list_, undo_);
  ASSERT_EQ(run.succeeded, 2u);
  const WalkCounts undone = UndoLastRun(list_, undo_);
  EXPECT_EQ(undone.succeeded, 2u);
  EXPECT_EQ(undone.failed, 0u);
  // The failed row keeps its run status.
  EXPECT_EQ(Statuses(), (Names{restored_, failed_, restored_}));
  EXPECT_EQ(dir_.Read("c"), "c");
  const UserMessage summary = UndoSummary(undone);
  EXPECT_EQ(summary.text, Gb("上一次的操作已经成功撤消！"));
  EXPECT_EQ(summary.kind, MessageKind::kInformation);
  EXPECT_FALSE(undo_.available);
}

TEST_F(RenameRunTest, ARowThatCannotComeBackKeepsItsRecordForTheNextUndo) {
  List({"a", "b"});
  SetNewNames({"a1", "b1"});
  ASSERT_EQ(RunRename(list_, undo_).succeeded, 2u);
  dir_.Write("a", "someone else");  // takes a's old name meanwhile
  const WalkCounts first = UndoLastRun(list_, undo_);
  EXPECT_EQ(first.succeeded, 1u);
  EXPECT_EQ(first.failed, 1u);
  EXPECT_EQ(Statuses(), (Names{notRestored_, restored_}));
  EXPECT_EQ(list_.Row(0).mark.reason, RenameReason::kTargetExists);
  EXPECT_EQ(UndoSummary(first).text,
            Gb("文件总数：2 个文件\r\n\r\n1 个文件撤消成功！\r\n1 个文件撤消失败！"
               "\r\n\r\n目标文件已存在：1 个文件"));
  EXPECT_TRUE(undo_.available);

  std::filesystem::remove(dir_.path() + "a");
  const WalkCounts second = UndoLastRun(list_, undo_);
  EXPECT_EQ(second.succeeded, 1u);
  EXPECT_EQ(second.failed, 0u);
  EXPECT_EQ(dir_.Read("a"), "a");
  EXPECT_EQ(dir_.Read("b"), "b");
  EXPECT_FALSE(undo_.available);
}

TEST_F(RenameRunTest, ListEmptiedByAFilterStillUndoesByClearingItDoesNot) {
  List({"a.txt"});
  SetNewNames({"b.txt"});
  RunRename(list_, undo_);
  FilterOptions keepNothing;
  keepNothing.operation = FilterOperation::kKeep;
  keepNothing.extension = "none";
  ApplyFilter(list_, keepNothing);
  EXPECT_EQ(list_.count(), 0u);
  EXPECT_TRUE(undo_.available);
  const WalkCounts undone = UndoLastRun(list_, undo_);  // walks nothing
  EXPECT_EQ(undone.total, 0u);
  EXPECT_EQ(UndoSummary(undone.total, undone.succeeded).text, Gb("上一次的操作已经成功撤消！"));
  EXPECT_TRUE(dir_.Exists("b.txt"));  // the file stays renamed: it left the list

  List({"b.txt"});
  SetNewNames({"c.txt"});
  RunRename(list_, undo_);
  ClearList(list_, undo_);
  EXPECT_FALSE(undo_.available);
}

TEST_F(RenameRunTest, GbkNamedFileRenamesByItsBytesAndComesBackAsThem) {
  const std::string gbkName = "\xD6\xD0\xCE\xC4.txt";  // "中文.txt" in GBK
  dir_.Write(gbkName, "gbk");
  AddFolder(list_, dir_.path());
  ASSERT_EQ(list_.entries[0].oldName, Gb("中文.txt"));
  SetNewNames({Gb("新名.txt")});
  ASSERT_EQ(RunRename(list_, undo_).succeeded, 1u);
  EXPECT_EQ(dir_.Read("新名.txt"), "gbk");  // written as UTF-8
  EXPECT_FALSE(dir_.Exists(gbkName));
  EXPECT_EQ(list_.entries[0].oldName, Gb("新名.txt"));
  EXPECT_EQ(list_.CellText(0, kOldNameColumn), Gb("新名.txt"));

  ASSERT_EQ(UndoLastRun(list_, undo_).succeeded, 1u);
  EXPECT_EQ(dir_.Read(gbkName), "gbk");
  EXPECT_EQ(list_.entries[0].oldName, Gb("中文.txt"));
}

// An ASCII name's disk bytes are its text, which the entry keeps once: a copy of the
// list (the original gone) must still know every undo name, by its own bytes.
TEST_F(RenameRunTest, CopiedListUndoesAsciiGbkAndUtf8NamesByTheirBytes) {
  const std::string gbkName = "\xD6\xD0\xCE\xC4.txt";  // "中文.txt" in GBK
  dir_.Write(gbkName, "gbk");
  dir_.Write("plain.txt", "plain");
  dir_.Write("歌曲.txt", "utf8");
  AddFolder(list_, dir_.path());
  ASSERT_EQ(list_.count(), 3u);
  for (FileEntry& e : list_.entries) e.newName = "new-" + std::to_string(&e - &list_.entries[0]);
  ASSERT_EQ(RunRename(list_, undo_).succeeded, 3u);

  FileList copy;
  {
    const FileList original = list_;  // the run's entries, copied twice over
    list_.Clear();
    copy = original;
  }
  for (const FileEntry& e : copy.entries) {
    const std::string& disk = e.texts().diskUndoName;
    EXPECT_TRUE(disk == gbkName || disk == "plain.txt" || disk == "歌曲.txt") << disk;
    EXPECT_EQ(e.texts().undoName, DecodeDiskName(disk));
  }
  ASSERT_EQ(UndoLastRun(copy, undo_).succeeded, 3u);
  EXPECT_EQ(dir_.Read(gbkName), "gbk");
  EXPECT_EQ(dir_.Read("plain.txt"), "plain");
  EXPECT_EQ(dir_.Read("歌曲.txt"), "utf8");
  for (const FileEntry& e : copy.entries) {
    EXPECT_TRUE(e.texts().undoName.empty() && e.texts().diskUndoName.empty());
    EXPECT_EQ(e.oldName, DecodeDiskName(e.DiskName()));
  }

  // And again, into the buffers the first run left.
  for (FileEntry& e : copy.entries) e.newName = e.oldName + ".2";
  ASSERT_EQ(RunRename(copy, undo_).succeeded, 3u);
  ASSERT_EQ(UndoLastRun(copy, undo_).succeeded, 3u);
  EXPECT_EQ(dir_.Read(gbkName), "gbk");
  EXPECT_EQ(dir_.Read("plain.txt"), "plain");
}

// The bar lengths in "■" characters at each progress call, and after which entry.
struct ProgressTrace {
  std::vector<std::size_t> lengths, afterEntry;
};

ProgressTrace TraceProgress(std::size_t entries) {
  FileList list;
  list.entries.resize(entries);  // empty new names: every entry fails off the disk
  list.AppendRows(0, entries - 1);
  UndoLog undo;
  ProgressTrace trace;
  RenameHooks hooks;
  hooks.progress = [&](const std::string& pane) {
    trace.lengths.push_back(pane.size() / Gb("■").size());
    std::size_t done = 0;  // rows with their outcome shown
    while (done < entries && !list.CellText(done, kStatusColumn).empty()) ++done;
    trace.afterEntry.push_back(done);
  };
  RunRename(list, undo, hooks);
  return trace;
}

TEST(RenameProgressTest, BarGrowsByTwentieths) {
  const ProgressTrace three = TraceProgress(3);
  EXPECT_EQ(three.lengths, (std::vector<std::size_t>{6, 13, 20}));

  const ProgressTrace forty = TraceProgress(40);
  ASSERT_EQ(forty.lengths.size(), 20u);
  for (std::size_t k = 0; k < 20; ++k) {
    EXPECT_EQ(forty.lengths[k], k + 1);
    EXPECT_EQ(forty.afterEntry[k], 2 * (k + 1));
  }
  EXPECT_EQ(ProgressBarText(0, 0), "");
  EXPECT_EQ(ProgressBarText(1, 3), Gb("■■■■■■"));
}

TEST_F(RenameRunTest, BatchesAreAnnouncedAndCanStopTheWalk) {
  List({"a", "b", "c", "d", "e"});
  SetNewNames({"a1", "b1", "c1", "d1", "e1"});
  testing::RecordingListener listener;
  list_.SetListener(&listener);
  Names batches;
  RenameHooks hooks;
  hooks.batchSize = 2;
  hooks.beforeBatch = [&](std::size_t first, std::size_t last) {
    batches.push_back(std::to_string(first) + "-" + std::to_string(last));
    return true;
  };
  EXPECT_EQ(RunRename(list_, undo_, hooks).succeeded, 5u);
  EXPECT_EQ(batches, (Names{"0-1", "2-3", "4-4"}));
  EXPECT_EQ(listener.events, (Names{"changed 0-1", "changed 2-3", "changed 4-4"}));

  // Undo, stopped before the second batch: the first two come back, the rest stay.
  hooks.beforeBatch = [](std::size_t first, std::size_t) { return first == 0; };
  const WalkCounts undone = UndoLastRun(list_, undo_, hooks);
  EXPECT_TRUE(undone.stopped);
  EXPECT_EQ(undone.succeeded, 2u);
  EXPECT_TRUE(dir_.Exists("a") && dir_.Exists("b") && dir_.Exists("c1"));
}

}  // namespace
}  // namespace tessarn
