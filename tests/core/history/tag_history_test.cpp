// Tag runs in the undo history: real files written by a tag run, judged by their
// whole bytes after the undo.
#include "core/history/tag_history.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/filelist/add_files.h"
#include "core/filelist/temp_folder.h"
#include "core/id3/id3_test_util.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

using testing::Frame23;
using testing::Latin;
using testing::ReadAll;
using testing::Tag;
using testing::TempFolder;

const std::string kAudio(3000, '\x55');

std::string Id3v1Block(const std::string& title) {
  std::string block = "TAG" + title;
  block.resize(125, '\0');
  return block + std::string("\0\0\x0C", 3);
}

// Tags from names ("#1-#2") over the files, recorded as one run.
std::uint64_t TagRun(const TempFolder& dir, const std::string& state,
                     const std::vector<std::string>& names) {
  ParsedTemplate parsed;
  ParseTagTemplate(Gb("#1-#2"), parsed);
  std::vector<std::string> paths, shown;
  for (const std::string& name : names) {
    paths.push_back(dir.path() + name);
    shown.push_back(DecodeDiskName(name));
  }
  std::vector<TagRunFile> outcomes;
  for (NameTagFile& file : WriteTagsFromNames(paths, shown, parsed, {}, {}))
    outcomes.push_back(std::move(file.outcome));
  std::string error;
  const std::uint64_t id = RecordTagRun(state, FrontEnd::kCommandLine, paths, outcomes, error);
  EXPECT_TRUE(error.empty()) << GbToUtf8Lossy(error);
  return id;
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
      {"v1-title.mp3", kAudio + Id3v1Block("Old")},
      {"both-邓丽君.mp3",
       Tag(4, Frame23("TALB", Latin("Album")), 37) + kAudio + Id3v1Block("Older")},
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
  const std::string old = Tag(3, Frame23("TIT2", Latin("Old"))) + kAudio + Id3v1Block("Old");
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
  EXPECT_TRUE(ReadHistory(state.path()).empty());
  struct stat st;
  EXPECT_EQ(::stat((path + ".damaged").c_str(), &st), 0);
}

}  // namespace
}  // namespace tessarn
