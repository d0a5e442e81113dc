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
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/filelist/rename_reason.h"
#include "core/filelist/sparse_text.h"

namespace tessarn {

inline constexpr int kColumnCount = 5;
enum Column {
  kOldNameColumn = 0,
  kNewNameColumn = 1,
  kFolderColumn = 2,
  kStatusColumn = 3,
  kTagStatusColumn = 4
};
// What the last run or undo did with an entry's file. The window shows it as the
// status cell's text and icon, the command line as text or JSON.
enum class RowOutcome : std::uint8_t {
  kNone,
  kRenamed,        // "更名成功"
  kRenameFailed,   // "更名失败"
  kRestored,       // "撤消成功"
  kRestoreFailed,  // "撤消失败"
};
inline bool Succeeded(RowOutcome o) { return o == RowOutcome::kRenamed || o == RowOutcome::kRestored; }
inline bool Failed(RowOutcome o) {
  return o == RowOutcome::kRenameFailed || o == RowOutcome::kRestoreFailed;
}
// The outcome's text (GB18030): "更名成功", ...; empty for kNone.
const std::string& OutcomeText(RowOutcome outcome);

struct EntryStatus {
  RowOutcome outcome = RowOutcome::kNone;     // a million entries: every byte counts
  RenameReason reason = RenameReason::kNone;  // why it failed, when it did
  std::uint8_t error = 0;                     // the errno behind a kOther reason (all below 256)
};
// An errno as EntryStatus keeps it.
inline std::uint8_t StatusError(int error) {
  return static_cast<std::uint8_t>(error > 0 && error < 256 ? error : 0);
}

// The texts of an entry that most files never get: one pointer in the entry until
// the first of them is set.
struct EntryTexts {
  SparseText tagStatus;
  SparseText tagReason;  // why the last tag write failed: the tag-status cell's tooltip
  SparseText undoName;   // GB18030 name before the last run renamed it; empty otherwise
  // On-disk bytes of undoName. Where they are the same bytes (any ASCII name) it
  // refers to undoName's own text instead of keeping a copy: change undoName only
  // through FileEntry, which keeps the two together.
  SparseText diskUndoName;

  EntryTexts() = default;
  EntryTexts(const EntryTexts& other) { *this = other; }
  EntryTexts& operator=(const EntryTexts& other);
  EntryTexts(EntryTexts&&) = delete;  // the block stays where it is; copies fix the reference
  EntryTexts& operator=(EntryTexts&&) = delete;
  bool DiskUndoNameIsUndoName() const { return &diskUndoName.str() == &undoName.str(); }
};

// One file of the list. Its folder is an index into the list's folder table (read
// it with FileList::DiskFolder / FolderText / DiskPath): a list holds few folders
// and many files. Fields most files never set are SparseTexts, a pointer each.
struct FileEntry {
  std::string oldName;  // GB18030, decoded from the disk name, no folder part
  std::string newName;  // last computed by the rules; empty until computed
  EntryStatus status;   // the outcome of the last run or undo
  // Why the rules could not name the file (no tag, a pattern that gave up): set
  // with newName, kNone when the rules made a name.
  RenameReason nameReason = RenameReason::kNone;
  std::uint32_t folder = 0;  // index into the list's folders; 0 is the empty folder

  // The texts most files never get. Reading them allocates nothing; EditTexts makes
  // the entry's block of them on first use.
  const EntryTexts& texts() const { return texts_.get(); }
  EntryTexts& EditTexts() { return texts_.edit(); }
  // Sets one of them; an empty text makes no block.
  void SetText(SparseText EntryTexts::*field, std::string_view text) {
    texts_.SetText(field, text);
  }
  // Makes one of them refer to a text that outlives the list (a run's status).
  void ShareText(SparseText EntryTexts::*field, const std::string& lasting) {
    texts_.ShareText(field, lasting);
  }
  // Keeps the present names as the undo names, as a run renames the file: oldName
  // is left empty (with the undo name's old buffer, so a second run allocates
  // nothing), the disk name as it was.
  void KeepNamesForUndo() {
    EntryTexts& t = EditTexts();
    t.undoName.swap(oldName);
    if (diskName_.empty())
      t.diskUndoName.share(t.undoName.str());
    else
      t.diskUndoName.assign(std::string_view(diskName_.str()));
  }
  // The undo names become the names again (an undo put the file back) and are
  // forgotten.
  void RestoreUndoNames() {
    EntryTexts& t = EditTexts();
    std::string disk = t.DiskUndoNameIsUndoName() ? std::string() : t.diskUndoName.take();
    t.diskUndoName.clear();
    oldName = t.undoName.take();
    if (disk.empty())
      diskName_.reset();
    else
      SetDiskName(std::move(disk));
  }
  // Forgets the undo names; their buffers stay for the next run's.
  void ClearUndoNames() {
    if (EntryTexts* t = texts_.existing()) {
      t->undoName.clear();
      t->diskUndoName.clear();
    }
  }
  // Forgets what the last run said of the entry.
  void ClearStatus() { status = EntryStatus{}; }

