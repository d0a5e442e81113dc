#include "core/rules/case_rule.h"

#include <algorithm>

#include "core/rules/preview_pass.h"
#include "core/rules/rule_unit.h"

namespace tessarn {

bool IsAsciiLetter(std::string_view character) {
  return character.size() == 1 && IsAsciiLetter(character.front());
}

std::string ChangeFirstLetter(std::string_view text, bool toUpper) {
  std::string out(text);
  for (std::size_t i = 0; i < out.size();) {
    const std::size_t len = CharLenAt(out, i);
    if (IsAsciiLetter(std::string_view(out).substr(i, len))) {
      out[i] = toUpper ? AsciiUpper(out[i]) : AsciiLower(out[i]);
      break;
    }
    i += len;
  }
  return out;
}

std::string ApplyCase(std::string_view part, CaseRule rule) {
  switch (rule) {
    case CaseRule::kAllUpper:
      return ToAsciiUpper(part);
    case CaseRule::kAllLower:
      return ToAsciiLower(part);
    case CaseRule::kFirstUpper:
      return ChangeFirstLetter(part, true);
    case CaseRule::kFirstLower:
      return ChangeFirstLetter(part, false);
  }
  return std::string(part);
}

namespace {

// ApplyCase appended to `out`: a pass writes each name straight into its entry.
void AppendCase(std::string& out, std::string_view part, CaseRule rule) {
  const std::size_t start = out.size();
  out.append(part);
  const bool all = rule == CaseRule::kAllUpper || rule == CaseRule::kAllLower;
  const bool upper = rule == CaseRule::kAllUpper || rule == CaseRule::kFirstUpper;
  for (std::size_t i = start; i < out.size();) {
    const std::size_t len = CharLenAt(out, i);
    if (len == 1 && IsAsciiLetter(out[i])) {
      out[i] = upper ? AsciiUpper(out[i]) : AsciiLower(out[i]);
      if (!all) break;
    }
    i += len;
  }
}

}  // namespace

void ApplyCaseRule(FileList& list, const CaseOptions& options, std::size_t count,
                   std::size_t first, NameSource source) {
  count = std::min(count, list.count());
  NameReader names(source);
  for (std::size_t i = first; i < count; ++i) {
    FileEntry& entry = list.entries[i];
    const std::string_view name = names.Take(entry);
    const std::size_t dot = name.rfind('.');
    const std::size_t split = dot == std::string_view::npos ? name.size() : dot;
    std::string& out = entry.newName;
    out.clear();
    // The extension's leading "." is no letter: the first-letter choices reach past it.
    AppendCase(out, name.substr(0, split), options.nameCase);
    AppendCase(out, name.substr(split), options.extCase);
  }
}

namespace {

constexpr std::pair<const char*, CaseRule> kCaseWords[] = {{"upper", CaseRule::kAllUpper},
                                                           {"lower", CaseRule::kAllLower},
                                                           {"first-upper", CaseRule::kFirstUpper},
                                                           {"first-lower", CaseRule::kFirstLower}};

const char* SetCase(CaseRule& field, const std::string& value, const char* error) {
  return PickWord(value, kCaseWords, field) ? nullptr : error;
}

}  // namespace

const RuleUnit& CaseRuleUnit() {
  static const RuleUnit unit{
      OptionPage::kCase,
      "case",
      "大小写",
      {
          {"name-case", "upper|lower|first-upper|first-lower", "文件名（默认 upper）",
           [](NamingOptions& o, std::string&& v) {
             return SetCase(o.nameCase, v,
                            "--name-case 只能是 upper、lower、first-upper 或 first-lower");
           },
           [](const NamingOptions& o) { return WordOf(kCaseWords, o.nameCase); }},
          {"ext-case", "upper|lower|first-upper|first-lower", "扩展名（默认 upper）",
           [](NamingOptions& o, std::string&& v) {
             return SetCase(o.extCase, v,
                            "--ext-case 只能是 upper、lower、first-upper 或 first-lower");
           },
           [](const NamingOptions& o) { return WordOf(kCaseWords, o.extCase); }},
      },
      [](FileList& list, const NamingOptions& o, NameSource source, TagCache*, std::size_t first,
         std::size_t end) { ApplyCaseRule(list, o, end, first, source); },
  };
  return unit;
}

}  // namespace tessarn
