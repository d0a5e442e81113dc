// Tag runs in the undo history: real files written by a tag run, judged by their
// whole bytes after the undo.
#include "core/history/tag_history.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/filelist/add_files.h"
#include "support/temp_folder.h"
#include "core/id3/id3_test_util.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

using testing::Frame23;
using testing::Id3v1Block;
using testing::Latin;
using testing::ReadAll;
using testing::Tag;
using testing::TempFolder;

const std::string kAudio(3000, '\x55');

// Tags from names ("#1-#2") over the files, recorded as one run. `watch` sees the
// number of each file tried, before and after the run's record has it.
std::uint64_t TagRun(const TempFolder& dir, const std::string& state,
                     const std::vector<std::string>& names,
                     const std::function<void(std::size_t, bool)>& watch = {}) {
  ParsedTemplate parsed;
  ParseTagTemplate(Gb("#1-#2"), parsed);
  std::vector<std::string> paths, shown;
  for (const std::string& name : names) {
    paths.push_back(dir.path() + name);
    shown.push_back(DecodeDiskName(name));
  }
  std::size_t tried = 0;
  const RecordedTagRun run =
      RunTagsRecorded(state, FrontEnd::kCommandLine, [&](const TagFileTried& record) {
        WriteTagsFromNames(paths, shown, parsed, {}, {},
                           [&](const std::string& path, const TagRunFile& outcome) {
                             if (watch) watch(tried, false);
                             const auto stop = record(path, outcome);
                             if (watch) watch(tried, true);
                             ++tried;
                             return stop;
                           });
      });
  EXPECT_TRUE(run.started && run.error.empty()) << GbToUtf8Lossy(run.error);
  return run.runId;
}

// Each old layout of tags comes back byte for byte: a tag with padding the new
// one fits in, a tag too small so that the audio moved, no tags at all, an ID3v1
// block alone, and both.
TEST(TagHistoryTest, AnUndoGivesEveryFileItsExactOldBytes) {
  const std::string longTitle(180, 'x');
  const struct {
    std::string name, content;
  } files[] = {
      {"padded-title.mp3", Tag(3, Frame23("TIT2", Latin("Old")), 700) + kAudio},
      {"tight-" + longTitle + ".mp3", Tag(3, Frame23("TIT2", Latin("Old"))) + kAudio},
      {"bare-title.mp3", kAudio},
      {"v1-title.mp3", kAudio + Id3v1Block("Old", 12)},
      {"both-邓丽君.mp3",
       Tag(4, Frame23("TALB", Latin("Album")), 37) + kAudio + Id3v1Block("Older", 12)},
  };
  TempFolder dir, state;
  std::vector<std::string> names;
  for (const auto& f : files) {
    dir.Write(f.name, f.content);
    names.push_back(f.name);
  }
  const std::uint64_t id = TagRun(dir, state.path(), names);
  ASSERT_NE(id, 0u);
  for (const auto& f : files) ASSERT_NE(dir.Read(f.name), f.content) << f.name;

  const std::vector<HistoryEntry> history = ReadHistory(state.path());
  ASSERT_EQ(history.size(), 1u);
  EXPECT_EQ(history[0].kind, RunKind::kTags);
  EXPECT_FALSE(history[0].otherKind);
  EXPECT_FALSE(history[0].damaged);
  EXPECT_EQ(history[0].renamed, std::size(files));
  EXPECT_EQ(history[0].firstFolder, dir.path());

  FileList undone;
  const RecordedUndo outcome = UndoRecordedRun(state.path(), 0, undone);
  ASSERT_EQ(outcome.result, UndoResult::kDone);
  EXPECT_EQ(outcome.kind, RunKind::kTags);
  EXPECT_EQ(outcome.runId, id);
  EXPECT_EQ(outcome.counts.succeeded, std::size(files));
  EXPECT_EQ(outcome.counts.failed, 0u);
  for (const auto& f : files) EXPECT_EQ(dir.Read(f.name), f.content) << f.name;
  EXPECT_TRUE(ReadHistory(state.path())[0].undone());
  FileList again;
  EXPECT_EQ(UndoRecordedRun(state.path(), 0, again).result, UndoResult::kNothingToUndo);
}

