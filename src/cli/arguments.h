// The command line of tessarn-cli: which command, its options and its paths. Every
// option, the rule units' included, is in one table (CliOptions) from which both
// the parser and the help texts are made.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/filelist/list_sort.h"
#include "core/rules/naming_options.h"
#include "core/rules/rule_unit.h"
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
  kTagsConvert,
  kPresets,
  kPresetsList,
  kPresetsDelete
};

struct Arguments {
  Command command = Command::kNone;
  bool help = false;  // --help: print the command's help and stop
  bool json = false;
  // The rule options of preview and rename: the one step's, or, with several steps
  // (--then), the first step's with the whole chain attached.
  NamingOptions options;
  bool rulesGiven = false;         // some rule option or --page was given
  std::vector<std::string> paths;  // as given, raw bytes (presets delete: the name)
  bool recursive = false;          // --recursive, -r: folders with their subfolders
  bool hidden = false;             // --hidden: hidden subfolders too
  bool v1 = false;                 // --v1
  bool v2 = false;                 // --v2
  bool skipConflicts = false;      // --skip-conflicts: rename what has no conflict
  bool fixEncoding = false;        // --fix-encoding: GBK names the rule leaves alone become UTF-8
  TagEdits edits;                  // the fields given to `tags set`
  std::uint64_t runId = 0;         // undo --run/--to: the run to undo; 0 the newest left
  bool undoWithNewer = false;      // undo --to: the newer runs not yet undone go back too
  bool dryRun = false;             // --dry-run: `tags from-name` only shows the fields
  std::string presetName;          // --preset NAME (UTF-8)
  std::string presetFile;          // --preset-file PATH (raw bytes)
  std::string savePreset;          // --save-preset NAME (UTF-8), preview only
  SortKey sort = SortKey::kAdded;  // --sort
  bool reverse = false;            // --reverse
};

struct ParseResult {
  Arguments args;
  std::string error;  // UTF-8, one line; empty when the command line is usable
};

ParseResult ParseArguments(int argc, const char* const* argv);

// One option of the table. A rule option (`rule` set) belongs to its unit's page;
// the others apply to Arguments through `apply`.
struct CliOption {
  const char* name;   // without the leading "--"
  const char* value;  // what the value is, for the help; nullptr: takes no value
  const char* help;   // UTF-8
  unsigned groups;    // which commands accept it (see AcceptsOption)
  const char* (*apply)(Arguments&, std::string&&) = nullptr;
  const RuleUnit* unit = nullptr;
  const RuleOption* rule = nullptr;
};

// Every option the program knows, in the order the help lists them.
const std::vector<CliOption>& CliOptions();
bool AcceptsOption(Command command, const CliOption& option);
// The commands, for help texts and for anything generated from the table.
const std::vector<Command>& AllCommands();
const char* CommandName(Command command);

// The help text of a command (kNone: the program's own), UTF-8.
const char* HelpText(Command command);

}  // namespace tessarn::cli
