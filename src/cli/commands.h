// The commands of tessarn-cli. Each returns the process's exit status.
#pragma once

#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/output.h"
#include "core/tagedit/tag_run.h"

namespace tessarn::cli {

int RunPreviewCommand(const Arguments& args, Output& out, Output& err);
int RunRenameCommand(const Arguments& args, Output& out, Output& err);
int RunUndoCommand(const Arguments& args, Output& out, Output& err);
int RunHistoryCommand(const Arguments& args, Output& out, Output& err);
int RunTagsShowCommand(const Arguments& args, Output& out, Output& err);
int RunTagsSetCommand(const Arguments& args, Output& out, Output& err);
int RunTagsDeleteCommand(const Arguments& args, Output& out, Output& err);
int RunTagsFromNameCommand(const Arguments& args, Output& out, Output& err);

// Puts a tag run over `paths` (outcomes in the same order) into the undo history;
// a record that cannot be written is said on `err`, the tags stay written.
void RecordRunForUndo(const std::vector<std::string>& paths,
                      const std::vector<TagRunFile>& outcomes, Output& err);

// Prints "tessarn-cli: message" on its own line.
void PrintError(Output& err, const std::string& message);

}  // namespace tessarn::cli
