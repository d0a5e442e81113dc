// The dispatcher to the rule set of the shown page, and the preview pass that runs
// after every option change.
#pragma once

#include <cstddef>

#include "core/filelist/file_list.h"
#include "core/rules/naming_options.h"
#include "core/settings/app_settings.h"

namespace tessarn {

class TagCache;
class MetadataCache;

// A name split at its last "." into main name and extension (the dot included).
struct SplitNameResult {
  std::string mainName;
  std::string extension;
};
SplitNameResult SplitName(const std::string& name);

// Whether the page's rule reads every listed file (the MP3 and metadata pages):
// its passes then cover every row, in small slices when there are many.
bool ReadsFiles(OptionPage page);

// Sets newName of entries 0..count-1 by the rule set of options.page (the MP3 rule
// covers every entry). `tags` and `meta` may be null: the MP3 and metadata rules
// then read without a cache.
void ComputeNewNames(FileList& list, const NamingOptions& options, std::size_t count,
                     TagCache* tags, MetadataCache* meta = nullptr);

// Shows new names for the current options: nothing while autoPreview is off; the
// first previewCount rows (a negative count counts as 0), or all rows when allRows,
// previewAll or a page that reads the files says so. Returns the number of rows computed.
std::size_t PreviewPass(FileList& list, const NamingOptions& options, const AppSettings& settings,
                        bool allRows, TagCache* tags, MetadataCache* meta = nullptr);

// Whether PreviewPass would do anything, and if so over how many rows (`rows`,
// which may be 0: the pass then only empties stale names).
bool PreviewRowCount(const FileList& list, const NamingOptions& options,
                     const AppSettings& settings, bool allRows, std::size_t& rows);

// The preview of many rows cut into slices, so that a window can keep answering
// between them and drop the rest when the options change again. Done slice by
// slice it leaves the entries and rows exactly as one PreviewPass over the same
// rows does.
class SlicedPreview {
 public:
  SlicedPreview(const NamingOptions& options, std::size_t rows) : options_(options), rows_(rows) {}
  // Whether a preview of `rows` rows on the options' page is worth cutting into
  // slices: a few milliseconds' work is done at once.
  static bool Worthwhile(const NamingOptions& options, std::size_t rows);
  // The rows of one slice: a few thousand names by the text rules, a few dozen
  // files on the MP3 page, whose every row reads a file (from a slow disk, a few
  // milliseconds each).
  std::size_t SliceRows() const;
  // Computes and shows the next `count` rows (at least one). Returns the rows done.
  std::size_t Step(FileList& list, std::size_t count, TagCache* tags,
                   MetadataCache* meta = nullptr);
  bool Done() const { return done_ >= rows_; }
  std::size_t done() const { return done_; }
  std::size_t rows() const { return rows_; }

 private:
  NamingOptions options_;
  std::size_t rows_;
  std::size_t done_ = 0;
};

}  // namespace tessarn
