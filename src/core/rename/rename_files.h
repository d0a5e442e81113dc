// Renaming a whole list, as both front ends do it: every entry's new name by the
// options, the plan with the reason of each row that will not be renamed, the
// user's word on those rows, the run with its record in the history, each row's
// outcome (in the entries) and the summary. The front ends only ask and show.
#pragma once

#include <functional>
#include <string>

#include "core/filelist/file_list.h"
#include "core/filelist/folder_listing.h"
#include "core/filelist/rename_plan.h"
#include "core/filelist/rename_run.h"
#include "core/filelist/user_message.h"
#include "core/history/rename_history.h"
#include "core/rules/naming_options.h"

namespace tessarn {

class TagCache;

struct RenameRequest {
  NamingOptions options;
  PlanChoices choices;
  FrontEnd frontEnd = FrontEnd::kCommandLine;
  std::string stateDirectory;  // where the history lives
  TagCache* tags = nullptr;    // the window's cache of tags for the MP3 page; may be null
  std::uint64_t historyLimit = kHistoryBytes;  // the history's size bound
  // What a scan has just read of the folders, so that the plan need not read them
  // again (made with keep false); null: the plan reads them.
  FolderListings* listings = nullptr;
  RenameHooks hooks;
  // Asked when some rows will not be renamed, with the plan (each row's reason)
  // and the question that counts them by reason. False: nothing is renamed. Unset:
  // the others are renamed.
  std::function<bool(const RenamePlan& plan, const std::string& question)> proceed;
};

enum class RenameResult : std::uint8_t {
  kDone,        // the run took place; see the counts
  kBadPattern,  // the replace page's pattern does not compile: nothing named, nothing renamed
  kDeclined,    // `proceed` said no: nothing renamed
  kNotStarted,  // the run's record could not be written: nothing renamed
};

struct RenameOutcome {
  RenameResult result = RenameResult::kNotStarted;
  RenamePlan plan;
  RecordedRun run;      // counts, the history's run id, whether every record write worked
  UserMessage summary;  // kDone: the box after the run
  std::string error;    // GB18030: the pattern's message, or why the run did not start
};

RenameOutcome RenameFiles(FileList& list, UndoLog& undo, const RenameRequest& request);

}  // namespace tessarn
