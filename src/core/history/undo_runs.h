// Undo as one use case for both front ends: which runs an undo takes back, the
// question that names them, and the undo itself with its per-row outcomes, its
// remarks and its summary, all as data the window and the command line only show.
//
// An undo goes back through the history newest first. Asked for one run, it takes
// back that run and every newer run not yet undone, in that order, stopping at the
// first run that cannot be undone whole (its rest stays for another try, and the
// older runs wait behind it).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/filelist/file_list.h"
#include "core/filelist/rename_run.h"
#include "core/filelist/user_message.h"
#include "core/history/rename_history.h"

namespace tessarn {

// What to undo: `runId` 0 is the newest run not yet undone. With `withNewer` the
// newer runs not yet undone come first; without, the run must be the newest left
// (else kNewerRunsFirst).
struct UndoTarget {
  std::uint64_t runId = 0;
  bool withNewer = false;
};

// The runs an undo of `target` would take back, newest first, read from the
// history (the disk is not looked at).
struct UndoSelection {
  UndoResult result = UndoResult::kDone;  // kDone when there is anything to undo
  std::uint64_t runId = 0;                // the run asked for (the oldest to undo)
  std::vector<HistoryEntry> runs;
  std::size_t files = 0;                  // files left to undo in them
};
UndoSelection SelectRunsToUndo(const std::string& stateDirectory, const UndoTarget& target);

// A run's state as the history lists it: "未撤消", "部分撤消", "已撤消", "记录已损坏",
// "记录已损坏（已撤消能证明的部分）", "其他操作" (GB18030).
std::string HistoryStateText(const HistoryEntry& run);

// "12-11 10:20 的更名" / "… 的标签修改": a run as the messages name it (local time).
std::string RunLabel(const HistoryEntry& run);

// The question before undoing a selection (Yes/No, title "询问："), e.g.
// "将撤消 3 次操作（共 120 个文件），最早一次为 12-11 10:20 的更名。是否继续？".
std::string UndoRunsQuestion(const UndoSelection& selection);

// One run's undo: its outcome and a row per file tried.
struct RunUndone {
  HistoryEntry run;       // as the history listed it before the undo
  RecordedUndo outcome;
  FileList rows;
};

struct UndoReport {
  // kDone once any run was undone; otherwise why none was (see `error`, GB18030).
  UndoResult result = UndoResult::kFailed;
  std::uint64_t runId = 0;       // the run asked for
  std::vector<RunUndone> runs;   // in the order undone: newest first
  WalkCounts counts;             // over every run
  bool damaged = false;          // a record was damaged: only what it proved was undone
  bool cutShort = false;         // a run was not undone whole: the older ones were not tried
  bool recordFailed = false;     // a record of the undo could not be written
  std::vector<std::string> notes;  // remarks to show before the summary (GB18030)
  std::string error;             // why nothing was undone (result not kDone), for the user
  UserMessage summary;           // the box after the undo; never success unless all came back
  // Every file came back and every record was sound.
  bool complete() const;
};

// Undoes the runs of `target`, newest first, each through UndoRecordedRun.
UndoReport UndoRuns(const std::string& stateDirectory, const UndoTarget& target,
                    const RenameHooks& hooks = {});

}  // namespace tessarn
