// preview, rename and undo.
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/entry_printer.h"
#include "cli/exit_status.h"
#include "cli/path_arguments.h"
#include "cli/undo_journal.h"
#include "core/filelist/rename_run.h"
#include "core/rules/preview_pass.h"
#include "core/text/encoding.h"

namespace tessarn::cli {
namespace {

// Lists the paths' files and computes every new name. False (after printing the
// problem) when a path does not exist: nothing has been done then.
bool CollectFiles(const Arguments& args, FileList& list, Output& err, bool& someUnreadable) {
  std::string error;
  if (!CheckPathsExist(args.paths, error)) {
    PrintError(err, error);
    return false;
  }
  const FolderTreeOptions tree{args.hidden};
  const std::vector<std::string> unreadable =
      AddPathArguments(list, args.paths, args.recursive ? &tree : nullptr);
  for (const std::string& warning : unreadable) PrintError(err, warning);
  someUnreadable = !unreadable.empty();
  // The run does not go through the preview: it names every entry, whatever the
  // preview settings; the MP3 rule reads each file once, so no cache is kept.
  ComputeNewNames(list, args.options, list.count(), nullptr);
  return true;
}

// The list of a command lives until the process ends: handing 100,000 entries
// back to the allocator one string at a time costs more than the output, and the
// process is about to exit anyway. It stays reachable, so leak checkers are quiet.
FileList& ProcessList() {
  static FileList* const list = new FileList;
  return *list;
}

// Test seam: TESSARN_CLI_TEST_EXIT_AFTER=N ends the process abruptly right after
// the N-th rename call of the run (a cycle's move to its temporary name is one of
// them), as a crash would, to exercise the undo of an unfinished run.
// Only the test build of the program has it.
long TestExitAfter() {
#ifdef TESSARN_TEST_HOOKS
  const char* value = std::getenv("TESSARN_CLI_TEST_EXIT_AFTER");
  return value != nullptr ? std::strtol(value, nullptr, 10) : 0;
#else
  return 0;
#endif
}

}  // namespace

void PrintError(Output& err, const std::string& message) {
  err << "tessarn-cli: " << message << "\n";
  err.Flush();
}

int RunPreviewCommand(const Arguments& args, Output& out, Output& err) {
  FileList& list = ProcessList();
  bool someUnreadable = false;
  if (!CollectFiles(args, list, err, someUnreadable)) return kExitUsage;
  FolderListings listings(false);
  const RenamePlan plan = PlanPreview(list, list.count(), listings);
  PrintRows(out, args.json, list.count(),
            [&](std::size_t i) {
              const FileEntry& e = list.entries[i];
              PrintedRow row{e.folder, e.oldName, e.newName, {}, e.tagStatus};
              if (plan.rows[i].verdict == PlanVerdict::kConflict) row.reason = plan.rows[i].reason;
              return row;
            },
            {});
  return someUnreadable ? kExitFailed : kExitOk;
}

int RunRenameCommand(const Arguments& args, Output& out, Output& err) {
  FileList& list = ProcessList();
  bool someUnreadable = false;
  if (!CollectFiles(args, list, err, someUnreadable)) return kExitUsage;

  const RenamePlan plan = PlanRun(list);
  if (plan.conflicts > 0 && !args.skipConflicts) {
    // Nothing is renamed: the user decides first.
    for (std::size_t i = 0; i < list.count(); ++i) {
      if (plan.rows[i].verdict != PlanVerdict::kConflict) continue;
      const FileEntry& e = list.entries[i];
      std::string line;
      AppendGb(line, e.folder + e.oldName);
      line += " \xE2\x86\x92 ";  // →
      AppendGb(line, e.newName);
      line += "\xEF\xBC\x9A";  // ：
      AppendGb(line, ReasonText(plan.rows[i].reason));
      PrintError(err, line);
    }
    PrintError(err, std::to_string(plan.conflicts) +
                        " 个文件的新名称存在冲突，没有更名任何文件（--skip-conflicts 可跳过它们）");
    return kExitFailed;
  }

  // The undo record is in place before the first file changes its name.
  std::string error;
  const std::string directory = JournalDirectory();
  JournalLock lock;
  JournalWriter journal;
  if (!lock.Acquire(directory, error) || !journal.Begin(directory, error) ||
      !journal.Intent(list, plan)) {
    PrintError(err, error.empty() ? "无法写入撤消记录" : error);
    PrintError(err, "没有更名任何文件");
    return kExitFailed;
  }

  UndoLog undo;
  RenameHooks hooks;
  hooks.beforeBatch = [&](std::size_t first, std::size_t last) {
    return journal.BatchStarting(first, last);
  };
  hooks.afterStep = [&](std::size_t step, FileAt where) { journal.StepDone(step, where); };
  if (const long exitAfter = TestExitAfter(); exitAfter > 0) {
    hooks.afterRow = [exitAfter, done = 0L](std::size_t, bool) mutable {
      if (++done == exitAfter) ::_exit(99);
    };
  }
  const WalkCounts counts = RunRename(list, undo, plan, hooks);
  journal.Finish();
  if (counts.stopped) PrintError(err, "撤消记录写入失败，更名在中途停止");

  PrintedTotals totals;
  totals.renamed = counts.succeeded;
  totals.failed = counts.total - counts.succeeded;
  totals.summary = RunSummary(counts).text;
  PrintRows(
      out, args.json, list.count(),
      [&](std::size_t i) {
        const FileEntry& e = list.entries[i];
        const bool renamed = e.status.icon == kSuccessIcon;
        PrintedRow row{e.folder, renamed ? e.undoName : e.oldName, e.newName, e.status.text,
                       e.tagStatus};
        row.reason = e.status.reason;
        row.error = e.status.error;
        return row;
      },
      totals);
  const bool allDone = counts.succeeded == counts.total && !counts.stopped && journal.ok();
  return allDone && !someUnreadable ? kExitOk : kExitFailed;
}

int RunUndoCommand(const Arguments& args, Output& out, Output& err) {
  std::string error;
  const std::string directory = JournalDirectory();
  JournalLock lock;
  if (!lock.Acquire(directory, error)) {
    PrintError(err, error);
    return kExitFailed;
  }
  JournalContents journal;
  switch (ReadJournal(directory, journal)) {
    case JournalReadResult::kMissing:
      PrintError(err, "没有可撤消的更名操作");
      return kExitFailed;
    case JournalReadResult::kDamaged:
      PrintError(err, "撤消记录已损坏：" + ShowPath(JournalPath(directory)));
      return kExitFailed;
    case JournalReadResult::kOk:
      break;
  }
  if (!journal.finished)
    PrintError(err, "上一次更名没有正常结束；按磁盘上的实际情况撤消已更名的文件");

  // The list as the run left it: renamed files under their new names with the old
  // ones to go back to, the others with no undo name (they fail, as in the window).
  FileList& list = ProcessList();
  list.entries.reserve(journal.entries.size());
  // What each row shows: its name before the undo and the name it goes back to.
  std::vector<std::string> shownBefore, shownRestored;
  shownBefore.reserve(journal.entries.size());
  shownRestored.reserve(journal.entries.size());
  for (const JournalEntry& j : journal.entries) {
    FileEntry e;
    e.diskFolder = j.diskFolder;
    e.folder = DecodeDiskName(j.diskFolder);
    if (j.renamed || j.parked) {
      e.diskName = j.parked ? j.temporary : j.newName;
      e.diskUndoName = j.oldName;
      e.undoName = DecodeDiskName(j.oldName);
    } else {
      e.diskName = j.oldName;
    }
    e.oldName = DecodeDiskName(e.diskName);
    shownBefore.push_back(e.oldName);
    shownRestored.push_back(e.undoName);
    list.entries.push_back(std::move(e));
  }

  UndoLog undo;
  undo.available = true;
  const WalkCounts counts = UndoLastRun(list, undo, {});
  // Rows that could not come back keep the record, so that the next undo tries
  // them again; the others leave it.
  if (!undo.available) {
    RemoveJournal(directory);
  } else if (!RewriteJournal(directory, list, error)) {
    PrintError(err, error);
  }

  PrintedTotals totals;
  totals.renamed = counts.succeeded;
  totals.failed = counts.failed;
  totals.summary = UndoSummary(counts).text;
  PrintRows(
      out, args.json, list.count(),
      [&](std::size_t i) {
        const FileEntry& e = list.entries[i];
        PrintedRow row{e.folder, shownBefore[i], shownRestored[i], e.status.text, {}};
        row.reason = e.status.reason;
        row.error = e.status.error;
        return row;
      },
      totals);
  return counts.failed == 0 ? kExitOk : kExitFailed;
}

}  // namespace tessarn::cli