// A file changed after the run (here only its time, then its bytes) is left as it
// is and fails as modified; the others are undone, and the run keeps what is left.
TEST(TagHistoryTest, AFileChangedAfterTheRunIsNotTouched) {
  TempFolder dir, state;
  const std::string old = Tag(3, Frame23("TIT2", Latin("Old")), 200) + kAudio;
  for (const char* name : {"a-1.mp3", "a-2.mp3", "a-3.mp3"}) dir.Write(name, old);
  ASSERT_NE(TagRun(dir, state.path(), {"a-1.mp3", "a-2.mp3", "a-3.mp3"}), 0u);
  // Touched: same bytes, another time.
  const timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (dir.path() + "a-2.mp3").c_str(), times, 0), 0);
  const std::string touched = dir.Read("a-2.mp3");
  // Rewritten: another file now under the name.
  const std::string other = dir.Read("a-3.mp3") + "more";
  dir.Write("a-3.mp3", other);

  FileList undone;
  const RecordedUndo outcome = UndoRecordedRun(state.path(), 0, undone);
  ASSERT_EQ(outcome.result, UndoResult::kDone);
  EXPECT_EQ(outcome.counts.succeeded, 1u);
  EXPECT_EQ(outcome.counts.failed, 2u);
  EXPECT_EQ(outcome.counts.reasons[static_cast<std::size_t>(RenameReason::kModified)], 2u);
  EXPECT_EQ(dir.Read("a-1.mp3"), old);
  EXPECT_EQ(dir.Read("a-2.mp3"), touched);
  EXPECT_EQ(dir.Read("a-3.mp3"), other);
  ASSERT_EQ(undone.entries.size(), 3u);
  EXPECT_EQ(undone.entries[1].status.reason, RenameReason::kModified);
  EXPECT_EQ(ReasonText(RenameReason::kModified), Gb("文件已被修改"));
  EXPECT_EQ(ReadHistory(state.path())[0].left, 2u);
}

// Runs of both kinds are undone newest first: the rename, then the tags.
TEST(TagHistoryTest, ATagRunAndARenameRunAreUndoneInTurn) {
  TempFolder dir, state;
  const std::string old = Tag(3, Frame23("TIT2", Latin("Old"))) + kAudio + Id3v1Block("Old", 12);
  dir.Write("artist-title.mp3", old);
  const std::uint64_t tags = TagRun(dir, state.path(), {"artist-title.mp3"});
  ASSERT_NE(tags, 0u);
  const std::string tagged = dir.Read("artist-title.mp3");
  FileList list;
  AddFiles(list, {dir.path() + "artist-title.mp3"});
  list.entries[0].newName = "renamed.mp3";
  UndoLog undo;
  const RecordedRun rename =
      RunRenameRecorded(state.path(), list, undo, PlanRun(list), FrontEnd::kWindow);
  ASSERT_NE(rename.runId, 0u);

  const std::vector<HistoryEntry> history = ReadHistory(state.path());
  ASSERT_EQ(history.size(), 2u);
  EXPECT_EQ(history[0].kind, RunKind::kRename);
  EXPECT_EQ(history[1].kind, RunKind::kTags);
  FileList early;
  EXPECT_EQ(UndoRecordedRun(state.path(), tags, early).result, UndoResult::kNewerRunsFirst);
  EXPECT_EQ(dir.Read("renamed.mp3"), tagged);

  FileList first, second;
  EXPECT_EQ(UndoRecordedRun(state.path(), 0, first).runId, rename.runId);
  EXPECT_EQ(dir.Read("artist-title.mp3"), tagged);
  const RecordedUndo last = UndoRecordedRun(state.path(), 0, second);
  EXPECT_EQ(last.runId, tags);
  EXPECT_EQ(last.counts.succeeded, 1u);
  EXPECT_EQ(dir.Read("artist-title.mp3"), old);
  EXPECT_FALSE(dir.Exists("renamed.mp3"));
}

