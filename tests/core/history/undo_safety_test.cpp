// The undo against what the world does: undos killed at random moments, an inode
// handed to another file, a file swapped under its name during a run, a state
// folder that fills up.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <random>

#include "core/filelist/add_files.h"
#include "core/filelist/file_identity.h"
#include "core/filelist/temp_folder.h"
#include "core/history/history_store.h"
#include "core/history/tag_history.h"
#include "core/history/undo_runs.h"
#include "core/id3/id3_test_util.h"
#include "core/text/encoding.h"
#include "support/fork_and_kill.h"
#include "support/scratch_mount.h"

namespace tessarn {
namespace {

using testing::Frame23;
using testing::Latin;
using testing::RunAndKillAfter;
using testing::ScratchMount;
using testing::Tag;
using testing::TempFolder;
using testing::TimeInChild;

std::string Name(std::size_t k) {
  char name[16];
  std::snprintf(name, sizeof name, "f%05zu", k);
  return name;
}

std::string ReadPath(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

RecordedRun RenameAll(const std::string& folder, const std::string& state,
                      const std::vector<std::string>& from, const std::vector<std::string>& to,
                      const RenameHooks& hooks = {}) {
  FileList list;
  std::vector<std::string> paths;
  for (const std::string& name : from) paths.push_back(folder + name);
  AddFiles(list, paths);
  for (std::size_t i = 0; i < to.size(); ++i) list.entries[i].newName = to[i];
  UndoLog undo;
  return RunRenameRecorded(state, list, undo, PlanRun(list), FrontEnd::kCommandLine, hooks);
}

// A name the program parks files under, left behind.
bool HasTemporaryNames(const std::string& folder) {
  std::vector<std::string> names;
  ListFolderFiles(folder, names);
  for (const std::string& name : names)
    if (name.starts_with(".tessarn-")) return true;
  return false;
}

// 20,000 files swapping names in pairs (10,000 cycles through temporary names):
// the undo is killed at random moments, and the next undo always finishes it,
// every file back under its own name and nothing left parked.
TEST(UndoSafetyTest, AKilledUndoOfASwapIsFinishedByTheNext) {
  constexpr std::size_t kFiles = 20000;
  TempFolder dir, state;
  std::vector<std::string> names, swapped;
  for (std::size_t k = 0; k < kFiles; ++k) {
    names.push_back(Name(k));
    swapped.push_back(Name(k ^ 1));
    dir.Write(names.back(), names.back());
  }
  std::mt19937 random(20261211);
  std::chrono::microseconds undoTime{0};
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    const RecordedRun run = RenameAll(dir.path(), state.path(), names, swapped);
    ASSERT_EQ(run.counts.succeeded, kFiles);
    ASSERT_EQ(dir.Read(Name(0)), Name(1));
    if (round == 0) {
      // The scale of the random moments: a whole undo, timed in a child.
      undoTime = TimeInChild([&] { UndoRuns(state.path(), {}); });
      ASSERT_TRUE(UndoRuns(state.path(), {}).result == UndoResult::kNothingToUndo);
      ASSERT_EQ(dir.Read(Name(0)), Name(0));
      continue;
    }
    const auto at = std::chrono::microseconds(std::uniform_int_distribution<long long>(
        undoTime.count() / 5, undoTime.count() * 4 / 5)(random));
    RunAndKillAfter([&] { UndoRuns(state.path(), {}); }, at);
    const UndoReport next = UndoRuns(state.path(), {});
    if (next.result == UndoResult::kNothingToUndo) continue;  // the kill came too late
    ASSERT_EQ(next.result, UndoResult::kDone) << GbToUtf8Lossy(next.error);
    EXPECT_EQ(next.counts.failed, 0u);
    EXPECT_TRUE(next.complete()) << GbToUtf8Lossy(next.summary.text);
    EXPECT_FALSE(HasTemporaryNames(dir.path()));
    for (std::size_t k = 0; k < kFiles; ++k) ASSERT_EQ(dir.Read(Name(k)), Name(k)) << k;
    EXPECT_TRUE(ReadHistory(state.path()).front().undone());
  }
}

// Tags from names over 600 files, after a rename run: the tag run's undo is
// killed at random moments; the next undo finishes it (files already back count
// as restored), and the older rename run is then undone too.
TEST(UndoSafetyTest, AKilledUndoOfATagRunIsFinishedByTheNext) {
  constexpr std::size_t kFiles = 600;
  const std::string audio(2000, '\x55');
  TempFolder dir, state;
  dir.Write("before", "before");
  ASSERT_NE(RenameAll(dir.path(), state.path(), {"before"}, {"after"}).runId, 0u);
  std::vector<std::string> paths, shown, contents;
  for (std::size_t k = 0; k < kFiles; ++k) {
    const std::string name = "artist-" + std::to_string(k) + ".mp3";
    // Every other file's new tag outgrows the old one: its audio moves.
    contents.push_back(Tag(3, Frame23("TIT2", Latin("Old")), k % 2 ? 0 : 300) + audio);
    dir.Write(name, contents.back());
    paths.push_back(dir.path() + name);
    shown.push_back(name);
  }
  ParsedTemplate parsed;
  ParseTagTemplate(Gb("#1-#2"), parsed);
  auto tagRun = [&] {
    const RecordedTagRun run =
        RunTagsRecorded(state.path(), FrontEnd::kCommandLine, [&](const TagFileTried& tried) {
          WriteTagsFromNames(paths, shown, parsed, {}, {}, tried);
        });
    ASSERT_NE(run.runId, 0u) << GbToUtf8Lossy(run.error);
  };
  std::mt19937 random(600);
  std::chrono::microseconds undoTime{0};
  int midway = 0;  // rounds whose kill left work for the next undo
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    tagRun();
    ASSERT_NE(ReadPath(paths[0]), contents[0]);
    if (round == 0) {
      undoTime = TimeInChild([&] { UndoRuns(state.path(), {}); });
      ASSERT_EQ(ReadPath(paths[0]), contents[0]);
      continue;
    }
    const auto at = std::chrono::microseconds(std::uniform_int_distribution<long long>(
        undoTime.count() / 5, undoTime.count() * 4 / 5)(random));
    RunAndKillAfter([&] { UndoRuns(state.path(), {}); }, at);
    const std::vector<HistoryEntry> history = ReadHistory(state.path());
    if (history.front().undone()) continue;  // the kill came too late
    ++midway;
    const UndoReport next = UndoRuns(state.path(), {history.front().id, false});
    ASSERT_EQ(next.result, UndoResult::kDone) << GbToUtf8Lossy(next.error);
    EXPECT_EQ(next.counts.failed, 0u) << GbToUtf8Lossy(next.summary.text);
    EXPECT_EQ(next.counts.succeeded, kFiles);
    for (std::size_t k = 0; k < kFiles; ++k) ASSERT_EQ(ReadPath(paths[k]), contents[k]) << k;
  }
  EXPECT_GT(midway, 0);
  // The older runs are still within reach.
  const UndoReport rest = UndoRuns(state.path(), {1, true});
  EXPECT_EQ(rest.result, UndoResult::kDone);
  EXPECT_TRUE(rest.complete()) << GbToUtf8Lossy(rest.summary.text);
  EXPECT_EQ(dir.Read("before"), "before");
}

// Replaces the inode recorded for the run's only row: as if the file system had
// handed the number of the renamed (and since deleted) file to `now`.
void RecordInode(const std::string& state, std::uint64_t inode) {
  const std::string folder = HistoryFolder(state);
  std::string bytes;
  ASSERT_TRUE(ReadRunFile(folder, 1, bytes));
  bool intact = false;
  std::string rewritten = bytes.substr(0, 8);
  for (const Record& record : ParseRecords(bytes, intact)) {
    std::string payload(record.payload);
    if (record.type == 'I') payload.replace(payload.size() - 8, 8, [&] {
        std::string v;
        PutU64(v, inode);
        return v;
      }());
    AppendRecord(rewritten, record.type, payload);
  }
  std::ofstream(RunFilePath(folder, 1), std::ios::binary | std::ios::trunc) << rewritten;
}

// The owner renames a file and deletes the result; another user's new file gets
// the same name and the same inode number. The undo leaves it alone ("文件已被
// 替换"). On ext4 in a loop image where it can be mounted, the kernel's own reuse;
// everywhere, the reuse written into the record.
TEST(UndoSafetyTest, AnInodeHandedToAnotherFileIsNotRenamed) {
  ScratchMount ext4 = ScratchMount::Ext4(16);
  TempFolder temp;
  const struct {
    const char* label;
    std::string folder;
    bool fake;
  } cases[] = {{"ext4", ext4.mounted() ? ext4.path() : "", false},
               {"recorded", temp.path(), true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    if (c.folder.empty()) continue;  // no loop mount here
    TempFolder state;
    std::ofstream(c.folder + "a.txt") << "mine";
    ASSERT_NE(RenameAll(c.folder, state.path(), {"a.txt"}, {"b.txt"}).runId, 0u);
    FullIdentity mine;
    ASSERT_TRUE(ReadFullIdentity(c.folder + "b.txt", mine));
    ASSERT_EQ(::unlink((c.folder + "b.txt").c_str()), 0);
    std::ofstream(c.folder + "b.txt") << "theirs";
    ASSERT_EQ(::chown((c.folder + "b.txt").c_str(), 65534, 65534), 0);
    FullIdentity theirs;
    ASSERT_TRUE(ReadFullIdentity(c.folder + "b.txt", theirs));
    if (c.fake)
      RecordInode(state.path(), theirs.inode);
    else if (theirs.inode != mine.inode)
      continue;  // the kernel chose another number this time: nothing to prove
    const UndoReport report = UndoRuns(state.path(), {});
    ASSERT_EQ(report.result, UndoResult::kDone);
    EXPECT_EQ(report.counts.succeeded, 0u);
    EXPECT_EQ(report.counts.reasons[static_cast<std::size_t>(RenameReason::kReplaced)], 1u);
    EXPECT_EQ(ReadPath(c.folder + "b.txt"), "theirs");
    struct stat st;
    EXPECT_NE(::stat((c.folder + "a.txt").c_str(), &st), 0);
  }
}

// Another process puts another file under a name after the run recorded it: the
// run does not move that file, says so, and its record does not claim it.
TEST(UndoSafetyTest, ARunLeavesAFileSwappedUnderItsNameAlone) {
  TempFolder dir, state;
  for (const char* name : {"1", "2", "3"}) dir.Write(name, name);
  RenameHooks hooks;
  hooks.beforeBatch = [&](std::size_t, std::size_t) {
    ::unlink((dir.path() + "2").c_str());
    dir.Write("2", "someone else's");
    return true;
  };
  const RecordedRun run = RenameAll(dir.path(), state.path(), {"1", "2", "3"}, {"a", "b", "c"}, hooks);
  ASSERT_NE(run.runId, 0u);
  EXPECT_EQ(run.counts.succeeded, 2u);
  EXPECT_EQ(run.counts.reasons[static_cast<std::size_t>(RenameReason::kReplaced)], 1u);
  EXPECT_EQ(dir.Read("2"), "someone else's");
  EXPECT_FALSE(dir.Exists("b"));
  EXPECT_EQ(ReadHistory(state.path()).front().renamed, 2u);
  EXPECT_TRUE(UndoRuns(state.path(), {}).complete());
  EXPECT_EQ(dir.Read("1"), "1");
  EXPECT_EQ(dir.Read("2"), "someone else's");
}

// A full state folder: a run that cannot have room for its record does not start
// (nothing renamed, no tags written), and an append the disk refuses is cut back
// off, so no record is ever torn.
TEST(UndoSafetyTest, AFullStateFolderNeverTearsARecord) {
  ScratchMount small = ScratchMount::Tmpfs(256);
  if (!small.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
  const std::string state = small.path() + "state";
  TempFolder dir;
  dir.Write("first", "");
  ASSERT_NE(RenameAll(dir.path(), state, {"first"}, {"second"}).runId, 0u);
  // Fill what is left.
  {
    std::ofstream filler(small.path() + "filler", std::ios::binary);
    const std::string block(4096, 'x');
    while (filler.write(block.data(), block.size())) {
    }
  }
  std::vector<std::string> from, to;
  for (int i = 0; i < 300; ++i) {
    from.push_back("some-file-with-a-long-name-" + std::to_string(i));
    to.push_back(from.back() + "-renamed");
    dir.Write(from.back(), "");
  }
  const RecordedRun refused = RenameAll(dir.path(), state, from, to);
  EXPECT_FALSE(refused.started);
  EXPECT_NE(refused.error.find(Gb("空间")), std::string::npos) << GbToUtf8Lossy(refused.error);
  EXPECT_TRUE(dir.Exists(from[0]));
  EXPECT_FALSE(dir.Exists(to[0]));

  const std::string song = Tag(3, Frame23("TIT2", Latin("Old")), 5000) + std::string(900, 'a');
  dir.Write("artist-title.mp3", song);
  bool ran = false;
  const RecordedTagRun tags =
      RunTagsRecorded(state, FrontEnd::kWindow, [&](const TagFileTried&) { ran = true; });
  EXPECT_FALSE(tags.started);
  EXPECT_FALSE(ran);

  // Appends to a record on the full disk fail whole.
  RunFileWriter writer;
  std::string error;
  ASSERT_TRUE(writer.OpenToAppend(HistoryFolder(state), 1, error)) << GbToUtf8Lossy(error);
  std::string big;
  AppendRecord(big, 'Z', std::string(1 << 20, 'z'));
  EXPECT_FALSE(writer.AppendAndSync(big));
  const std::vector<HistoryEntry> history = ReadHistory(state);
  ASSERT_EQ(history.size(), 1u);
  EXPECT_FALSE(history[0].damaged);
  std::remove((small.path() + "filler").c_str());
  EXPECT_TRUE(UndoRuns(state, {}).complete());
  EXPECT_TRUE(dir.Exists("first"));
}

// A file whose old tag is larger than the room taken ahead, on a state folder
// that fills up: the file is written but its record cannot be; the run stops
// there and names it, and no record is left torn.
TEST(UndoSafetyTest, ATagRunNamesTheFileItCouldNotRecord) {
  ScratchMount small = ScratchMount::Tmpfs(2048);
  if (!small.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
  const std::string state = small.path() + "state";
  TempFolder dir;
  const std::string big = Tag(3, Frame23("TIT2", Latin("Old")), 1500000) + std::string(900, 'a');
  const std::string little = Tag(3, Frame23("TIT2", Latin("Old")), 100) + std::string(900, 'a');
  dir.Write("a-1.mp3", big);
  dir.Write("a-2.mp3", little);
  {
    // Leave about 1.2 MB: room for the run's first megabyte, not for the big record.
    std::ofstream filler(small.path() + "filler", std::ios::binary);
    filler << std::string(2048 * 1024 - 1200 * 1024, 'x');
  }
  ParsedTemplate parsed;
  ParseTagTemplate(Gb("#1-#2"), parsed);
  const std::vector<std::string> paths{dir.path() + "a-1.mp3", dir.path() + "a-2.mp3"};
  const RecordedTagRun run =
      RunTagsRecorded(state, FrontEnd::kCommandLine, [&](const TagFileTried& tried) {
        WriteTagsFromNames(paths, {"a-1.mp3", "a-2.mp3"}, parsed, {}, {}, tried);
      });
  ASSERT_TRUE(run.started) << GbToUtf8Lossy(run.error);
  ASSERT_EQ(run.unrecorded, std::vector<std::string>{paths[0]});
  EXPECT_NE(dir.Read("a-1.mp3"), big);
  EXPECT_EQ(dir.Read("a-2.mp3"), little);  // not written after the stop
  const std::vector<std::string> notes = TagRunRecordNotes(run);
  ASSERT_FALSE(notes.empty());
  EXPECT_NE(notes[0].find(Gb("没有记入撤消历史")), std::string::npos);
  EXPECT_NE(notes[0].find("a-1.mp3"), std::string::npos);
  for (const HistoryEntry& entry : ReadHistory(state)) EXPECT_FALSE(entry.damaged);
}

// A record of the first layout (no files' marks, the first magic) still reads
// and is undone by device and inode.
TEST(UndoSafetyTest, ARecordOfTheFirstLayoutIsStillUndone) {
  TempFolder dir, state;
  dir.Write("a", "a");
  ASSERT_EQ(RenameAll(dir.path(), state.path(), {"a"}, {"b"}).runId, 1u);
  const std::string folder = HistoryFolder(state.path());
  std::string bytes;
  ASSERT_TRUE(ReadRunFile(folder, 1, bytes));
  bool intact = false;
  std::string first = "TSNHIST1";
  for (const Record& record : ParseRecords(bytes, intact))
    if (record.type != 'M') AppendRecord(first, record.type, record.payload);
  std::ofstream(RunFilePath(folder, 1), std::ios::binary | std::ios::trunc) << first;
  ASSERT_FALSE(ReadHistory(state.path()).front().damaged);
  EXPECT_TRUE(UndoRuns(state.path(), {}).complete());
  EXPECT_EQ(dir.Read("a"), "a");
}

}  // namespace
}  // namespace tessarn
