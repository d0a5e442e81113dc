#include "core/rules/replace_rule.h"

#include <algorithm>
#include <optional>

#include "core/rules/preview_pass.h"
#include "core/rules/regex_replace.h"
#include "core/text/gb_text.h"

namespace tessarn {
namespace {

// True when find occurs at byte i of text (i being a character start) and the
// occurrence ends on a character boundary of text.
bool MatchesAt(std::string_view text, std::size_t i, std::string_view find, bool caseSensitive) {
  if (find.size() > text.size() - i) return false;
  const std::string_view candidate = text.substr(i, find.size());
  if (caseSensitive ? candidate != find : !EqualsIgnoreAsciiCase(candidate, find)) return false;
  const std::size_t end = i + find.size();
  std::size_t j = i;
  while (j < end) j += CharLenAt(text, j);
  return j == end;
}

}  // namespace

std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view with,
                       long long start, bool caseSensitive) {
  if (find.empty() || start > static_cast<long long>(text.size())) return std::string(text);
  const std::size_t from = start > 1 ? static_cast<std::size_t>(start - 1) : 0;
  // Matching starts at the first character boundary at or after `from`.
  std::size_t i = 0;
  while (i < from) i += CharLenAt(text, i);
  std::string out(text.substr(0, i));
  while (i < text.size()) {
    if (MatchesAt(text, i, find, caseSensitive)) {
      out += with;
      i += find.size();
    } else {
      const std::size_t len = CharLenAt(text, i);
      out += text.substr(i, len);
      i += len;
    }
  }
  return out;
}

void ApplyReplaceRule(FileList& list, const NamingOptions& options, std::size_t count,
                      std::size_t first) {
  count = std::min(count, list.count());
  const ReplaceScope scope = options.replaceScope;
  const bool mains = scope == ReplaceScope::kFileNameOnly || scope == ReplaceScope::kAll;
  const bool extensions = scope == ReplaceScope::kExtensionOnly || scope == ReplaceScope::kAll;
  std::optional<RegexReplacer> regex;
  if (options.regex) {
    regex.emplace(options.findText, options.replaceWith, options.caseSensitive);
    // A pattern that does not compile leaves the new names as they were.
    if (!regex->error().empty()) return;
  }
  for (std::size_t i = first; i < count; ++i) {
    FileEntry& entry = list.entries[i];
    SplitNameResult split = SplitName(entry.oldName);
    bool gaveUp = false;
    if (mains)
      split.mainName = regex ? regex->ReplaceAll(split.mainName, &gaveUp)
                             : ReplaceAll(split.mainName, options.findText, options.replaceWith, 1,
                                          options.caseSensitive);
    if (extensions) {
      // After the extension's dot: the dot itself is never replaced, and a pattern's
      // "^" stands for the first character after it.
      if (regex && !split.extension.empty())
        split.extension =
            "." + regex->ReplaceAll(std::string_view(split.extension).substr(1), &gaveUp);
      else if (!regex)
        split.extension = ReplaceAll(split.extension, options.findText, options.replaceWith, 2,
                                     options.caseSensitive);
      // A dot with nothing after it goes too ('report.x' less "x", or 'readme.').
      if (split.extension == ".") split.extension.clear();
    }
    if (gaveUp) {
      // A name the pattern could not be matched against within its limit keeps its
      // name, and says why.
      entry.newName = entry.oldName;
      entry.nameReason = RenameReason::kRegexLimit;
      continue;
    }
    entry.newName = split.mainName + split.extension;
  }
}

}  // namespace tessarn
