// The ordered list of files the user collected, and the rows the list view shows.
// Entries hold the data; rows hold what is shown. They are kept apart on purpose:
// column 1 shows the new name as last shown, which is not always `newName`.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/filelist/rename_reason.h"

namespace tessarn {

inline constexpr int kColumnCount = 5;
enum Column {
  kOldNameColumn = 0,
  kNewNameColumn = 1,
  kFolderColumn = 2,
  kStatusColumn = 3,
  kTagStatusColumn = 4
};
// Status icons of column 3.
inline constexpr int kNoIcon = -1;
inline constexpr int kSuccessIcon = 0;  // green ball
inline constexpr int kFailureIcon = 1;  // red ball

struct EntryStatus {
  std::string text;
  int icon = kNoIcon;
  RenameReason reason = RenameReason::kNone;  // why it failed, when it did
  int error = 0;                              // the errno behind a kOther reason
};

struct FileEntry {
  std::string oldName;  // GB18030, decoded from diskName, no folder part
  std::string newName;  // last computed by the rules; empty until computed
  std::string folder;   // GB18030 text of the folder, always ending with "/"
  EntryStatus status;
  std::string tagStatus;
  std::string tagReason;  // why the last tag write failed: the tag-status cell's tooltip
  std::string undoName;  // GB18030 name before the last run renamed it; empty otherwise
  // The file as it is on disk, byte-exact, for every file operation.
  std::string diskFolder;  // ends with "/"
  std::string diskName;
  std::string diskUndoName;  // on-disk bytes of undoName

  std::string DiskPath() const { return diskFolder + diskName; }
};

// Why a row did not (or would not) get its name: the status cell's tooltip, and
// for a conflict found by the preview the failure colour of the new-name cell.
struct RowMark {
  RenameReason reason = RenameReason::kNone;
  int error = 0;
  bool conflict = false;
  bool operator==(const RowMark&) const = default;
};

// A shown row. Its folder cell is an index into the list's table of folder texts:
// a folder's text is kept once per list, not once per row. Read the cells with
// FileList::CellText.
struct ShownRow {
  std::array<std::string, kColumnCount - 1> texts;  // every column but the folder's
  std::uint32_t folder = 0;                         // index into the folder texts
  int icon = kNoIcon;                               // icon of column 3
  RowMark mark;
};

// Told about every change of the shown rows, so that a view can follow with
// per-range refreshes. Structural changes come in Begin/End pairs.
class RowListener {
 public:
  virtual ~RowListener() = default;
  virtual void BeginAppendRows(std::size_t first, std::size_t last) = 0;
  virtual void EndAppendRows() = 0;
  virtual void BeginRemoveRows(std::size_t first, std::size_t last) = 0;
  virtual void EndRemoveRows() = 0;
  virtual void RowsChanged(std::size_t first, std::size_t last) = 0;
  // Many scattered rows leave at once (a filter): everything may have changed.
  virtual void BeginResetRows() = 0;
  virtual void EndResetRows() = 0;
};

class FileList {
 public:
  std::vector<FileEntry> entries;

  std::size_t count() const { return entries.size(); }
  std::size_t RowCount() const { return rows_.size(); }
  const ShownRow& Row(std::size_t row) const { return rows_[row]; }

  void SetListener(RowListener* listener) { listener_ = listener; }

  // Cell writes; a row that does not exist is ignored. They do not notify: the
  // operation that writes a range calls NotifyRowsChanged once for it.
  void SetCellText(std::size_t row, int column, const std::string& text);
  void SetCellIcon(std::size_t row, int icon);
  void SetRowMark(std::size_t row, const RowMark& mark);
  const std::string& CellText(std::size_t row, int column) const;
  void NotifyRowsChanged(std::size_t first, std::size_t last);

  // Appends one row per entry first..last (entries must already exist), column 0
  // holding the entry's oldName.
  void AppendRows(std::size_t first, std::size_t last);
  // Removes entries and their rows [first, last] together.
  void RemoveRange(std::size_t first, std::size_t last);
  // Removes the entries and rows at the given indices, best sorted ascending
  // (duplicates and indices past the end are ignored). A few ranges go one by one from the end;
  // many scattered ones are compacted in one pass and told as a reset. Returns the
  // number removed.
  std::size_t RemoveRows(const std::vector<std::size_t>& sortedIndices);
  void Clear();

 private:
  // The index of a folder text in folderTexts_, added when new. Texts stay until
  // the list is cleared: a list holds few folders.
  std::uint32_t InternFolder(const std::string& text);

  std::vector<ShownRow> rows_;
  // Index 0: no folder shown. A deque: a new folder must not move the texts that
  // CellText handed out.
  std::deque<std::string> folderTexts_{std::string()};
  std::unordered_map<std::string, std::uint32_t> folderIndex_;
  std::uint32_t lastFolder_ = 0;  // rows come in runs of one folder
  RowListener* listener_ = nullptr;
};

// Bits of RefreshRows' `what`.
inline constexpr int kRefreshAppend = 1;
inline constexpr int kRefreshNewName = 2;
inline constexpr int kRefreshFolder = 4;

// Brings the shown rows up to date with the entries in five steps: clear every
// status (rows and entries) when row 0 shows one; append rows (bit 1); fill new
// names (bit 2); fill folders (bit 4); empty stale new names after `last` up to
// the first empty cell.
// `last` < `first` (an empty range, e.g. last = -1) runs only steps 1 and 5.
void RefreshRows(FileList& list, int what, long long first, long long last,
                 const std::string& folder);

// The texts of status-bar panes 0 and 2.
std::string CountPaneText(std::size_t count);
std::string PreviewPaneText(bool autoPreview);

}  // namespace tessarn
