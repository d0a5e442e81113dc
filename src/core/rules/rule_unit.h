// A rule as one unit: everything the program knows of one rule set, so that the
// window, the command line and the presets all take it from here. A unit holds
//   - its key ("numbering"), the word of `--page` and of a preset's `rule=`;
//   - its page caption, in the order of the tab pages;
//   - its options, each at once a command-line option with its help and a preset
//     key with a way to read and write the value;
//   - how it computes new names, for the first rule and for a later step of a chain.
// The options' values themselves live in NamingOptions, which takes each rule's own
// options struct (declared beside the rule) as a base.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/rules/name_source.h"
#include "core/rules/naming_options.h"

namespace tessarn {

class FileList;
class TagCache;

// One option of a rule.
struct RuleOption {
  const char* name;   // `--name` on the command line and `name=` in a preset
  const char* value;  // what the value is, for the help ("文本", "name|ext|all"); nullptr: a switch
  const char* help;   // one line of help, UTF-8
  // Sets the option from its text (GB18030; a switch takes "" or "true" for on and
  // "false" for off). Returns nullptr, or why the text is not usable (UTF-8).
  const char* (*set)(NamingOptions& options, std::string&& value);
  // The option's text as `set` takes it back (a switch: "true" or "false").
  std::string (*get)(const NamingOptions& options);
  bool IsSwitch() const { return value == nullptr; }
};

struct RuleUnit {
  OptionPage page;
  const char* key;      // ASCII
  const char* caption;  // the tab page's caption, UTF-8
  std::vector<RuleOption> options;
  // Sets newName of entries [first, end) from each entry's name by `source`. Rows
  // numbered by place count from the start of the list.
  void (*apply)(FileList& list, const NamingOptions& options, NameSource source, TagCache* tags,
                std::size_t first, std::size_t end);
  // The rule reads every file on each pass (tags, metadata): the preview covers all
  // rows and is cut into small slices; a text rule's slices are large.
  bool readsFiles = false;
};

// Every rule, in the order of the tab pages (a unit's index is its OptionPage).
const std::vector<const RuleUnit*>& RuleUnits();
const RuleUnit& UnitOf(OptionPage page);
const RuleUnit* FindUnit(std::string_view key);
// The unit and the option of that name, or nullptr.
const RuleOption* FindRuleOption(const RuleUnit& unit, std::string_view name);

// Helpers for units' option tables: a word from a table of choices, and back.
template <typename E, std::size_t N>
bool PickWord(std::string_view word, const std::pair<const char*, E> (&table)[N], E& out) {
  for (const auto& [w, value] : table)
    if (word == w) {
      out = value;
      return true;
    }
  return false;
}
template <typename E, std::size_t N>
std::string WordOf(const std::pair<const char*, E> (&table)[N], E value) {
  for (const auto& [w, v] : table)
    if (v == value) return w;
  return std::string();
}
const char* SetSwitch(bool& field, const std::string& value, const char* error);
inline std::string SwitchText(bool on) { return on ? "true" : "false"; }

}  // namespace tessarn