  // The name as it is on disk, byte-exact, for every file operation. A name whose
  // bytes decode to themselves (any ASCII name) is kept once, in oldName.
  const std::string& DiskName() const { return diskName_.empty() ? oldName : diskName_.str(); }
  // Sets both forms of the name at once: the one way to change oldName of a file
  // whose disk name matters, since an unset disk name follows oldName.
  void SetNames(std::string diskName, std::string decodedName) {
    oldName = std::move(decodedName);
    SetDiskName(std::move(diskName));
  }
  // Sets the disk name for the present oldName.
  void SetDiskName(std::string&& diskName) {
    if (diskName == oldName)
      diskName_.reset();
    else
      diskName_ = std::move(diskName);
  }
  void SetDiskName(std::string_view diskName) {
    if (diskName == oldName)
      diskName_.reset();
    else
      diskName_ = std::string(diskName);
  }

 private:
  SparseText diskName_;  // empty: the same bytes as oldName
  SparseFields<EntryTexts> texts_;
};
// A million entries: every byte counts.
static_assert(sizeof(FileEntry) <= 88);

// A folder of the list: its bytes on disk and its shown text, both ending with
// "/" (or both empty).
struct ListFolder {
  std::string disk;
  std::string text;
};

// Entries on their way from one list to another (a scan on a second thread hands
// them over): they carry the folders they point to.
struct EntryBatch {
  std::vector<FileEntry> entries;
  std::vector<ListFolder> folders;  // the entries' folder indices point here
};

// Why a row did not (or would not) get its name: the status cell's tooltip, and
// for a conflict found by the preview the failure colour of the new-name cell.
struct RowMark {
  RenameReason reason = RenameReason::kNone;
  std::uint8_t error = 0;  // an errno
  bool conflict = false;   // found by the preview: the row will not be renamed
  // The preview found the new name to be the old text, written anew as UTF-8 (the
  // old name's bytes are GBK and converting them was chosen).
  bool recoded = false;
  bool operator==(const RowMark&) const = default;
};

// A shown row: a snapshot of what the cells show, which the entries may have left
// behind. It holds only what differs from its entry: column 0 is the entry's
// oldName unless the row was given another text; the folder cell is an index into
// the list's folder table; the status cells are empty for most rows until a run.
// Read the cells with FileList::CellText.
struct ShownRow {
  std::uint32_t folder = 0;                  // column 2: index into the list's folders
  RowOutcome outcome = RowOutcome::kNone;    // column 3 (text and icon), unless it has a text of its own
  bool ownOldName = false;                   // else column 0 shows the entry's oldName
  // Column 1 shows the entry's newName, not a text of its own: a preview of every
  // row keeps no second copy of each new name.
  bool entryNewName = false;
  RowMark mark;

 private:
  friend class FileList;
  // The row's own texts, made on the first one: most rows show only their entry.
  struct Texts {
    SparseText oldName;    // column 0 when ownOldName
    SparseText newName;    // column 1 unless entryNewName: a name other than the entry's
    SparseText status;     // column 3 when set: a text other than the outcome's
    SparseText tagStatus;  // column 4
  };
  SparseFields<Texts> texts_;
};
static_assert(sizeof(ShownRow) <= 24);

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

// Whoever changes the oldName of an entry whose row is shown sets column 0 of the
// row too (SetCellText): a row that shows its entry's oldName keeps no copy of it.
// Column 3 shows the row's outcome (SetRowStatus sets the entry's and the row's):
// no row keeps a text for it.
class FileList {
 public:
  std::vector<FileEntry> entries;

