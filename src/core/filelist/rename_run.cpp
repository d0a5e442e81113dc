#include "core/filelist/rename_run.h"

#include <algorithm>
#include <vector>

#include "core/filelist/file_system.h"
#include "core/filelist/foreign_link.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

struct StatusTexts {
  std::string renamed = Gb("更名成功");
  std::string renameFailed = Gb("更名失败");
  std::string restored = Gb("撤消成功");
  std::string restoreFailed = Gb("撤消失败");
};

const StatusTexts& Texts() {
  static const StatusTexts texts;
  return texts;
}

// SetRowStatus; a `lasting` text (one of Texts()) is referred to, not copied:
// a run's 100,000 rows share its one "更名成功".
void PutRowStatus(FileList& list, std::size_t row, const std::string& text,
                  const EntryStatus& status, bool lasting) {
  FileEntry& entry = list.entries[row];
  entry.status = status;
  if (lasting)
    entry.ShareText(&EntryTexts::status, text);
  else  // into the buffer the text already has; an empty text makes no block
    entry.SetText(&EntryTexts::status, text);
  list.SetCellText(row, kStatusColumn, text);
  list.SetCellIcon(row, status.icon);
  list.SetRowMark(row, RowMark{status.reason, status.error, false});
}

void SetStatus(FileList& list, std::size_t row, const std::string& text, int icon,
               RenameReason reason = RenameReason::kNone, int error = 0) {
  PutRowStatus(
      list, row, text,
      EntryStatus{static_cast<std::int8_t>(icon), reason, static_cast<std::int16_t>(error)}, true);
}

// Pane 1 by rows done, repainted only when the bar grows: a run over 100,000 files
// repaints it twenty times.
class Progress {
 public:
  Progress(const RenameHooks& hooks, std::size_t total) : hooks_(hooks), total_(total) {}
  void RowDone() {
    ++done_;
    const std::size_t bar = done_ * 20 / total_;
    if (bar > shown_) {
      shown_ = bar;
      if (hooks_.progress) hooks_.progress(ProgressBarText(done_, total_));
    }
  }

 private:
  const RenameHooks& hooks_;
  std::size_t total_, done_ = 0, shown_ = 0;
};

enum class Walking { kRun, kUndo };

