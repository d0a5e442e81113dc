#include "core/rules/case_rule.h"

#include <algorithm>

#include "core/rules/preview_pass.h"

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

void ApplyCaseRule(FileList& list, const NamingOptions& options, std::size_t count,
                   std::size_t first) {
  count = std::min(count, list.count());
  for (std::size_t i = first; i < count; ++i) {
    FileEntry& entry = list.entries[i];
    const SplitNameResult split = SplitName(entry.oldName);
    // The extension's leading "." is no letter: the first-letter choices reach past it.
    entry.newName =
        ApplyCase(split.mainName, options.nameCase) + ApplyCase(split.extension, options.extCase);
  }
}

}  // namespace tessarn
