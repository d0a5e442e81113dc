// The commands of tessarn-cli. Each returns the process's exit status.
#pragma once

#include <cstdint>
#include <functional>
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
int RunTagsConvertCommand(const Arguments& args, Output& out, Output& err);
int RunTagsFromNameCommand(const Arguments& args, Output& out, Output& err);

// Makes a tag run with its record in the undo history (RunTagsRecorded): `run`
// writes the files, handing each one tried to the TagFileTried it gets. False,
// with the reason on `err`, when the record could not be begun and so no file was
// written; a record that broke off later is said on `err` too.
bool RunTagsForUndo(const std::function<void(const TagFileTried&)>& run, Output& err);

// The undo history's size bound, from config.ini as the window keeps it.
std::uint64_t HistoryLimit();

// Prints "tessarn-cli: message" on its own line.
void PrintError(Output& err, const std::string& message);

}  // namespace tessarn::cli