// The walk shared by the run and the undo: rows the plan settles without touching
// the disk first, then the plan's steps in batches.
WalkCounts Walk(FileList& list, const RenamePlan& plan, const RenameHooks& hooks, Walking mode) {
  const StatusTexts& texts = Texts();
  const bool run = mode == Walking::kRun;
  WalkCounts counts;
  const std::size_t n = std::min(list.count(), plan.rows.size());
  counts.total = list.count();
  Progress progress(hooks, std::max<std::size_t>(n, 1));

  auto succeed = [&](std::size_t i) {
    FileEntry& entry = list.entries[i];
    if (run) {
      entry.KeepNamesForUndo();
      entry.oldName.assign(entry.newName);
    } else {
      entry.RestoreUndoNames();
    }
    entry.SetDiskName(plan.diskNames[i]);
    list.SetCellText(i, kOldNameColumn, entry.oldName);
    SetStatus(list, i, run ? texts.renamed : texts.restored, kSuccessIcon);
    ++counts.succeeded;
    progress.RowDone();
  };
  auto fail = [&](std::size_t i, RenameReason reason, int error) {
    FileEntry& entry = list.entries[i];
    if (run) {
      entry.ClearUndoNames();
      list.SetCellText(i, kNewNameColumn, entry.newName);
    }  // an undo keeps the record for the next try
    SetStatus(list, i, run ? texts.renameFailed : texts.restoreFailed, kFailureIcon, reason, error);
    ++counts.failed;
    ++counts.reasons[static_cast<std::size_t>(reason)];
    progress.RowDone();
  };

  // Every run rewrites every undo name; rows that stay byte for byte count as
  // renamed, as a rename onto itself does.
  std::size_t settled = 0;
  for (std::size_t i = 0; i < n; ++i) {
    FileEntry& entry = list.entries[i];
    if (plan.rows[i].verdict != PlanVerdict::kFine) ++settled;
    switch (plan.rows[i].verdict) {
      case PlanVerdict::kStays:
        list.SetCellText(i, kOldNameColumn, entry.oldName);
        progress.RowDone();
        break;
      case PlanVerdict::kUnchanged:
        succeed(i);
        break;
      case PlanVerdict::kConflict:
        fail(i, plan.rows[i].reason, 0);
        break;
      case PlanVerdict::kFine:
        if (run) entry.ClearUndoNames();
        break;
    }
  }
  if (settled > 0) list.NotifyRowsChanged(0, n - 1);
  if (run) {
    for (std::size_t i = n; i < list.count(); ++i) list.entries[i].ClearUndoNames();
  }

  // Batch ends, never inside a cycle: a stop between batches leaves no file under a
  // temporary name.
  const std::size_t steps = plan.steps.size();
  const std::size_t batch = std::max<std::size_t>(hooks.batchSize, 1);
  std::vector<char> parkedAfter(steps);
  for (std::size_t s = 0, parked = 0; s < steps; ++s) {
    if (plan.steps[s].kind == StepKind::kToTemporary) parked = 1;
    if (plan.steps[s].kind == StepKind::kFromTemporary) parked = 0;
    parkedAfter[s] = static_cast<char>(parked);
  }
  HeldFolder folderFd;
  std::size_t k = 0;
  while (k < steps) {
    std::size_t last = std::min(k + batch, steps) - 1;
    while (last + 1 < steps && parkedAfter[last]) ++last;
    if (hooks.beforeBatch && !hooks.beforeBatch(k, last)) {
      counts.stopped = true;
      break;
    }
    bool parked = false;  // the cycle's first file is under its temporary name
    std::size_t lowRow = list.count(), highRow = 0;
    for (; k <= last; ++k) {
      const RenameStep& step = plan.steps[k];
      const std::size_t i = step.entry;
      lowRow = std::min(lowRow, i);
      highRow = std::max(highRow, i);
      FileEntry& entry = list.entries[i];
      int error = 0;
      bool ok = false;
      FileAt where = FileAt::kOldName;
      const std::string& diskFolder = list.DiskFolder(entry);
      const int fd = folderFd.Get(diskFolder);
      const std::string& newName = plan.diskNames[i];
      // The looks at a source before it moves (a cycle's return from its temporary
      // name moves what the run itself parked there): a link another user planted
      // is not followed, and a name that holds another file than the planned one
      // is not moved.
      const bool foreignLink =
          step.kind != StepKind::kFromTemporary &&
          (fd >= 0 ? IsForeignLinkAt(fd, entry.DiskName())
                   : IsForeignLinkAt(-1, diskFolder + entry.DiskName()));
      const bool replaced = !foreignLink && step.kind != StepKind::kFromTemporary &&
                            hooks.checkSource && !hooks.checkSource(i, fd, entry.DiskName());
      if (foreignLink || replaced) {
        fail(i, foreignLink ? RenameReason::kForeignLink : RenameReason::kReplaced, 0);
        ++counts.walked;
        if (hooks.afterRow) hooks.afterRow(i, false);
        if (hooks.afterStep) hooks.afterStep(k, FileAt::kOldName);
        continue;
      }
      switch (step.kind) {
        case StepKind::kDirect:
          ok = RenameNoReplaceIn(fd, diskFolder, entry.DiskName(), newName, &error);
          if (ok) {
            where = FileAt::kNewName;
            succeed(i);
          } else {
            fail(i, ReasonForError(error), error);
          }
          break;
        case StepKind::kToTemporary: {
          const std::string& temporary = plan.temporaries[step.temporary];
          ok = parked = RenameNoReplaceIn(fd, diskFolder, entry.DiskName(), temporary, &error);
          if (ok)
            where = FileAt::kTemporary;
          else
            fail(i, ReasonForError(error), error);  // the rest of the cycle fails on its own
          break;
        }
        case StepKind::kFromTemporary: {
          if (!parked) break;  // reported when parking failed
          parked = false;
          const std::string& temporary = plan.temporaries[step.temporary];
          ok = RenameNoReplaceIn(fd, diskFolder, temporary, newName, &error);
          if (ok) {
            where = FileAt::kNewName;
            succeed(i);
            break;
          }
          // The cycle broke: back to the old name if it is free again, else the
          // file stays parked and the undo record says where it is.
          if (RenameNoReplaceIn(fd, diskFolder, temporary, entry.DiskName())) {
            fail(i, ReasonForError(error), error);
            break;
          }
          where = FileAt::kTemporary;
          if (run) entry.KeepNamesForUndo();
          entry.SetNames(temporary, DecodeDiskName(temporary));
          list.SetCellText(i, kOldNameColumn, entry.oldName);
          SetStatus(list, i, run ? texts.renameFailed : texts.restoreFailed, kFailureIcon,
                    ReasonForError(error), error);
          ++counts.failed;
          ++counts.reasons[static_cast<std::size_t>(ReasonForError(error))];
          progress.RowDone();
          break;
        }
      }
      ++counts.walked;
      if (hooks.afterRow) hooks.afterRow(i, ok);
      if (hooks.afterStep) hooks.afterStep(k, where);
    }
    list.NotifyRowsChanged(lowRow, highRow);
  }
  return counts;
}

}  // namespace

