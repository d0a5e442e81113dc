// preview, rename and undo.
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/entry_printer.h"
#include "cli/exit_status.h"
#include "cli/path_arguments.h"
#include "core/filelist/list_sort.h"
#include "core/filelist/rename_run.h"
#include "core/history/history_store.h"
#include "core/history/rename_history.h"
#include "core/rename/rename_files.h"
#include "core/history/undo_runs.h"
#include "core/presets/preset_store.h"
#include "core/rules/preview_pass.h"
#include "core/rules/regex_replace.h"
#include "core/rules/rule_chain.h"
#include "core/rules/tag_template_rule.h"
#include "core/settings/app_settings.h"
#include "core/text/encoding.h"

namespace tessarn::cli {
namespace {

// The naming of the command: the options given, or the preset named. False
// (after printing why) when the preset cannot be had or saved.
bool ResolveNaming(const Arguments& args, NamingOptions& naming, Output& err) {
  naming = args.options;
  std::string error;
  Preset preset;
  const bool loaded = !args.presetName.empty()
                          ? LoadPreset(ConfigFolder(), args.presetName, preset, error)
                          : !args.presetFile.empty() &&
                                LoadPresetFile(args.presetFile, preset, error);
  if (!error.empty()) {
    PrintError(err, error);
    return false;
  }
  if (loaded) {
    naming = PresetNaming(preset);
    naming.legacyEncoding = args.options.legacyEncoding;
    if (std::string bad = GbToUtf8Lossy(RegexPatternError(naming)); !bad.empty()) {
      PrintError(err, bad);
      return false;
    }
  }
  if (!args.savePreset.empty()) {
    Preset saved;
    if (const RuleChain* chain = ActiveChain(naming)) {
      saved.chain = true;
      saved.steps = chain->steps;
    } else {
      saved.steps.push_back(ChainStep{true, naming});
      saved.steps.back().options.chain.reset();
    }
    if (!SavePreset(ConfigFolder(), args.savePreset, saved, error)) {
      PrintError(err, error);
      return false;
    }
  }
  return true;
}

// Lists the paths' files in the order asked for and resolves the naming (the
// options given, or a preset). False (after printing the problem) when a path does
// not exist or the naming cannot be had: nothing has been done then. What the scan
// read of each folder stays in `listings`, so that the plan does not read it again.
bool CollectFiles(const Arguments& args, FileList& list, FolderListings& listings,
                  NamingOptions& naming, Output& err, bool& someUnreadable) {
  std::string error;
  if (!CheckPathsExist(args.paths, error)) {
    PrintError(err, error);
    return false;
  }
  if (!ResolveNaming(args, naming, err)) return false;
  const FolderTreeOptions tree{args.hidden};
  const std::vector<std::string> unreadable =
      AddPathArguments(list, args.paths, args.recursive ? &tree : nullptr, &listings);
  for (const std::string& warning : unreadable) PrintError(err, warning);
  someUnreadable = !unreadable.empty();
  // Numbering follows the order the list has once sorted.
  SortList(list, args.sort, args.reverse);
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

std::string ConfigFolder() {
#ifdef TESSARN_TEST_HOOKS
  // Test seam: the tests keep their presets in a folder of their own.
  if (const char* dir = std::getenv("TESSARN_CLI_TEST_CONFIG_DIR"); dir != nullptr && *dir)
    return dir;
#endif
  char exe[4096];
  const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
  std::string programDir = n > 0 ? std::string(exe, static_cast<std::size_t>(n)) : std::string();
  programDir = programDir.substr(0, programDir.rfind('/') == std::string::npos
                                        ? 0
                                        : programDir.rfind('/'));
  return ConfigDirectory(programDir);
}

void PrintError(Output& err, const std::string& message) {
  err << "tessarn-cli: " << message << "\n";
  err.Flush();
}

int RunPreviewCommand(const Arguments& args, Output& out, Output& err) {
  FileList& list = ProcessList();
  FolderListings listings(false);
  bool someUnreadable = false;
  NamingOptions naming;
  if (!CollectFiles(args, list, listings, naming, err, someUnreadable)) return kExitUsage;
  // The MP3 rule reads each file once, so no cache is kept.
  ComputeNewNames(list, naming, list.count(), nullptr);
  const RenamePlan plan =
      PlanPreview(list, list.count(), listings, nullptr, PlanChoices{args.fixEncoding});
  PrintRows(out, args.json, list.count(),
            [&](std::size_t i) {
              const FileEntry& e = list.entries[i];
              PrintedRow row{
                  list.FolderText(e), e.oldName, e.newName, {}, e.texts().tagStatus.str()};
              if (plan.rows[i].verdict == PlanVerdict::kConflict) row.reason = plan.rows[i].reason;
              row.recoded = plan.rows[i].recoded;
              return row;
            },
            {});
  return someUnreadable ? kExitFailed : kExitOk;
}

int RunRenameCommand(const Arguments& args, Output& out, Output& err) {
  FileList& list = ProcessList();
  FolderListings listings(false);
  bool someUnreadable = false;
  NamingOptions naming;
  if (!CollectFiles(args, list, listings, naming, err, someUnreadable)) return kExitUsage;

  RenameRequest request;
  request.options = naming;
  request.choices.convertEncoding = args.fixEncoding;
  request.frontEnd = FrontEnd::kCommandLine;
  request.stateDirectory = StateDirectory();
  request.listings = &listings;
  const std::uint64_t limit = HistoryLimit();
  request.historyLimit = limit;
  // Rows that will not be renamed: without --skip-conflicts nothing is renamed,
  // and each of them is listed with its reason.
  request.proceed = [&](const RenamePlan& plan, const std::string&) {
    if (args.skipConflicts) return true;
    for (std::size_t i = 0; i < list.count(); ++i) {
      if (plan.rows[i].verdict != PlanVerdict::kConflict) continue;
      const FileEntry& e = list.entries[i];
      std::string line;
      AppendGb(line, list.FolderText(e) + e.oldName);
      line += " → ";
      AppendGb(line, e.newName);
      line += "：";
      AppendGb(line, ReasonText(plan.rows[i].reason));
      PrintError(err, line);
    }
    PrintError(err, std::to_string(plan.conflicts) + " 个文件不会更名（" +
                        GbToUtf8Lossy(ReasonCountsText(plan.reasons)) +
                        "），没有更名任何文件（--skip-conflicts 可跳过它们）");
    return false;
  };
  // The undo record is in place before the first file changes its name.
  UndoLog undo;
  if (const long exitAfter = TestExitAfter(); exitAfter > 0) {
    request.hooks.afterRow = [exitAfter, done = 0L](std::size_t, bool) mutable {
      if (++done == exitAfter) ::_exit(99);
    };
  }
  const RenameOutcome outcome = RenameFiles(list, undo, request);
  switch (outcome.result) {
    case RenameResult::kBadPattern:
      PrintError(err, GbToUtf8Lossy(outcome.error));
      return kExitUsage;
    case RenameResult::kDeclined:
      return kExitFailed;
    case RenameResult::kNotStarted:
      PrintError(err, outcome.error.empty() ? "无法写入撤消记录" : GbToUtf8Lossy(outcome.error));
      PrintError(err, "没有更名任何文件");
      return kExitFailed;
    case RenameResult::kDone:
      break;
  }
  const RecordedRun& run = outcome.run;
  const WalkCounts& counts = run.counts;
  if (counts.stopped) PrintError(err, "撤消记录写入失败，更名在中途停止");
  if (const std::string warning = HistoryBoundWarning(run.dropped, limit); !warning.empty())
    PrintError(err, GbToUtf8Lossy(warning));

  PrintedTotals totals;
  totals.renamed = counts.succeeded;
  totals.failed = counts.total - counts.succeeded;
  totals.summary = outcome.summary.text;
  PrintRows(
      out, args.json, list.count(),
      [&](std::size_t i) {
        const FileEntry& e = list.entries[i];
        const bool renamed = Succeeded(e.status.outcome);
        PrintedRow row{list.FolderText(e), renamed ? e.texts().undoName.str() : e.oldName,
                       e.newName, OutcomeText(e.status.outcome), e.texts().tagStatus.str()};
        row.reason = e.status.reason;
        row.error = e.status.error;
        row.recoded = renamed && i < outcome.plan.rows.size() && outcome.plan.rows[i].recoded;
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
        PrintedRow row{r.list->FolderText(e), r.before, r.restored, OutcomeText(e.status.outcome), {}};
        row.reason = e.status.reason;
        row.error = e.status.error;
        return row;
      },
      totals);
  return report.complete() ? kExitOk : kExitFailed;
}

}  // namespace tessarn::cli
