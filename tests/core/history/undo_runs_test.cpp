// Undo as one use case: several runs taken back newest first after one question,
// damaged records never reported as success, the history's size bound.
#include "core/history/undo_runs.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/filelist/add_files.h"
#include "support/temp_folder.h"
#include "core/history/history_store.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

using testing::TempFolder;

// Renames each of `names` to the name after it in the pairs, as one recorded run.
RecordedRun Rename(const TempFolder& dir, const std::string& state,
                   const std::vector<std::pair<std::string, std::string>>& renames,
                   std::uint64_t maxBytes = kHistoryBytes) {
  FileList list;
  std::vector<std::string> paths;
  for (const auto& r : renames) paths.push_back(dir.path() + r.first);
  AddFiles(list, paths);
  for (std::size_t i = 0; i < renames.size(); ++i) list.entries[i].newName = renames[i].second;
  UndoLog undo;
  return RunRenameRecorded(state, list, undo, PlanRun(list), FrontEnd::kCommandLine, {}, maxBytes);
}

// Three runs (a -> b -> c -> d); undoing the first takes back all three, newest
// first, after a question that counts them and names the oldest.
TEST(UndoRunsTest, UndoingAnOlderRunTakesBackEveryNewerOneFirst) {
  TempFolder dir, state;
  dir.Write("a", "content");
  dir.Write("x", "x");
  ASSERT_EQ(Rename(dir, state.path(), {{"a", "b"}, {"x", "y"}}).runId, 1u);
  ASSERT_EQ(Rename(dir, state.path(), {{"b", "c"}}).runId, 2u);
  ASSERT_EQ(Rename(dir, state.path(), {{"c", "d"}}).runId, 3u);

  // Without the newer ones, the older run is refused.
  EXPECT_EQ(SelectRunsToUndo(state.path(), {1, false}).result, UndoResult::kNewerRunsFirst);
  const UndoSelection selection = SelectRunsToUndo(state.path(), {1, true});
  ASSERT_EQ(selection.result, UndoResult::kDone);
  ASSERT_EQ(selection.runs.size(), 3u);
  EXPECT_EQ(selection.files, 4u);
  const std::string question = UndoRunsQuestion(selection);
  EXPECT_EQ(question.find(Gb("将撤消 3 次操作（共 4 个文件），最早一次为 ")), 0u)
      << GbToUtf8Lossy(question);
  EXPECT_NE(question.find(RunLabel(selection.runs.back()) + Gb("。是否继续？")), std::string::npos);

  const UndoReport report = UndoRuns(state.path(), {1, true});
  ASSERT_EQ(report.result, UndoResult::kDone);
  ASSERT_EQ(report.runs.size(), 3u);
  EXPECT_EQ(report.runs[0].outcome.runId, 3u);
  EXPECT_EQ(report.runs[1].outcome.runId, 2u);
  EXPECT_EQ(report.runs[2].outcome.runId, 1u);
  EXPECT_TRUE(report.complete());
  EXPECT_EQ(report.counts.succeeded, 4u);
  EXPECT_EQ(dir.Read("a"), "content");
  EXPECT_EQ(dir.Read("x"), "x");
  EXPECT_FALSE(dir.Exists("d"));
  EXPECT_EQ(report.summary.kind, MessageKind::kInformation);
  EXPECT_EQ(report.summary.text.find(Gb("已成功撤消 3 次操作：")), 0u);
  for (const char* id : {"操作 1（", "操作 2（", "操作 3（"})
    EXPECT_NE(report.summary.text.find(Gb(id)), std::string::npos) << id;
  for (const HistoryEntry& run : ReadHistory(state.path())) EXPECT_TRUE(run.undone());
  EXPECT_EQ(UndoRuns(state.path(), {}).result, UndoResult::kNothingToUndo);
}

// A run that cannot be undone whole stops the walk: the older runs wait.
TEST(UndoRunsTest, ARunLeftHalfUndoneHoldsBackTheOlderOnes) {
  TempFolder dir, state;
  dir.Write("a", "a");
  dir.Write("p", "p");
  ASSERT_NE(Rename(dir, state.path(), {{"a", "b"}}).runId, 0u);
  ASSERT_NE(Rename(dir, state.path(), {{"p", "q"}}).runId, 0u);
  dir.Write("p", "someone else's");  // the newer run's old name is taken

  const UndoReport report = UndoRuns(state.path(), {1, true});
  ASSERT_EQ(report.result, UndoResult::kDone);
  ASSERT_EQ(report.runs.size(), 1u);
  EXPECT_FALSE(report.complete());
  EXPECT_EQ(report.summary.kind, MessageKind::kWarning);
  EXPECT_TRUE(dir.Exists("b"));  // the older run was not tried
  EXPECT_EQ(dir.Read("p"), "someone else's");
}

