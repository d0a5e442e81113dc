// The command line of tessarn-cli: which command, its options and its paths.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/rules/naming_options.h"
#include "core/tagedit/tag_edits.h"

namespace tessarn::cli {

enum class Command {
  kNone,
  kPreview,
  kRename,
  kUndo,
  kHistory,
  kTags,
  kTagsShow,
  kTagsSet,
  kTagsDelete,
  kTagsFromName,
  kTagsConvert
};

struct Arguments {
  Command command = Command::kNone;
  bool help = false;  // --help: print the command's help and stop
  bool json = false;
  NamingOptions options;           // the rule options of preview and rename
  std::vector<std::string> paths;  // as given, raw bytes
  bool recursive = false;          // --recursive, -r: folders with their subfolders
  bool hidden = false;             // --hidden: hidden subfolders too
  bool v1 = false;                 // --v1
  bool v2 = false;                 // --v2
  bool skipConflicts = false;      // --skip-conflicts: rename what has no conflict
  TagEdits edits;                  // the fields given to `tags set`
  std::uint64_t runId = 0;         // undo --run/--to: the run to undo; 0 the newest left
  bool undoWithNewer = false;      // undo --to: the newer runs not yet undone go back too
  bool dryRun = false;             // --dry-run: `tags from-name` only shows the fields
};

struct ParseResult {
  Arguments args;
  std::string error;  // UTF-8, one line; empty when the command line is usable
};

ParseResult ParseArguments(int argc, const char* const* argv);

// The help text of a command (kNone: the program's own), UTF-8.
const char* HelpText(Command command);

}  // namespace tessarn::cli
