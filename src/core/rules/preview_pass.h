// The dispatcher to the rule set of the shown page, and the preview pass that runs
// after every option change.
#pragma once

#include <cstddef>

#include "core/filelist/file_list.h"
#include "core/rules/naming_options.h"
#include "core/settings/app_settings.h"

namespace tessarn {

class TagCache;

// A name split at its last "." into main name and extension (the dot included).
struct SplitNameResult {
  std::string mainName;
  std::string extension;
};
SplitNameResult SplitName(const std::string& name);

// Sets newName of entries 0..count-1 by the rule set of options.page (the MP3 rule
// covers every entry). `tags` may be null: the MP3 rule then reads without a cache.
void ComputeNewNames(FileList& list, const NamingOptions& options, std::size_t count,
                     TagCache* tags);

// Shows new names for the current options: nothing while autoPreview is off; the
// first previewCount rows (a negative count counts as 0), or all rows when allRows,
// previewAll or the MP3 page says so. Returns the number of rows computed.
std::size_t PreviewPass(FileList& list, const NamingOptions& options, const AppSettings& settings,
                        bool allRows, TagCache* tags);

// Whether PreviewPass would do anything, and if so over how many rows (`rows`,
// which may be 0: the pass then only empties stale names).
bool PreviewRowCount(const FileList& list, const NamingOptions& options,
                     const AppSettings& settings, bool allRows, std::size_t& rows);

// The preview of many rows cut into slices, so that a window can keep answering
// between them and drop the rest when the options change again. Done slice by
// slice it leaves the entries and rows exactly as one PreviewPass over the same
// rows does. The MP3 page reads every file's tags and is not cut: its first slice
// is the whole pass.
class SlicedPreview {
 public:
  SlicedPreview(const NamingOptions& options, std::size_t rows) : options_(options), rows_(rows) {}
  // Computes and shows the next `count` rows (at least one). Returns the rows done.
  std::size_t Step(FileList& list, std::size_t count, TagCache* tags);
  bool Done() const { return done_ >= rows_; }
  std::size_t done() const { return done_; }
  std::size_t rows() const { return rows_; }

 private:
  NamingOptions options_;
  std::size_t rows_;
  std::size_t done_ = 0;
};

}  // namespace tessarn
