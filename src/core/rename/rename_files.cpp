#include "core/rename/rename_files.h"

#include "core/rules/preview_pass.h"
#include "core/rules/regex_replace.h"

namespace tessarn {

RenameOutcome RenameFiles(FileList& list, UndoLog& undo, const RenameRequest& request) {
  RenameOutcome outcome;
  // A pattern that does not compile names nothing: no run at all.
  outcome.error = RegexPatternError(request.options);
  if (!outcome.error.empty()) {
    outcome.result = RenameResult::kBadPattern;
    return outcome;
  }
  // Every entry is named by the options, whatever the preview showed.
  ComputeNewNames(list, request.options, list.count(), request.tags);
  if (request.listings != nullptr) {
    outcome.plan = PlanRun(list, *request.listings, request.choices);
  } else {
    FolderListings fresh(false);
    outcome.plan = PlanRun(list, fresh, request.choices);
  }
  if (outcome.plan.conflicts > 0 && request.proceed &&
      !request.proceed(outcome.plan, NotRenamedQuestion(outcome.plan.reasons))) {
    outcome.result = RenameResult::kDeclined;
    return outcome;
  }
  outcome.run = RunRenameRecorded(request.stateDirectory, list, undo, outcome.plan,
                                  request.frontEnd, request.hooks, request.historyLimit);
  if (!outcome.run.started) {
    outcome.error = outcome.run.error;
    outcome.result = RenameResult::kNotStarted;
    return outcome;
  }
  outcome.result = RenameResult::kDone;
  outcome.summary = RunSummary(outcome.run.counts);
  return outcome;
}

}  // namespace tessarn