// Nothing written, nothing recorded: names that do not fit, and a second run that
// finds the tags already as it would make them.
TEST(TagHistoryTest, ARunThatWritesNothingAddsNoRecord) {
  TempFolder dir, state;
  dir.Write("nodash.mp3", kAudio);
  EXPECT_EQ(TagRun(dir, state.path(), {"nodash.mp3"}), 0u);
  EXPECT_TRUE(ReadHistory(state.path()).empty());
  dir.Write("a-b.mp3", kAudio);
  ASSERT_NE(TagRun(dir, state.path(), {"a-b.mp3"}), 0u);
  EXPECT_EQ(TagRun(dir, state.path(), {"a-b.mp3"}), 0u);
  EXPECT_EQ(ReadHistory(state.path()).size(), 1u);
}

// A record cut short (a crash while it was written) proves nothing: the run is
// listed as damaged, its undo touches no file, and the record is set aside.
TEST(TagHistoryTest, ADamagedRecordTouchesNoFile) {
  TempFolder dir, state;
  dir.Write("a-b.mp3", kAudio);
  const std::uint64_t id = TagRun(dir, state.path(), {"a-b.mp3"});
  ASSERT_NE(id, 0u);
  const std::string tagged = dir.Read("a-b.mp3");
  const std::string path = RunFilePath(HistoryFolder(state.path()), id);
  ASSERT_EQ(::truncate(path.c_str(), 40), 0);

  const std::vector<HistoryEntry> history = ReadHistory(state.path());
  ASSERT_EQ(history.size(), 1u);
  EXPECT_EQ(history[0].kind, RunKind::kTags);
  EXPECT_TRUE(history[0].damaged);
  FileList undone;
  const RecordedUndo outcome = UndoRecordedRun(state.path(), 0, undone);
  EXPECT_EQ(outcome.result, UndoResult::kDone);
  EXPECT_TRUE(outcome.damaged);
  EXPECT_TRUE(undone.entries.empty());
  EXPECT_EQ(dir.Read("a-b.mp3"), tagged);
  // Still listed, as damaged, but no longer in the way of older runs.
  ASSERT_EQ(ReadHistory(state.path()).size(), 1u);
  EXPECT_TRUE(ReadHistory(state.path())[0].damaged);
  EXPECT_TRUE(ReadHistory(state.path())[0].undone());
  struct stat st;
  EXPECT_EQ(::stat((path + ".damaged").c_str(), &st), 0);
}

// Many files of several layouts, "artist-N.mp3", none with the title its name gives.
struct Album {
  std::vector<std::string> names, contents;
  explicit Album(const TempFolder& dir, std::size_t count) {
    for (std::size_t k = 0; k < count; ++k) {
      const std::string title = "Old" + std::to_string(k);
      std::string content = k % 3 == 0   ? Tag(3, Frame23("TIT2", Latin(title)), 300) + kAudio
                            : k % 3 == 1 ? kAudio + Id3v1Block(title, 12)
                                         : Tag(4, Frame23("TIT2", Latin(title))) + kAudio;
      names.push_back("artist-" + std::to_string(k) + ".mp3");
      contents.push_back(content);
      dir.Write(names.back(), content);
    }
  }
};

