#include "core/history/rename_history.h"

#include <gtest/gtest.h>

#include "core/filelist/add_files.h"
#include "support/temp_folder.h"
#include "core/history/history_store.h"

namespace tessarn {
namespace {

using testing::TempFolder;

// Renames the folder's one file to `newName`, with the run's record.
RecordedRun RenameOnlyFile(const TempFolder& dir, const std::string& state,
                           const std::string& oldName, const std::string& newName) {
  FileList list;
  AddFiles(list, {dir.path() + oldName});
  list.entries[0].newName = newName;
  UndoLog undo;
  return RunRenameRecorded(state, list, undo, PlanRun(list), FrontEnd::kWindow);
}

TEST(RenameHistoryTest, KeepsTheLastHundredRunsAndDropsTheOldest) {
  TempFolder dir, state;
  dir.Write("a");
  for (int k = 0; k <= 100; ++k) {
    const RecordedRun run = RenameOnlyFile(dir, state.path(), k % 2 ? "b" : "a", k % 2 ? "a" : "b");
    ASSERT_TRUE(run.started) << run.error;
    ASSERT_EQ(run.runId, static_cast<std::uint64_t>(k + 1));
  }
  const std::vector<HistoryEntry> history = ReadHistory(state.path());
  ASSERT_EQ(history.size(), kHistoryRuns);
  EXPECT_EQ(history.front().id, 101u);  // newest first
  EXPECT_EQ(history.back().id, 2u);
  EXPECT_EQ(history.front().frontEnd, FrontEnd::kWindow);
  EXPECT_EQ(history.front().renamed, 1u);
  EXPECT_TRUE(history.front().finished);
  EXPECT_FALSE(history.front().undone());

  // A run that renames nothing (the name stays) drops nothing and adds nothing.
  const RecordedRun same = RenameOnlyFile(dir, state.path(), "b", "b");
  EXPECT_TRUE(same.started);
  EXPECT_EQ(same.runId, 0u);
  EXPECT_EQ(ReadHistory(state.path()).size(), kHistoryRuns);
  EXPECT_EQ(ReadHistory(state.path()).back().id, 2u);
}

// A run stopped between batches (its record could not be written further) keeps
// what it did on record; the undo of it brings every file back, and the run then
// counts as undone.
TEST(RenameHistoryTest, AStoppedRunIsUndoneWhole) {
  TempFolder dir, state;
  FileList list;
  std::vector<std::string> paths;
  for (int i = 1; i <= 10; ++i) {
    dir.Write(std::to_string(i), std::to_string(i));
    paths.push_back(dir.path() + std::to_string(i));
  }
  AddFiles(list, paths);
  for (FileEntry& e : list.entries) e.newName = std::to_string(std::stoi(e.oldName) + 1);
  UndoLog undo;
  RenameHooks hooks;
  hooks.batchSize = 3;
  hooks.beforeBatch = [](std::size_t first, std::size_t) { return first < 6; };
  const RecordedRun run =
      RunRenameRecorded(state.path(), list, undo, PlanRun(list), FrontEnd::kCommandLine, hooks);
  ASSERT_TRUE(run.counts.stopped);
  ASSERT_NE(run.runId, 0u);
  EXPECT_EQ(ReadHistory(state.path()).front().renamed, 6u);

  FileList undone;
  const RecordedUndo outcome = UndoRecordedRun(state.path(), 0, undone);
  EXPECT_EQ(outcome.result, UndoResult::kDone);
  EXPECT_EQ(outcome.counts.succeeded, 6u);
  EXPECT_EQ(outcome.counts.failed, 0u);
  for (int i = 1; i <= 10; ++i) EXPECT_EQ(dir.Read(std::to_string(i)), std::to_string(i));
  EXPECT_FALSE(dir.Exists("11"));
  EXPECT_TRUE(ReadHistory(state.path()).front().undone());
  FileList again;
  EXPECT_EQ(UndoRecordedRun(state.path(), 0, again).result, UndoResult::kNothingToUndo);
}

// A run of another kind (a later kind with records of its own) is listed, is never
// taken as damaged, and a rename undo passes over it to the rename run before it.
TEST(RenameHistoryTest, ARunOfAnotherKindIsListedAndLeftAlone) {
  TempFolder dir, state;
  dir.Write("a", "a");
  ASSERT_EQ(RenameOnlyFile(dir, state.path(), "a", "b").runId, 1u);
  std::string payload, records, error;
  PutU8(payload, 9);
  PutU8(payload, static_cast<std::uint8_t>(FrontEnd::kWindow));
  PutU64(payload, 1700000000);
  AppendRecord(records, 'H', payload);
  AppendRecord(records, 'T', "records this reader does not know");
  RunFileWriter writer;
  ASSERT_TRUE(writer.Create(HistoryFolder(state.path()), 2, records, error)) << error;

  const std::vector<HistoryEntry> history = ReadHistory(state.path());
  ASSERT_EQ(history.size(), 2u);
  EXPECT_TRUE(history[0].otherKind);
  EXPECT_FALSE(history[0].damaged);
  EXPECT_EQ(history[0].time, 1700000000);
  FileList undone;
  const RecordedUndo outcome = UndoRecordedRun(state.path(), 0, undone);
  EXPECT_EQ(outcome.result, UndoResult::kDone);
  EXPECT_EQ(outcome.runId, 1u);
  EXPECT_EQ(dir.Read("a"), "a");
  EXPECT_EQ(ReadHistory(state.path()).size(), 2u);  // the other run is kept as it was
}

}  // namespace
}  // namespace tessarn
