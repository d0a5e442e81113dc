#include "core/rules/preview_pass.h"

#include <algorithm>

#include "core/rules/case_rule.h"
#include "core/rules/insert_rule.h"
#include "core/rules/numbering_rule.h"
#include "core/rules/regex_replace.h"
#include "core/rules/replace_rule.h"
#include "core/rules/tag_template_rule.h"

namespace tessarn {

SplitNameResult SplitName(const std::string& name) {
  // "." is ASCII and never a trail byte of a GBK or GB18030 character, so a byte
  // search from the end finds the real last dot.
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) return {name, std::string()};
  return {name.substr(0, dot), name.substr(dot)};
}

void ComputeNewNames(FileList& list, const NamingOptions& options, std::size_t count,
                     TagCache* tags) {
  count = std::min(count, list.count());
  switch (options.page) {
    case OptionPage::kNumbering:
      ApplyNumberingRule(list, options, count);
      break;
    case OptionPage::kReplace:
      ApplyReplaceRule(list, options, count);
      break;
    case OptionPage::kInsert:
      ApplyInsertRule(list, options, count);
      break;
    case OptionPage::kCase:
      ApplyCaseRule(list, options, count);
      break;
    case OptionPage::kMp3:
      // The tag rule always covers the whole list.
      ApplyTagTemplateRule(list, options, tags);
      break;
  }
}

std::size_t PreviewPass(FileList& list, const NamingOptions& options, const AppSettings& settings,
                        bool allRows, TagCache* tags) {
  if (!settings.autoPreview) return 0;  // also for the explicit "预览" command
  const std::size_t total = list.count();
  std::size_t n = total;
  if (!allRows && !settings.previewAll && options.page != OptionPage::kMp3) {
    const std::size_t limit =
        settings.previewCount > 0 ? static_cast<std::size_t>(settings.previewCount) : 0;
    n = std::min(total, limit);
  }
  if (total == 0) return 0;
  // A pattern that does not compile changes no row; the window shows why.
  if (!RegexPatternError(options).empty()) return 0;
  ComputeNewNames(list, options, n, tags);
  // Also empties the rows after the preview that still show names of an earlier pass.
  RefreshRows(list, kRefreshNewName, 0, static_cast<long long>(n) - 1, "");
  return n;
}

}  // namespace tessarn