void SetRowStatus(FileList& list, std::size_t row, const std::string& text,
                  const EntryStatus& status) {
  PutRowStatus(list, row, text, status, false);
}

std::optional<std::string> DiskNameFor(const std::string& newName) {
  if (newName.empty() || newName == "." || newName == "..") return std::nullopt;
  if (newName.find_first_of(std::string_view("/\0", 2)) != std::string::npos) return std::nullopt;
  return EncodeDiskName(newName);
}

WalkCounts RunRename(FileList& list, UndoLog& undo, const RenamePlan& plan,
                     const RenameHooks& hooks) {
  WalkCounts counts = Walk(list, plan, hooks, Walking::kRun);
  undo.available = true;
  return counts;
}

WalkCounts RunRename(FileList& list, UndoLog& undo, const RenameHooks& hooks) {
  return RunRename(list, undo, PlanRun(list), hooks);
}

WalkCounts UndoLastRun(FileList& list, UndoLog& undo, const RenameHooks& hooks) {
  return UndoLastRun(list, undo, PlanUndo(list), hooks);
}

WalkCounts UndoLastRun(FileList& list, UndoLog& undo, const RenamePlan& plan,
                       const RenameHooks& hooks) {
  const WalkCounts counts = Walk(list, plan, hooks, Walking::kUndo);
  if (hooks.progress) hooks.progress(std::string());
  // Rows left to restore keep the record for another try.
  bool left = counts.stopped;
  for (const FileEntry& entry : list.entries)
    if (!entry.texts().undoName.empty() || !entry.texts().diskUndoName.empty()) left = true;
  undo.available = left;
  return counts;
}

std::string ProgressBarText(std::size_t done, std::size_t total) {
  static const std::string kBlock = Gb("■");
  if (total == 0) return std::string();
  const std::size_t blocks = std::min<std::size_t>(done, total) * 20 / total;
  std::string bar;
  bar.reserve(blocks * kBlock.size());
  for (std::size_t k = 0; k < blocks; ++k) bar += kBlock;
  return bar;
}

namespace {

UserMessage Summary(std::size_t total, std::size_t succeeded, std::size_t failed,
                    const char* allDone, const char* doneWord, const char* failedWord,
                    const WalkCounts* counts) {
  if (failed == 0 && (counts == nullptr || !counts->stopped)) {
    if (counts != nullptr || succeeded == total) return {Gb(allDone), MessageKind::kInformation};
  }
  std::string text = Gb("文件总数：") + std::to_string(total) + Gb(" 个文件") + "\r\n\r\n" +
                     std::to_string(succeeded) + Gb(doneWord) + "\r\n" + std::to_string(failed) +
                     Gb(failedWord);
  if (counts != nullptr) {
    // Why they failed, one line per reason, in the order of the reasons.
    bool first = true;
    for (std::size_t r = 1; r < kRenameReasonCount; ++r) {
      if (counts->reasons[r] == 0) continue;
      text += first ? "\r\n\r\n" : "\r\n";
      first = false;
      text += ReasonText(static_cast<RenameReason>(r)) + Gb("：") +
              std::to_string(counts->reasons[r]) + Gb(" 个文件");
    }
  }
  return {std::move(text), MessageKind::kWarning};
}

}  // namespace

UserMessage RunSummary(std::size_t total, std::size_t succeeded) {
  return Summary(total, succeeded, total > succeeded ? total - succeeded : 0, "文件更名完毕！",
                 " 个文件更名成功！", " 个文件更名失败！", nullptr);
}

UserMessage UndoSummary(std::size_t total, std::size_t succeeded) {
  return Summary(total, succeeded, total > succeeded ? total - succeeded : 0,
                 "上一次的操作已经成功撤消！", " 个文件撤消成功！", " 个文件撤消失败！", nullptr);
}

UserMessage RunSummary(const WalkCounts& counts) {
  // A stopped run did not reach every row: those count as not renamed.
  const std::size_t failed = counts.total > counts.succeeded ? counts.total - counts.succeeded : 0;
  if (failed == 0) return RunSummary(counts.total, counts.succeeded);
  return Summary(counts.total, counts.succeeded, failed, "文件更名完毕！", " 个文件更名成功！",
                 " 个文件更名失败！", &counts);
}

UserMessage UndoSummary(const WalkCounts& counts) {
  return Summary(counts.total, counts.succeeded, counts.failed, "上一次的操作已经成功撤消！",
                 " 个文件撤消成功！", " 个文件撤消失败！", &counts);
}

std::string ConflictQuestion(std::size_t conflicts) {
  return Gb("有 ") + std::to_string(conflicts) +
         Gb(" 个文件的新名称存在冲突，这些文件不会更名。是否继续？");
}

std::string UndoQuestion() { return Gb("是否真的撤消上一次操作？"); }

}  // namespace tessarn
