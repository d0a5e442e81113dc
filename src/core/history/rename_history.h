// The undo history of rename runs: each run that renames at least one file leaves
// one record (history_store.h), written before the first rename and after each
// batch, so that an undo knows what the run did even after a crash. The window and
// the command line both run and undo through the functions here.
//
// Records of a run file, in order (numbers little-endian, texts length-prefixed):
//   'H' kind u8, front end u8, time i64 (seconds since 1970)
//         The kind says which records follow; a rename run (kind 1) has these:
//   'F' count, count x (folder bytes ending with "/", device u64)
//   'I' count, count x (folder u32, old name, new name, inode u64)
//         one row per file the run is to rename, in list order
//   'O' count, count x (row u32, step kind u8, [temporary name for kind 1])
//         the order of the renames: 0 old -> new, 1 old -> temporary,
//         2 temporary -> new
//   'B' first u32, last u32        steps first..last are about to start
//   'R' first u32, last u32, one byte per step: where its file then is
//         (0 old name, 1 temporary name, 2 new name)
//   'M' count, count x (marks known u8, birth seconds i64, birth nanoseconds u32,
//         generation u32, owner u32)
//         per row, what tells its file from a later one given the same inode
//         (file_identity.h); runs recorded before it have inodes alone
//   'E' renamed u32                the run finished
//   'V' count, count x (row u32, temporary name)
//         an undo is about to start: the temporary names its cycles will use
//   'U' count, count x (name)      after an undo: each row's name now, empty for a
//                                  row back under its old name (the last one holds)
//   'X' (empty)                    this record was made anew from a damaged one
//                                  (kept as run-N.damaged) with what it proved
// H, F, I, M and O are written in one go and flushed before the first rename; each
// R with the next B (or the E) is flushed before the next batch starts; a V before
// the first rename of an undo. Room for every record the run and its first undo
// will write is taken before the run starts.
//
// Rows whose outcome no intact record gives (the batch a crash cut short, every
// row past a damaged record, or an undo that was killed) are judged by the disk:
// a row's file is where the file with its recorded identity is, under its new
// name, a temporary name of the run or of an undo, or its old name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/filelist/file_list.h"
#include "core/filelist/file_system.h"
#include "core/filelist/rename_plan.h"
#include "core/filelist/rename_run.h"
#include "core/history/history_store.h"