  std::size_t count() const { return entries.size(); }
  std::size_t RowCount() const { return rows_.size(); }
  const ShownRow& Row(std::size_t row) const { return rows_[row]; }

  void SetListener(RowListener* listener) { listener_ = listener; }

  // The folder table, shared by entries and rows. Interning gives the index of a
  // folder, added when new; folders stay until the list is cleared.
  std::uint32_t InternDiskFolder(const std::string& diskFolder);  // text decoded from it
  std::uint32_t InternDiskFolder(const std::string& diskFolder, const std::string& text);
  const std::string& DiskFolder(const FileEntry& entry) const {
    return folders_[entry.folder].disk;
  }
  const std::string& FolderText(const FileEntry& entry) const {
    return folders_[entry.folder].text;
  }
  std::string DiskPath(const FileEntry& entry) const {
    return DiskFolder(entry) + entry.DiskName();
  }
  std::string DiskPath(std::size_t i) const { return DiskPath(entries[i]); }
  // A new entry at the end, in diskFolder (ending with "/"), its name decoded.
  FileEntry& AppendEntry(const std::string& diskFolder, std::string diskName);

  // Entries moved out with their folders, and appended to another list with the
  // folder indices translated. The list they leave keeps its folder table.
  EntryBatch TakeEntries();
  void AppendBatch(EntryBatch&& batch);
  // Copies the names of `from`'s entries [count(), last) to the end of this list
  // (old and new name, folder, disk name; no status): what a rename plan reads,
  // for a plan made on another thread while `from` stays with its own.
  void AppendNamesFrom(const FileList& from, std::size_t last);

  // Cell writes; a row that does not exist is ignored. They do not notify: the
  // operation that writes a range calls NotifyRowsChanged once for it.
  void SetCellText(std::size_t row, int column, const std::string& text);
  void SetRowOutcome(std::size_t row, RowOutcome outcome);
  void SetRowMark(std::size_t row, const RowMark& mark);
  const std::string& CellText(std::size_t row, int column) const;
  void NotifyRowsChanged(std::size_t first, std::size_t last);

  // Appends one row per entry first..last (entries must already exist), column 0
  // showing the entry's oldName.
  void AppendRows(std::size_t first, std::size_t last);
  // Removes entries and their rows [first, last] together.
  void RemoveRange(std::size_t first, std::size_t last);
  // Removes the entries and rows at the given indices, best sorted ascending
  // (duplicates and indices past the end are ignored). A few ranges go one by one from the end;
  // many scattered ones are compacted in one pass and told as a reset. Returns the
  // number removed.
  std::size_t RemoveRows(const std::vector<std::size_t>& sortedIndices);
  void Clear();
  // Puts the entries and their rows into a new order: position i takes what was at
  // order[i] (a permutation of 0..count()-1; rows follow while there is one per
  // entry). Told as a reset.
  void Reorder(const std::vector<std::uint32_t>& order);
  // Puts them back in the order they were added, entries added since last.
  void RestoreAddedOrder();
  bool InAddedOrder() const { return addedOrder_.empty(); }

 private:
  // The index of a folder shown with this text: an entry's folder of that text
  // when there is one, else a folder of the text alone.
  std::uint32_t InternFolderText(const std::string& text);

  // Extends addedOrder_ by the entries appended since it was made.
  void SyncAddedOrder();

  std::vector<ShownRow> rows_;
  // While the list is in another order than that of adding: each entry's place in
  // the order of adding (RestoreAddedOrder). Empty while the list is in that order.
  std::vector<std::uint32_t> addedOrder_;
  // Index 0: the empty folder (no folder shown). A deque: a new folder must not
  // move the texts that CellText handed out.
  std::deque<ListFolder> folders_{ListFolder{}};
  std::unordered_map<std::string, std::uint32_t> folderByDisk_{{std::string(), 0}};
  std::unordered_map<std::string, std::uint32_t> folderByText_{{std::string(), 0}};
  // Files and rows come in runs of one folder.
  std::uint32_t lastDiskFolder_ = 0;
  std::uint32_t lastTextFolder_ = 0;
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
