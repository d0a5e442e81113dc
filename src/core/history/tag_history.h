// Tag runs in the undo history: a run that changed the tags of many files (tags
// from names, a many-files edit, the command line's tag commands) leaves one
// record with what it takes to put every file's old tags back. The record is
// begun before the first file is written and grows by one record per file
// written, so that a run cut short by a kill or a crash can still be undone for
// the files it holds. Undo goes through the same front doors as for rename runs
// (UndoRecordedRun), newest first across both kinds.
//
// Records of a tag run's file (history_store.h framing):
//   'H' kind u8 (2), front end u8, time i64
//   'W' path, device u64, inode u64, size u64, mtime seconds i64, mtime
//         nanoseconds i64, mtime before the write: seconds i64, nanoseconds i64,
//         old ID3v2 region, old ID3v1 block
//         one file the run wrote, as the run left it; path absolute, byte-exact
//   'E' count u32                  the run finished, having written count files
//   'T' count, count x (the fields of a 'W')
//         all the files at once, a finished run: how runs were first recorded,
//         and how what is left of a damaged record is written again
//   'U' count, count x u8          after an undo: 1 for a file back to its old
//                                  tags, 0 for one still to do (the last one holds)
//   'X' (empty)                    made anew from a damaged record (kept as
//                                  run-N.damaged) with the files it proved
//
// An undo killed half-way leaves no 'U' for the files it put back; the next undo
// knows them by their bytes (the old tags in place, the same file) and counts
// them as restored, giving them their old time if the kill came before it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/filelist/file_list.h"
#include "core/history/history_store.h"
#include "core/history/rename_history.h"
#include "core/tagedit/tag_run.h"

namespace tessarn {

// What a tag run with its record gives back.
struct RecordedTagRun {
  bool started = false;     // false: the run was not made, as its record could not be begun
  bool recordOk = true;     // every write of the record worked
  std::uint64_t runId = 0;  // 0 when the run wrote no file and left no record
  std::string error;        // GB18030; why the record could not be written
  // Files the run changed whose undo could not be recorded (the state folder
  // filled up meanwhile): the run stopped at the first, and each is named.
  std::vector<std::string> unrecorded;
  DroppedRuns dropped;      // older runs dropped to keep the history within its bounds
};

// Makes a tag run with its record in the history of `stateDirectory`. `run` writes
// the files, handing each one tried to the TagFileTried it is given; a failed
// write of the record stops the run there. The history's lock is held only while
// the run's file is made and while old runs (beyond kHistoryRuns) are dropped, so
// that runs from two front ends at once both go ahead; one that finds the lock
// held by an undo or a rename run waits for it up to about two seconds. Nothing is
// written when the record cannot be begun. A run that writes no file leaves the
// history as it was.
RecordedTagRun RunTagsRecorded(const std::string& stateDirectory, FrontEnd frontEnd,
                               const std::function<void(const TagFileTried&)>& run,
                               std::uint64_t maxHistoryBytes = kHistoryBytes);

// What a front end says after a tag run that started, beyond its summary: every
// file changed but not on record (named, as it cannot be undone), why the record
// broke off, and older runs dropped for the size bound. GB18030; empty when all
// went well.
std::vector<std::string> TagRunRecordNotes(const RecordedTagRun& run,
                                           std::uint64_t maxHistoryBytes = kHistoryBytes);

// For the history's own reading: the listing of a tag run from its records.
void ListTagRun(const std::vector<Record>& records, bool intact, HistoryEntry& entry);

// For UndoRecordedRun, under the history's lock: puts back the old tags of every
// file of run `id` not yet back, each only while it is as the run left it (else
// "文件已被修改", kModified). `list` gets one entry per file tried, with its status.
// A run still being written is refused (kFailed).
void UndoTagRun(const std::string& historyFolder, std::uint64_t id, FileList& list,
                RecordedUndo& result);

}  // namespace tessarn
