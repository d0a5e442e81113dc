// The rule set of page "替换/删除": find and replace (or delete) a text in the main
// name and/or the extension, each searched on its own so no match spans the last dot.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/filelist/file_list.h"
#include "core/rules/name_source.h"

namespace tessarn {

struct RuleUnit;

enum class ReplaceScope { kFileNameOnly, kExtensionOnly, kAll };

// The options of page "替换/删除".
struct ReplaceOptions {
  std::string findText;
  std::string replaceWith;
  ReplaceScope replaceScope = ReplaceScope::kFileNameOnly;
  bool caseSensitive = false;
  bool regex = false;  // the find text is a regular expression ("正则表达式")
};

// Sets newName of entries first..count-1 from their name by `source`. With
// options.regex the find text is a regular expression (see regex_replace.h); one
// that does not compile leaves every newName as it was.
void ApplyReplaceRule(FileList& list, const ReplaceOptions& options, std::size_t count,
                      std::size_t first = 0, NameSource source = NameSource::kOldName);

const RuleUnit& ReplaceRuleUnit();

// Replaces every occurrence of find at or after the 1-based byte position start,
// left to right, without overlaps and without rescanning what was put in. A match
// begins and ends on character boundaries. Without caseSensitive the ASCII letters
// match regardless of case. An empty find, or a start beyond the end, changes nothing.
std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view with,
                       long long start, bool caseSensitive);

}  // namespace tessarn