// A byte flipped in a run's record: whatever the undo could prove, it never says
// success; the run stays listed as damaged and no longer holds back older runs.
TEST(UndoRunsTest, ADamagedRecordIsNeverReportedAsSuccess) {
  const struct {
    const char* label;
    std::size_t at;  // from the end of the file
  } damages[] = {{"among the files", 0}, {"in the outcome", 20}};
  for (const auto& damage : damages) {
    SCOPED_TRACE(damage.label);
    TempFolder dir, state;
    dir.Write("old", "old");
    ASSERT_EQ(Rename(dir, state.path(), {{"old", "older"}}).runId, 1u);
    std::vector<std::pair<std::string, std::string>> renames;
    for (int i = 0; i < 10; ++i) {
      dir.Write("n" + std::to_string(i), "");
      renames.push_back({"n" + std::to_string(i), "r" + std::to_string(i)});
    }
    ASSERT_EQ(Rename(dir, state.path(), renames).runId, 2u);
    const std::string path = RunFilePath(HistoryFolder(state.path()), 2);
    std::string bytes;
    ASSERT_TRUE(ReadRunFile(HistoryFolder(state.path()), 2, bytes));
    bytes[damage.at == 0 ? bytes.size() / 2 : bytes.size() - damage.at] ^= 0x40;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;

    const UndoReport report = UndoRuns(state.path(), {});
    ASSERT_EQ(report.result, UndoResult::kDone);
    EXPECT_TRUE(report.damaged);
    EXPECT_FALSE(report.complete());
    EXPECT_EQ(report.summary.kind, MessageKind::kWarning);
    EXPECT_EQ(report.summary.text.find(Gb("成功撤消")), std::string::npos);
    EXPECT_NE(report.summary.text.find(Gb("撤消记录已损坏")), std::string::npos);

    const std::vector<HistoryEntry> history = ReadHistory(state.path());
    ASSERT_EQ(history.size(), 2u);
    EXPECT_TRUE(history[0].damaged);
    EXPECT_TRUE(history[0].undone());
    EXPECT_EQ(HistoryStateText(history[0]), Gb("记录已损坏（已撤消能证明的部分）"));
    // The older run is within reach.
    const UndoReport older = UndoRuns(state.path(), {});
    EXPECT_EQ(older.result, UndoResult::kDone);
    EXPECT_TRUE(older.complete());
    EXPECT_EQ(dir.Read("old"), "old");
  }
}

// Beside the hundred runs, a size bound: the oldest runs go first; a run larger
// than the bound alone is still made and kept, with a warning that the older
// runs were dropped.
TEST(UndoRunsTest, TheHistoryKeepsWithinItsSizeBound) {
  TempFolder dir, state;
  std::vector<std::pair<std::string, std::string>> small, large;
  dir.Write("s", "s");
  for (int i = 0; i < 200; ++i) {
    const std::string name = "file-with-a-rather-long-name-" + std::to_string(i);
    dir.Write(name, "");
    large.push_back({name, name + "-renamed"});
  }
  ASSERT_NE(Rename(dir, state.path(), {{"s", "t"}}).runId, 0u);
  ASSERT_NE(Rename(dir, state.path(), {{"t", "s"}}).runId, 0u);
  std::vector<HistoryEntry> history = ReadHistory(state.path());
  ASSERT_EQ(history.size(), 2u);
  const std::uint64_t smallRun = history[0].bytes;
  ASSERT_GT(smallRun, 0u);

  // Room for two small runs: the third drops the oldest.
  RecordedRun run = Rename(dir, state.path(), {{"s", "t"}}, 2 * smallRun + smallRun / 2);
  EXPECT_EQ(run.dropped.forSize, 1u);
  EXPECT_FALSE(run.dropped.newestOverBound);
  history = ReadHistory(state.path());
  ASSERT_EQ(history.size(), 2u);
  EXPECT_EQ(history.back().id, 2u);

  // One run over the bound by itself: made, kept alone, and said.
  run = Rename(dir, state.path(), large, smallRun);
  ASSERT_NE(run.runId, 0u);
  EXPECT_TRUE(run.dropped.newestOverBound);
  EXPECT_EQ(run.dropped.count, 2u);
  const std::string warning = HistoryBoundWarning(run.dropped, smallRun);
  EXPECT_NE(warning.find(Gb("更早的 2 次操作已从撤消历史中删除")), std::string::npos)
      << GbToUtf8Lossy(warning);
  history = ReadHistory(state.path());
  ASSERT_EQ(history.size(), 1u);
  EXPECT_GT(history[0].bytes, smallRun);
  EXPECT_TRUE(UndoRuns(state.path(), {}).complete());
  EXPECT_TRUE(dir.Exists(large[0].first));
}

}  // namespace
}  // namespace tessarn
