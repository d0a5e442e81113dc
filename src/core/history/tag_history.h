// Tag runs in the undo history: a run that changed the tags of many files (tags
// from names, a many-files edit, the command line's tag commands) leaves one
// record, written once the run is over, with what it takes to put every file's
// old tags back. Undo goes through the same front doors as for rename runs
// (UndoRecordedRun), newest first across both kinds.
//
// Records of a tag run's file (history_store.h framing):
//   'H' kind u8 (2), front end u8, time i64
//   'T' count, count x (path, device u64, inode u64, size u64, mtime seconds i64,
//         mtime nanoseconds i64, mtime before the write: seconds i64, nanoseconds
//         i64, old ID3v2 region, old ID3v1 block)
//         the files as the run left them, paths absolute and byte-exact
//   'U' count, count x u8          after an undo: 1 for a file back to its old
//                                  tags, 0 for one still to do (the last one holds)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/filelist/file_list.h"
#include "core/history/history_store.h"
#include "core/history/rename_history.h"
#include "core/tagedit/tag_run.h"

namespace tessarn {

// Records a tag run over `paths` with their outcomes (same order). Only files the
// run wrote are recorded; a run that wrote none leaves the history as it was and
// gives 0. Otherwise the run's number, or 0 with a message (GB18030) when the
// record could not be written. Old runs beyond kHistoryRuns are dropped.
std::uint64_t RecordTagRun(const std::string& stateDirectory, FrontEnd frontEnd,
                           const std::vector<std::string>& paths,
                           const std::vector<TagRunFile>& outcomes, std::string& error);

// For the history's own reading: the listing of a tag run from its records.
void ListTagRun(const std::vector<Record>& records, bool intact, HistoryEntry& entry);

// For UndoRecordedRun, under the history's lock: puts back the old tags of every
// file of run `id` not yet back, each only while it is as the run left it (else
// "文件已被修改", kModified). `list` gets one entry per file tried, with its status.
void UndoTagRun(const std::string& historyFolder, std::uint64_t id, FileList& list,
                RecordedUndo& result);

}  // namespace tessarn