namespace tessarn {

// What a run did: renamed files, or changed their tags (tag_history.h).
enum class RunKind : std::uint8_t { kRename = 1, kTags = 2 };
enum class FrontEnd : std::uint8_t { kWindow = 1, kCommandLine = 2 };

// How many runs the history keeps; older ones are dropped, oldest first.
inline constexpr std::size_t kHistoryRuns = 100;
// And how much room their records may take together, unless the settings say
// otherwise (config.ini); the oldest runs go first. The newest run is kept however
// large, with a warning (HistoryBoundWarning).
inline constexpr std::uint64_t kHistoryBytes = std::uint64_t{1} << 30;

// A run as the history lists it.
struct HistoryEntry {
  std::uint64_t id = 0;
  RunKind kind = RunKind::kRename;
  FrontEnd frontEnd = FrontEnd::kCommandLine;
  long long time = 0;         // seconds since 1970
  std::string firstFolder;    // disk bytes, ending with "/"
  std::size_t folders = 0;
  std::size_t renamed = 0;    // files the run renamed or whose tags it changed
  std::size_t left = 0;       // of those, files not yet back under their old names
  bool finished = false;      // the run reached its end
  bool damaged = false;       // a record is cut short or damaged
  bool otherKind = false;     // a kind this version does not know: listed, left alone
  // The record was damaged and made anew from what it proved, once undone as far
  // as it could be (the damaged file is kept beside it): still listed as damaged,
  // but no longer in the way of older runs.
  bool salvaged = false;
  std::uint64_t bytes = 0;    // the room its record takes on the disk
  // Nothing left to undo; a damaged record is never taken as undone before its undo.
  bool undone() const { return left == 0 && (!damaged || salvaged); }
};

// The runs of the history, newest first. Reads only the records, not the disk.
std::vector<HistoryEntry> ReadHistory(const std::string& stateDirectory);

// What a rename run with its record gives back.
struct RecordedRun {
  WalkCounts counts;
  bool started = false;     // false: nothing renamed, as the record could not be written
  bool recordOk = true;     // every write of the record worked
  std::uint64_t runId = 0;  // 0 when the run renamed nothing and left no record
  std::string error;        // GB18030; why the record could not be written
  DroppedRuns dropped;      // older runs dropped to keep the history within its bounds
};

// RunRename (rename_run.h) of `list` by `plan`, with the run's record in the
// history of `stateDirectory`, under its lock. The caller's hooks are kept (the
// record takes beforeBatch, afterStep and checkSource: a name that no longer holds
// the file the record names is not renamed, and fails as replaced). Nothing is
// renamed when the lock, the room for the record or its first write fails. A run
// that renames nothing leaves the history as it was; otherwise the oldest runs
// beyond kHistoryRuns or `maxHistoryBytes` are dropped.
RecordedRun RunRenameRecorded(const std::string& stateDirectory, FileList& list, UndoLog& undo,
                              const RenamePlan& plan, FrontEnd frontEnd,
                              const RenameHooks& hooks = {},
                              std::uint64_t maxHistoryBytes = kHistoryBytes);

// What to tell the user after a run that dropped older runs to stay within the
// size bound: empty when it dropped none for that (GB18030).
std::string HistoryBoundWarning(const DroppedRuns& dropped, std::uint64_t maxHistoryBytes);

enum class UndoResult : std::uint8_t {
  kDone,            // the walk took place (see counts for failures)
  kNothingToUndo,   // no run left to undo
  kNoSuchRun,       // the asked-for run is not in the history
  kNewerRunsFirst,  // a newer run is not undone yet
  kAlreadyUndone,   // the asked-for run has nothing left
  kFailed,          // the lock or the history could not be had (see error)
};

struct RecordedUndo {
  UndoResult result = UndoResult::kFailed;
  RunKind kind = RunKind::kRename;  // a tag run's undo renames nothing
  WalkCounts counts;
  std::uint64_t runId = 0;
  bool damaged = false;    // the record was damaged: only what it still proves was undone
  bool finished = false;   // the run had reached its end
  std::string error;       // GB18030
  // Per entry of the list: the names before the undo and the names to go back to.
  std::vector<std::string> namesBefore, namesRestored;
};

// Undoes run `runId` (0: the newest run not yet undone), which must be the newest
// run with anything left. `list` is filled with the files to restore, in the run's
// order, and walked by UndoLastRun: each entry ends with its status. A file that is
// no longer the one the run renamed (another device or inode under the name) is not
// touched: it fails with kReplaced. What is left stays in the history for another
// try; a damaged run file is set aside (kept, out of the history) once its undo is
// done, with a fresh record of what is left in its place.
RecordedUndo UndoRecordedRun(const std::string& stateDirectory, std::uint64_t runId,
                             FileList& list, const RenameHooks& hooks = {});

// Carries the outcome of an undo made from a list of the run's files (`undone`,
// filled by UndoRecordedRun) over to the window's own list: its rows that show the
// files as the run left them get their old names back or the failure, as if the
// undo had walked them. Makes the undo unavailable when no row has anything left.
void ApplyUndoToList(const FileList& undone, const RecordedUndo& outcome, FileList& list,
                     UndoLog& undo);

// The same for a run that is not the list's own (an older one, undone from the
// history): rows that show a file the undo gave its old name back show that name.
// Their statuses and undo names stay as they are.
void FollowUndoInList(const FileList& undone, const RecordedUndo& outcome, FileList& list);

}  // namespace tessarn
