#include "core/rules/preview_pass.h"

#include <algorithm>

#include "core/rules/case_rule.h"
#include "core/rules/insert_rule.h"
#include "core/rules/metadata_rule.h"
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

bool ReadsFiles(OptionPage page) { return page == OptionPage::kMp3 || page == OptionPage::kMeta; }

namespace {

// New names of entries first..end-1 by the page's rule set.
void ComputeNewNamesOf(FileList& list, const NamingOptions& options, std::size_t first,
                       std::size_t end, TagCache* tags, MetadataCache* meta) {
  switch (options.page) {
    case OptionPage::kNumbering:
      ApplyNumberingRule(list, options, end, first);
      break;
    case OptionPage::kReplace:
      ApplyReplaceRule(list, options, end, first);
      break;
    case OptionPage::kInsert:
      ApplyInsertRule(list, options, end, first);
      break;
    case OptionPage::kCase:
      ApplyCaseRule(list, options, end, first);
      break;
    case OptionPage::kMp3:
      ApplyTagTemplateRule(list, options, tags, first, end);
      break;
    case OptionPage::kMeta:
      ApplyMetadataRule(list, options, meta, first, end);
      break;
  }
}

}  // namespace

void ComputeNewNames(FileList& list, const NamingOptions& options, std::size_t count,
                     TagCache* tags, MetadataCache* meta) {
  ComputeNewNamesOf(list, options, 0, std::min(count, list.count()), tags, meta);
}

bool PreviewRowCount(const FileList& list, const NamingOptions& options,
                     const AppSettings& settings, bool allRows, std::size_t& rows) {
  rows = 0;
  if (!settings.autoPreview) return false;  // also for the explicit "预览" command
  const std::size_t total = list.count();
  rows = total;
  if (!allRows && !settings.previewAll && !ReadsFiles(options.page)) {
    const std::size_t limit =
        settings.previewCount > 0 ? static_cast<std::size_t>(settings.previewCount) : 0;
    rows = std::min(total, limit);
  }
  if (total == 0) return false;
  // A pattern that does not compile changes no row; the window shows why.
  return RegexPatternError(options).empty();
}

std::size_t PreviewPass(FileList& list, const NamingOptions& options, const AppSettings& settings,
                        bool allRows, TagCache* tags, MetadataCache* meta) {
  std::size_t n = 0;
  if (!PreviewRowCount(list, options, settings, allRows, n)) return 0;
  ComputeNewNames(list, options, n, tags, meta);
  // Also empties the rows after the preview that still show names of an earlier pass.
  RefreshRows(list, kRefreshNewName, 0, static_cast<long long>(n) - 1, "");
  return n;
}

bool SlicedPreview::Worthwhile(const NamingOptions& options, std::size_t rows) {
  // The text rules take well under a microsecond a row; reading a file's tags takes
  // some microseconds from the page cache and milliseconds from a disk.
  return rows >= (ReadsFiles(options.page) ? 1000 : 20000);
}

std::size_t SlicedPreview::SliceRows() const {
  return ReadsFiles(options_.page) ? 32 : 2048;
}

std::size_t SlicedPreview::Step(FileList& list, std::size_t count, TagCache* tags,
                                 MetadataCache* meta) {
  // Rows that left the list meanwhile are not waited for.
  rows_ = std::min(rows_, list.count());
  if (Done()) return done_;
  if (done_ == 0)
    // The statuses of a run go at the start, as the whole pass clears them.
    RefreshRows(list, 0, 0, static_cast<long long>(rows_) - 1, "");
  const std::size_t first = done_;
  std::size_t end = std::min(rows_, first + std::max<std::size_t>(count, 1));
  ComputeNewNamesOf(list, options_, first, end, tags, meta);
  done_ = end;
  if (Done()) {
    // The last slice also empties stale names after the preview, as the pass does.
    RefreshRows(list, kRefreshNewName, static_cast<long long>(first),
                static_cast<long long>(end) - 1, "");
    return done_;
  }
  // Not RefreshRows: its last step would walk on through the rows still to come.
  end = std::min(end, list.RowCount());
  for (std::size_t r = first; r < end; ++r)
    list.SetCellText(r, kNewNameColumn, list.entries[r].newName);
  if (first < end) list.NotifyRowsChanged(first, end - 1);
  return done_;
}

}  // namespace tessarn
