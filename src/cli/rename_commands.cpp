// preview, rename and undo.
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/entry_printer.h"
#include "cli/exit_status.h"
#include "cli/path_arguments.h"
#include "core/filelist/rename_run.h"
#include "core/history/history_store.h"
#include "core/history/rename_history.h"
#include "core/history/undo_runs.h"
#include "core/rules/preview_pass.h"
#include "core/rules/tag_template_rule.h"
#include "core/text/encoding.h"

namespace tessarn::cli {
namespace {

// Lists the paths' files and computes every new name. False (after printing the
// problem) when a path does not exist: nothing has been done then. What the scan
// read of each folder stays in `listings`, so that the plan does not read it again.
bool CollectFiles(const Arguments& args, FileList& list, FolderListings& listings, Output& err,
                  bool& someUnreadable) {
  std::string error;
  if (!CheckPathsExist(args.paths, error)) {
    PrintError(err, error);
    return false;
  }
  const FolderTreeOptions tree{args.hidden};
  const std::vector<std::string> unreadable =
      AddPathArguments(list, args.paths, args.recursive ? &tree : nullptr, &listings);
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
  FolderListings listings(false);
  bool someUnreadable = false;
  if (!CollectFiles(args, list, listings, err, someUnreadable)) return kExitUsage;
  const RenamePlan plan = PlanPreview(list, list.count(), listings);
  PrintRows(out, args.json, list.count(),
            [&](std::size_t i) {
              const FileEntry& e = list.entries[i];
              PrintedRow row{
                  list.FolderText(e), e.oldName, e.newName, {}, e.texts().tagStatus.str()};
              if (plan.rows[i].verdict == PlanVerdict::kConflict) row.reason = plan.rows[i].reason;
              // A file whose tag write was cut short gets no name from its tags.
              if (e.texts().tagStatus == InterruptedWriteStatusText())
                row.reason = RenameReason::kInterruptedWrite;
              return row;
            },
            {});
  return someUnreadable ? kExitFailed : kExitOk;
}

int RunRenameCommand(const Arguments& args, Output& out, Output& err) {
  FileList& list = ProcessList();
  FolderListings listings(false);
  bool someUnreadable = false;
  if (!CollectFiles(args, list, listings, err, someUnreadable)) return kExitUsage;

  const RenamePlan plan = PlanRun(list, listings);
  if (plan.conflicts > 0 && !args.skipConflicts) {
    // Nothing is renamed: the user decides first.
    for (std::size_t i = 0; i < list.count(); ++i) {
      if (plan.rows[i].verdict != PlanVerdict::kConflict) continue;
      const FileEntry& e = list.entries[i];
      std::string line;
      AppendGb(line, list.FolderText(e) + e.oldName);
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
  UndoLog undo;
  RenameHooks hooks;
  if (const long exitAfter = TestExitAfter(); exitAfter > 0) {
    hooks.afterRow = [exitAfter, done = 0L](std::size_t, bool) mutable {
      if (++done == exitAfter) ::_exit(99);
    };
  }
  const std::uint64_t limit = HistoryLimit();
  const RecordedRun run =
      RunRenameRecorded(StateDirectory(), list, undo, plan, FrontEnd::kCommandLine, hooks, limit);
  if (!run.started) {
    PrintError(err, run.error.empty() ? "无法写入撤消记录" : GbToUtf8Lossy(run.error));
    PrintError(err, "没有更名任何文件");
    return kExitFailed;
  }
  const WalkCounts& counts = run.counts;
  if (counts.stopped) PrintError(err, "撤消记录写入失败，更名在中途停止");
  if (const std::string warning = HistoryBoundWarning(run.dropped, limit); !warning.empty())
    PrintError(err, GbToUtf8Lossy(warning));

  PrintedTotals totals;
  totals.renamed = counts.succeeded;
  totals.failed = counts.total - counts.succeeded;
  totals.summary = RunSummary(counts).text;
  PrintRows(
      out, args.json, list.count(),
      [&](std::size_t i) {
        const FileEntry& e = list.entries[i];
        const bool renamed = e.status.icon == kSuccessIcon;
        PrintedRow row{list.FolderText(e), renamed ? e.texts().undoName.str() : e.oldName,
                       e.newName, e.texts().status.str(), e.texts().tagStatus.str()};
        row.reason = e.status.reason;
        row.error = e.status.error;
        return row;
      },
      totals);
  const bool allDone = counts.succeeded == counts.total && !counts.stopped && run.recordOk;
  return allDone && !someUnreadable ? kExitOk : kExitFailed;
}

int RunUndoCommand(const Arguments& args, Output& out, Output& err) {
  const UndoReport report =
      UndoRuns(StateDirectory(), UndoTarget{args.runId, args.undoWithNewer});
  if (report.result != UndoResult::kDone) {
    PrintError(err, GbToUtf8Lossy(report.error));
    return kExitFailed;
  }
  for (const std::string& note : report.notes) PrintError(err, GbToUtf8Lossy(note));

  // The rows of every run undone, newest run first.
  struct Row {
    const FileList* list;
    std::size_t index;
    std::string before, restored;
  };
  std::vector<Row> rows;
  for (const RunUndone& run : report.runs)
    for (std::size_t i = 0; i < run.rows.count(); ++i)
      rows.push_back({&run.rows, i, DecodeDiskName(run.outcome.namesBefore[i]),
                      DecodeDiskName(run.outcome.namesRestored[i])});
  PrintedTotals totals;
  totals.renamed = report.counts.succeeded;
  totals.failed = report.counts.failed;
  totals.summary = report.summary.text;
  PrintRows(
      out, args.json, rows.size(),
      [&](std::size_t k) {
        const Row& r = rows[k];
        const FileEntry& e = r.list->entries[r.index];
        PrintedRow row{r.list->FolderText(e), r.before, r.restored, e.texts().status.str(), {}};
        row.reason = e.status.reason;
        row.error = e.status.error;
        return row;
      },
      totals);
  return report.complete() ? kExitOk : kExitFailed;
}

}  // namespace tessarn::cli
