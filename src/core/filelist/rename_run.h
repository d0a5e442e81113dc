// The rename run, which gives every listed file its new name on disk, and its undo.
// The caller computes every entry's newName first (ComputeNewNames over all
// entries); the run only reads them. Statuses and names go into the entries and the
// rows; the summary comes back as data for the caller to show.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "core/filelist/file_list.h"
#include "core/filelist/user_message.h"

namespace tessarn {

// Whether the last run can be undone (the "撤消" button's enabled state). The names
// before the run live in the entries (undoName, diskUndoName).
struct UndoLog {
  bool available = false;
};

struct RenameHooks {
  // Gets the new text of status-bar pane 1 each time it changes (at most 21 times
  // per walk, plus "" at the end of an undo).
  std::function<void(const std::string& paneText)> progress;
  // Called before the entries first..last (inclusive) are renamed, one batch of at
  // most batchSize entries at a time, e.g. to record the intent of the batch in one
  // write. Returning false stops the walk before that batch: the entries not
  // reached keep their names and statuses; a stopped run leaves them no undo name,
  // a stopped undo leaves the undo available.
  std::function<bool(std::size_t first, std::size_t last)> beforeBatch;
  std::size_t batchSize = 4096;
  // Called after every entry with its outcome. Leave empty when not needed.
  std::function<void(std::size_t index, bool ok)> afterRow;
};

struct WalkCounts {
  std::size_t total = 0;      // the count of entries when the walk started
  std::size_t succeeded = 0;  // renames (run) or restorations (undo) that worked
  std::size_t walked = 0;     // entries tried (all of them unless stopped)
  bool stopped = false;       // beforeBatch said stop
};

// The name `newName` (GB18030) as bytes to write to disk, or nullopt when it cannot
// be a file name: empty, "." or "..", holding "/" or a NUL byte, or not encodable.
std::optional<std::string> DiskNameFor(const std::string& newName);

// Renames every entry to its newName, strictly in list order, without resolving
// conflicts: a target that exists makes that entry fail and the walk goes on.
// Success: undoName := oldName, oldName := newName (disk names likewise), column 0
// shows it, column 3 "更名成功" with the green icon. Failure: undoName := "",
// column 1 := newName, column 3 "更名失败" with the red icon. Makes the undo
// available.
WalkCounts RunRename(FileList& list, UndoLog& undo, const RenameHooks& hooks = {});

// Gives every entry renamed by the last run its former name again. The caller asks
// "是否真的撤消上一次操作？" first; declining means not calling this. Entries with
// an empty undoName fail ("撤消失败"). Pane 1 is emptied at the end and the undo is
// no longer available.
WalkCounts UndoLastRun(FileList& list, UndoLog& undo, const RenameHooks& hooks = {});

// Pane 1 during a walk: one "■" for every twentieth of the entries done.
std::string ProgressBarText(std::size_t done, std::size_t total);

// The boxes shown after a run and after an undo (title "Tessarn批量更名器").
UserMessage RunSummary(std::size_t total, std::size_t succeeded);
UserMessage UndoSummary(std::size_t total, std::size_t succeeded);
// The undo question, asked with Yes/No, the information icon and the title "询问：".
std::string UndoQuestion();

}  // namespace tessarn
