// tessarn-cli: the rename rules, the rename run with its undo, and the tag codec
// from the command line. Options arrive as UTF-8 and become the program's GB18030
// text; everything printed is UTF-8.
#include <unistd.h>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/exit_status.h"
#include "cli/output.h"
#include "core/filelist/memory_hints.h"

int main(int argc, char** argv) {
  using namespace tessarn::cli;
  Output out(STDOUT_FILENO);
  Output err(STDERR_FILENO);
  const ParseResult parsed = ParseArguments(argc, argv);
  if (!parsed.error.empty()) {
    PrintError(err, parsed.error);
    return kExitUsage;
  }
  const Arguments& args = parsed.args;
  if (args.help) {
    out << HelpText(args.command);
    return kExitOk;
  }
  if (args.command == Command::kPreview || args.command == Command::kRename ||
      args.command == Command::kUndo) {
    // A list of many files is a few hundred bytes per file in small blocks.
    tessarn::PrepareHeapForManyBlocks(64u << 20);
  }
  int status = kExitUsage;
  switch (args.command) {
    case Command::kPreview:
      status = RunPreviewCommand(args, out, err);
      break;
    case Command::kRename:
      status = RunRenameCommand(args, out, err);
      break;
    case Command::kUndo:
      status = RunUndoCommand(args, out, err);
      break;
    case Command::kHistory:
      status = RunHistoryCommand(args, out, err);
      break;
    case Command::kTagsShow:
      status = RunTagsShowCommand(args, out, err);
      break;
    case Command::kTagsSet:
      status = RunTagsSetCommand(args, out, err);
      break;
    case Command::kTagsDelete:
      status = RunTagsDeleteCommand(args, out, err);
      break;
    case Command::kTagsFromName:
      status = RunTagsFromNameCommand(args, out, err);
      break;
    case Command::kTagsConvert:
      status = RunTagsConvertCommand(args, out, err);
      break;
    default:
      break;
  }
  // Output that could not be written (a full disk, a closed pipe) is a failure too.
  if (!out.Flush() && status == kExitOk) status = kExitFailed;
  return status;
}
