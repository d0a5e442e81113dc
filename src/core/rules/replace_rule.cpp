#include "core/rules/replace_rule.h"

#include <algorithm>
#include <optional>

#include "core/rules/preview_pass.h"
#include "core/rules/regex_replace.h"
#include "core/rules/rule_unit.h"
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

namespace {

// ReplaceAll appended to `out`.
void AppendReplaced(std::string& out, std::string_view text, std::string_view find,
                    std::string_view with, long long start, bool caseSensitive) {
  if (find.empty() || start > static_cast<long long>(text.size())) {
    out.append(text);
    return;
  }
  const std::size_t from = start > 1 ? static_cast<std::size_t>(start - 1) : 0;
  // Matching starts at the first character boundary at or after `from`.
  std::size_t i = 0;
  while (i < from) i += CharLenAt(text, i);
  out.append(text.substr(0, i));
  std::size_t copied = i;  // text before this is in out
  while (i < text.size()) {
    if (MatchesAt(text, i, find, caseSensitive)) {
      out.append(text.substr(copied, i - copied));
      out.append(with);
      i += find.size();
      copied = i;
    } else {
      i += CharLenAt(text, i);
    }
  }
  out.append(text.substr(copied));
}

}  // namespace

std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view with,
                       long long start, bool caseSensitive) {
  std::string out;
  AppendReplaced(out, text, find, with, start, caseSensitive);
  return out;
}

void ApplyReplaceRule(FileList& list, const ReplaceOptions& options, std::size_t count,
                      std::size_t first, NameSource source) {
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
  NameReader names(source);
  if (!regex) {
    // The literal find: each name written straight into its entry.
    for (std::size_t i = first; i < count; ++i) {
      FileEntry& entry = list.entries[i];
      const std::string_view name = names.Take(entry);
      const std::size_t dot = name.rfind('.');
      const std::size_t split = dot == std::string_view::npos ? name.size() : dot;
      std::string& out = entry.newName;
      out.clear();
      const std::string_view main = name.substr(0, split), extension = name.substr(split);
      if (mains)
        AppendReplaced(out, main, options.findText, options.replaceWith, 1, options.caseSensitive);
      else
        out.append(main);
      const std::size_t extStart = out.size();
      if (extensions)
        AppendReplaced(out, extension, options.findText, options.replaceWith, 2,
                       options.caseSensitive);
      else
        out.append(extension);
      // A dot with nothing after it goes too ('report.x' less "x", or 'readme.').
      if (extensions && out.size() == extStart + 1 && out[extStart] == '.') out.pop_back();
    }
    return;
  }
  for (std::size_t i = first; i < count; ++i) {
    FileEntry& entry = list.entries[i];
    SplitNameResult split = SplitName(std::string(names.Take(entry)));
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

namespace {

constexpr std::pair<const char*, ReplaceScope> kScopeWords[] = {
    {"name", ReplaceScope::kFileNameOnly},
    {"ext", ReplaceScope::kExtensionOnly},
    {"all", ReplaceScope::kAll}};

}  // namespace

const RuleUnit& ReplaceRuleUnit() {
  static const RuleUnit unit{
      OptionPage::kReplace,
      "replace",
      "替换/删除",
      {
          {"find", "文本", "查找内容",
           [](NamingOptions& o, std::string&& v) -> const char* {
             o.findText = std::move(v);
             return nullptr;
           },
           [](const NamingOptions& o) { return o.findText; }},
          {"replace-with", "文本", "替换为（为空时表示删除查找内容）",
           [](NamingOptions& o, std::string&& v) -> const char* {
             o.replaceWith = std::move(v);
             return nullptr;
           },
           [](const NamingOptions& o) { return o.replaceWith; }},
          {"replace-scope", "name|ext|all", "应用于仅文件名、仅扩展名或全部（默认 name）",
           [](NamingOptions& o, std::string&& v) -> const char* {
             return PickWord(v, kScopeWords, o.replaceScope)
                        ? nullptr
                        : "--replace-scope 只能是 name、ext 或 all";
           },
           [](const NamingOptions& o) { return WordOf(kScopeWords, o.replaceScope); }},
          {"case-sensitive", nullptr, "区分大小写",
           [](NamingOptions& o, std::string&& v) {
             return SetSwitch(o.caseSensitive, v, "--case-sensitive 只能是 true 或 false");
           },
           [](const NamingOptions& o) { return SwitchText(o.caseSensitive); }},
          {"regex", nullptr,
           "查找内容是正则表达式（PCRE2）；替换为中可用 $0–$9、${名称}，$$ 表示 $；"
           "表达式有误时为用法错误",
           [](NamingOptions& o, std::string&& v) {
             return SetSwitch(o.regex, v, "--regex 只能是 true 或 false");
           },
           [](const NamingOptions& o) { return SwitchText(o.regex); }},
      },
      [](FileList& list, const NamingOptions& o, NameSource source, TagCache*, std::size_t first,
         std::size_t end) { ApplyReplaceRule(list, o, end, first, source); },
  };
  return unit;
}

}  // namespace tessarn