// A run killed part-way leaves a record of every file it wrote, read as a run
// cut short (not damaged); its undo gives each of them its exact old bytes and
// touches no other. Killed between a file's write and its record, the run leaves
// that one file with its new tags: the most a kill can cost.
TEST(TagHistoryTest, AKilledRunIsUndoneForTheFilesItWrote) {
  const struct {
    const char* name;
    std::size_t file;
    bool recorded;  // killed after the file's record, or between its write and its record
    std::size_t written;
  } cases[] = {{"after a record", 19, true, 20}, {"before a record", 20, false, 21}};
  for (const auto& c : cases) {
    TempFolder dir, state;
    const Album album(dir, 50);
    const pid_t pid = ::fork();
    if (pid == 0) {
      TagRun(dir, state.path(), album.names, [&](std::size_t k, bool recorded) {
        if (k == c.file && recorded == c.recorded) ::raise(SIGKILL);
      });
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << c.name;
    const std::size_t recorded = 20;
    for (std::size_t k = 0; k < 50; ++k)
      ASSERT_EQ(dir.Read(album.names[k]) != album.contents[k], k < c.written) << c.name << k;
    const std::string unrecorded = dir.Read(album.names[20]);

    const std::vector<HistoryEntry> history = ReadHistory(state.path());
    ASSERT_EQ(history.size(), 1u) << c.name;
    EXPECT_EQ(history[0].kind, RunKind::kTags);
    EXPECT_FALSE(history[0].finished) << c.name;
    EXPECT_FALSE(history[0].damaged) << c.name;
    EXPECT_EQ(history[0].renamed, recorded) << c.name;

    FileList undone;
    const RecordedUndo outcome = UndoRecordedRun(state.path(), 0, undone);
    ASSERT_EQ(outcome.result, UndoResult::kDone) << c.name;
    EXPECT_FALSE(outcome.finished);
    EXPECT_EQ(outcome.counts.succeeded, recorded) << c.name;
    EXPECT_EQ(outcome.counts.failed, 0u) << c.name;
    for (std::size_t k = 0; k < 50; ++k) {
      if (k == 20)
        EXPECT_EQ(dir.Read(album.names[k]), unrecorded) << c.name;
      else
        EXPECT_EQ(dir.Read(album.names[k]), album.contents[k]) << c.name << k;
    }
    EXPECT_TRUE(ReadHistory(state.path())[0].undone()) << c.name;
  }
}

// A run killed before its first record has nothing to undo; the next run clears
// it from the history.
TEST(TagHistoryTest, ARunKilledBeforeItsFirstRecordIsCleared) {
  TempFolder dir, state;
  const Album album(dir, 2);
  const pid_t pid = ::fork();
  if (pid == 0) {
    TagRun(dir, state.path(), album.names, [](std::size_t, bool) { ::raise(SIGKILL); });
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFSIGNALED(status));
  ASSERT_EQ(ReadHistory(state.path()).size(), 1u);
  EXPECT_EQ(ReadHistory(state.path())[0].renamed, 0u);
  FileList none;
  EXPECT_EQ(UndoRecordedRun(state.path(), 0, none).result, UndoResult::kNothingToUndo);

  const std::uint64_t next = TagRun(dir, state.path(), {album.names[1]});
  ASSERT_NE(next, 0u);
  const std::vector<HistoryEntry> history = ReadHistory(state.path());
  ASSERT_EQ(history.size(), 1u);
  EXPECT_EQ(history[0].id, next);
  FileList undone;
  EXPECT_EQ(UndoRecordedRun(state.path(), 0, undone).counts.succeeded, 1u);
  EXPECT_EQ(dir.Read(album.names[1]), album.contents[1]);
}

// A run's record is read as far as it is intact: cut inside its last file's
// record, the run is listed as damaged, and its undo still gives back the files
// before that one, leaving the last with its new tags.
TEST(TagHistoryTest, ACutRecordIsUndoneForTheFilesItHolds) {
  TempFolder dir, state;
  const Album album(dir, 3);
  const std::uint64_t id = TagRun(dir, state.path(), album.names);
  ASSERT_NE(id, 0u);
  const std::string last = dir.Read(album.names[2]);
  const std::string path = RunFilePath(HistoryFolder(state.path()), id);
  std::string bytes;
  ASSERT_TRUE(ReadRunFile(HistoryFolder(state.path()), id, bytes));
  bool intact = false;
  const std::vector<Record> records = ParseRecords(bytes, intact);
  ASSERT_EQ(records.size(), 5u);  // head, three files, end
  const std::size_t thirdEnd = records[3].payload.data() + records[3].payload.size() - bytes.data();
  ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(thirdEnd - 10)), 0);

  const std::vector<HistoryEntry> history = ReadHistory(state.path());
  ASSERT_EQ(history.size(), 1u);
  EXPECT_TRUE(history[0].damaged);
  EXPECT_EQ(history[0].renamed, 2u);
  FileList undone;
  const RecordedUndo outcome = UndoRecordedRun(state.path(), 0, undone);
  ASSERT_EQ(outcome.result, UndoResult::kDone);
  EXPECT_TRUE(outcome.damaged);
  EXPECT_EQ(outcome.counts.succeeded, 2u);
  EXPECT_EQ(dir.Read(album.names[0]), album.contents[0]);
  EXPECT_EQ(dir.Read(album.names[1]), album.contents[1]);
  EXPECT_EQ(dir.Read(album.names[2]), last);
  struct stat st;
  EXPECT_EQ(::stat((path + ".damaged").c_str(), &st), 0);
  ASSERT_EQ(ReadHistory(state.path()).size(), 1u);
  EXPECT_TRUE(ReadHistory(state.path())[0].damaged);
  EXPECT_EQ(ReadHistory(state.path())[0].renamed, 2u);
  EXPECT_TRUE(ReadHistory(state.path())[0].undone());
}

