// The rename run, which gives every listed file its new name on disk, and its undo.
// The caller computes every entry's newName first (ComputeNewNames over all
// entries); the run only reads them. Both follow a rename plan (rename_plan.h): rows
// in conflict are not tried, the others go in an order where no rename needs a name
// still taken. Statuses and names go into the entries and the rows; the summary
// comes back as data for the caller to show.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/filelist/file_list.h"
#include "core/filelist/rename_plan.h"
#include "core/filelist/user_message.h"

namespace tessarn {

// Whether the last run can be undone (the "撤消" button's enabled state). The names
// before the run live in the entries (undoName, diskUndoName).
struct UndoLog {
  bool available = false;
};

// Where a file is after a step of the plan.
enum class FileAt : std::uint8_t { kOldName, kTemporary, kNewName };

struct RenameHooks {
  // Gets the new text of status-bar pane 1 each time it changes (at most 21 times
  // per walk, plus "" at the end of an undo); the bar counts rows done.
  std::function<void(const std::string& paneText)> progress;
  // Called before the plan's steps first..last (inclusive) are done, one batch of
  // about batchSize steps at a time (a cycle is never split), e.g. to record the
  // intent of the batch in one write. Returning false stops the walk before that
  // batch: the entries not reached keep their names and statuses; a stopped run
  // leaves them no undo name, a stopped undo leaves the undo available.
  std::function<bool(std::size_t first, std::size_t last)> beforeBatch;
  std::size_t batchSize = 4096;
  // Called after every step with its entry and whether the rename call worked.
  std::function<void(std::size_t index, bool ok)> afterRow;
  // Called after every step with where its file now is.
  std::function<void(std::size_t step, FileAt where)> afterStep;
  // Asked right before an entry's file leaves its name (a direct rename, or the
  // move to a cycle's temporary name), with the folder's open descriptor (-1 when
  // it could not be opened) and the name: false when the name no longer holds the
  // file the plan was made for, which is then left alone and fails as replaced.
  std::function<bool(std::size_t entry, int folderFd, const std::string& diskName)> checkSource;
};

struct WalkCounts {
  std::size_t total = 0;      // the count of entries when the walk started
  std::size_t succeeded = 0;  // renames (run) or restorations (undo) that worked
  std::size_t failed = 0;     // rows that did not; an undo counts only rows it had to restore
  std::size_t walked = 0;     // steps done (all of them unless stopped)
  bool stopped = false;       // beforeBatch said stop
  std::array<std::size_t, kRenameReasonCount> reasons{};  // failed rows by reason
};

// The name `newName` (GB18030) as bytes to write to disk, or nullopt when it cannot
// be a file name: empty, "." or "..", holding "/" or a NUL byte, or not encodable.
std::optional<std::string> DiskNameFor(const std::string& newName);

// Renames every entry to its newName following `plan` (PlanRun of the same list and
// names). Success (or a name that stays byte for byte): undoName := oldName,
// oldName := newName (disk names likewise), column 0 shows it, column 3 "更名成功"
// with the green icon. Failure, a conflict of the plan included: undoName := "",
// column 1 := newName, column 3 "更名失败" with the red icon and the reason in the
// row's mark and the entry's status. Makes the undo available.
WalkCounts RunRename(FileList& list, UndoLog& undo, const RenamePlan& plan,
                     const RenameHooks& hooks = {});
// The same with a plan made on the spot.
WalkCounts RunRename(FileList& list, UndoLog& undo, const RenameHooks& hooks = {});

// Gives every entry renamed by the last run its former name again, in an order that
// works whatever the run did (chains and cycles undone as planned anew). The caller
// asks "是否真的撤消上一次操作？" first; declining means not calling this. Rows the
// run did not rename keep their status and are not counted as failures. A row that
// cannot be restored ("撤消失败" with its reason) keeps its undo name, and the undo
// stays available for another try; otherwise it is no longer available. Pane 1 is
// emptied at the end.
WalkCounts UndoLastRun(FileList& list, UndoLog& undo, const RenameHooks& hooks = {});
// The same by a plan the caller made with PlanUndo (to record its temporary names
// before the first rename).
WalkCounts UndoLastRun(FileList& list, UndoLog& undo, const RenamePlan& plan,
                       const RenameHooks& hooks = {});

// Puts a row's outcome into its entry, its status cell and icon and its mark.
void SetRowStatus(FileList& list, std::size_t row, const std::string& text,
                  const EntryStatus& status);

// Pane 1 during a walk: one "■" for every twentieth of the entries done.
std::string ProgressBarText(std::size_t done, std::size_t total);

// The boxes shown after a run and after an undo (title "Tessarn批量更名器").
UserMessage RunSummary(std::size_t total, std::size_t succeeded);
UserMessage UndoSummary(std::size_t total, std::size_t succeeded);
// The same from a walk's counts, with a line per reason of failure under the counts.
UserMessage RunSummary(const WalkCounts& counts);
UserMessage UndoSummary(const WalkCounts& counts);
// The question before a run whose plan has conflicts (Yes/No, title "询问：").
std::string ConflictQuestion(std::size_t conflicts);
// The undo question, asked with Yes/No, the information icon and the title "询问：".
std::string UndoQuestion();

}  // namespace tessarn