// While a run is being written, an undo leaves it alone and a second run (another
// front end, say) goes ahead with a record of its own; both are then undone in
// turn, newest first.
TEST(TagHistoryTest, ARunInProgressIsNotUndoneAndDoesNotHoldUpAnother) {
  TempFolder dir, state;
  const Album album(dir, 3);
  dir.Write("other-x.mp3", kAudio);
  std::uint64_t second = 0;
  RecordedUndo during;
  const std::uint64_t first =
      TagRun(dir, state.path(), album.names, [&](std::size_t k, bool recorded) {
        if (k != 1 || !recorded) return;
        FileList list;
        during = UndoRecordedRun(state.path(), 0, list);
        second = TagRun(dir, state.path(), {"other-x.mp3"});
      });
  EXPECT_EQ(during.result, UndoResult::kFailed);
  EXPECT_EQ(during.error, Gb("标签写入正在进行，请稍后再试"));
  ASSERT_NE(first, 0u);
  ASSERT_NE(second, 0u);
  EXPECT_NE(first, second);
  const std::vector<HistoryEntry> history = ReadHistory(state.path());
  ASSERT_EQ(history.size(), 2u);
  EXPECT_TRUE(history[0].finished && history[1].finished);

  FileList a, b;
  EXPECT_EQ(UndoRecordedRun(state.path(), 0, a).runId, std::max(first, second));
  EXPECT_EQ(UndoRecordedRun(state.path(), 0, b).runId, std::min(first, second));
  for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(dir.Read(album.names[k]), album.contents[k]);
  EXPECT_EQ(dir.Read("other-x.mp3"), kAudio);
}

// A record in the first layout (all files in one record, written after the run)
// is still read and undone.
TEST(TagHistoryTest, ARecordOfAllFilesAtOnceStillReads) {
  TempFolder dir, state;
  const Album album(dir, 3);
  const std::uint64_t id = TagRun(dir, state.path(), album.names);
  ASSERT_NE(id, 0u);
  const std::string folder = HistoryFolder(state.path());
  std::string bytes;
  ASSERT_TRUE(ReadRunFile(folder, id, bytes));
  bool intact = false;
  const std::vector<Record> records = ParseRecords(bytes, intact);
  ASSERT_EQ(records.size(), 5u);
  std::string payload, rewritten;
  PutU32(payload, 3);
  for (std::size_t k = 1; k <= 3; ++k) payload.append(records[k].payload);
  AppendRecord(rewritten, 'H', records[0].payload);
  AppendRecord(rewritten, 'T', payload);
  RemoveRunFile(folder, id);
  std::string error;
  RunFileWriter writer;
  ASSERT_TRUE(writer.Create(folder, id, rewritten, error));

  const std::vector<HistoryEntry> history = ReadHistory(state.path());
  ASSERT_EQ(history.size(), 1u);
  EXPECT_TRUE(history[0].finished);
  EXPECT_FALSE(history[0].damaged);
  FileList undone;
  EXPECT_EQ(UndoRecordedRun(state.path(), 0, undone).counts.succeeded, 3u);
  for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(dir.Read(album.names[k]), album.contents[k]);
}

// A history that cannot be written to stops the run before any file is touched.
TEST(TagHistoryTest, NoFileIsWrittenWithoutARecord) {
  TempFolder dir, state;
  const Album album(dir, 2);
  state.Write("blocked", "");
  bool ran = false;
  const RecordedTagRun run = RunTagsRecorded(state.path() + "blocked", FrontEnd::kWindow,
                                             [&](const TagFileTried&) { ran = true; });
  EXPECT_FALSE(run.started);
  EXPECT_FALSE(ran);
  EXPECT_FALSE(run.error.empty());
}

}  // namespace
}  // namespace tessarn
