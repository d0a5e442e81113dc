#include "core/filelist/file_list.h"

#include <utility>

#include "core/filelist/memory_hints.h"
#include "core/text/encoding.h"

namespace tessarn {

EntryTexts& EntryTexts::operator=(const EntryTexts& other) {
  if (this == &other) return *this;
  status = other.status;
  tagStatus = other.tagStatus;
  tagReason = other.tagReason;
  undoName = other.undoName;
  // A reference to the other block's undo name would outlive it: refer to ours.
  if (other.DiskUndoNameIsUndoName())
    diskUndoName.share(undoName.str());
  else
    diskUndoName = other.diskUndoName;
  return *this;
}

std::uint32_t FileList::InternDiskFolder(const std::string& diskFolder) {
  if (folders_[lastDiskFolder_].disk == diskFolder) return lastDiskFolder_;
  const auto found = folderByDisk_.find(diskFolder);
  if (found != folderByDisk_.end()) return lastDiskFolder_ = found->second;
  return InternDiskFolder(diskFolder, DecodeDiskName(diskFolder));
}

std::uint32_t FileList::InternDiskFolder(const std::string& diskFolder, const std::string& text) {
  if (folders_[lastDiskFolder_].disk == diskFolder) return lastDiskFolder_;
  const auto [it, added] =
      folderByDisk_.try_emplace(diskFolder, static_cast<std::uint32_t>(folders_.size()));
  if (added) {
    folders_.push_back(ListFolder{diskFolder, text});
    folderByText_.try_emplace(text, it->second);
  }
  return lastDiskFolder_ = it->second;
}

std::uint32_t FileList::InternFolderText(const std::string& text) {
  if (folders_[lastTextFolder_].text == text) return lastTextFolder_;
  const auto [it, added] =
      folderByText_.try_emplace(text, static_cast<std::uint32_t>(folders_.size()));
  // Shown only: no entry's folder, so not in folderByDisk_.
  if (added) folders_.push_back(ListFolder{std::string(), text});
  return lastTextFolder_ = it->second;
}

FileEntry& FileList::AppendEntry(const std::string& diskFolder, std::string diskName) {
  FileEntry& entry = entries.emplace_back();
  entry.folder = InternDiskFolder(diskFolder);
  std::string name = DecodeDiskName(diskName);
  entry.SetNames(std::move(diskName), std::move(name));
  return entry;
}

void FileList::AppendNamesFrom(const FileList& from, std::size_t last) {
  last = std::min(last, from.count());
  for (std::size_t i = entries.size(); i < last; ++i) {
    const FileEntry& e = from.entries[i];
    FileEntry& c = entries.emplace_back();
    c.oldName = e.oldName;
    c.newName = e.newName;
    c.folder = InternDiskFolder(from.DiskFolder(e), from.FolderText(e));
    c.SetDiskName(std::string_view(e.DiskName()));
    // A row the metadata rule could not name says why in its tag status, which the
    // plan reads (only for an empty new name).
    if (e.newName.empty() && !e.texts().tagStatus.str().empty())
      c.SetText(&EntryTexts::tagStatus, e.texts().tagStatus.str());
  }
}

EntryBatch FileList::TakeEntries() {
  EntryBatch batch;
  batch.entries = std::exchange(entries, {});
  // Only the folders the entries use go along, renumbered from 0.
  std::unordered_map<std::uint32_t, std::uint32_t> renumbered;
  std::uint32_t lastFrom = UINT32_MAX, lastTo = 0;
  for (FileEntry& entry : batch.entries) {
    if (entry.folder != lastFrom) {
      lastFrom = entry.folder;
      const auto [it, added] =
          renumbered.try_emplace(entry.folder, static_cast<std::uint32_t>(batch.folders.size()));
      if (added) batch.folders.push_back(folders_[entry.folder]);
      lastTo = it->second;
    }
    entry.folder = lastTo;
  }
  return batch;
}

void FileList::AppendBatch(EntryBatch&& batch) {
  std::vector<std::uint32_t> here(batch.folders.size());
  for (std::size_t k = 0; k < batch.folders.size(); ++k)
    here[k] = InternDiskFolder(batch.folders[k].disk, batch.folders[k].text);
  for (FileEntry& entry : batch.entries) {
    entry.folder = here[entry.folder];
    entries.push_back(std::move(entry));
  }
}

void FileList::SetCellText(std::size_t row, int column, const std::string& text) {
  if (row >= rows_.size() || column < 0 || column >= kColumnCount) return;
  ShownRow& shown = rows_[row];
  // An empty text makes no block of texts for a row that has none.
  auto set = [&](SparseText ShownRow::Texts::*field) { shown.texts_.SetText(field, text); };
  switch (column) {
    case kOldNameColumn:
      // The same text as the entry's is not kept twice.
      shown.ownOldName = row >= entries.size() || text != entries[row].oldName;
      if (shown.ownOldName)
        (shown.texts_.edit().oldName).assign(std::string_view(text));
      else if (ShownRow::Texts* texts = shown.texts_.existing())
        texts->oldName.reset();
      break;
    case kNewNameColumn:
      set(&ShownRow::Texts::newName);
      break;
    case kFolderColumn:
      shown.folder = InternFolderText(text);
      break;
    case kStatusColumn:
      // The same text as the entry's status is not kept twice.
      shown.entryStatus =
          !text.empty() && row < entries.size() && text == entries[row].texts().status;
      if (shown.entryStatus) {
        if (ShownRow::Texts* texts = shown.texts_.existing()) texts->status.clear();
      } else {
        set(&ShownRow::Texts::status);
      }
      break;
    case kTagStatusColumn:
      set(&ShownRow::Texts::tagStatus);
      break;
  }
}

void FileList::SetCellIcon(std::size_t row, int icon) {
  if (row >= rows_.size()) return;
  rows_[row].icon = static_cast<std::int8_t>(icon);
}

void FileList::SetRowMark(std::size_t row, const RowMark& mark) {
  if (row >= rows_.size()) return;
  rows_[row].mark = mark;
}

const std::string& FileList::CellText(std::size_t row, int column) const {
  static const std::string kEmpty;
  if (row >= rows_.size()) return kEmpty;
  const ShownRow& shown = rows_[row];
  const ShownRow::Texts& texts = shown.texts_.get();
  switch (column) {
    case kOldNameColumn:
      if (shown.ownOldName) return texts.oldName;
      return row < entries.size() ? entries[row].oldName : kEmpty;
    case kNewNameColumn:
      return texts.newName;
    case kFolderColumn:
      return folders_[shown.folder].text;
    case kStatusColumn:
      if (shown.entryStatus)
        return row < entries.size() ? entries[row].texts().status.str() : kEmpty;
      return texts.status;
    case kTagStatusColumn:
      return texts.tagStatus;
  }
  return kEmpty;
}

void FileList::NotifyRowsChanged(std::size_t first, std::size_t last) {
  if (listener_ == nullptr || rows_.empty() || first > last || first >= rows_.size()) return;
  if (last >= rows_.size()) last = rows_.size() - 1;
  listener_->RowsChanged(first, last);
}

void FileList::AppendRows(std::size_t first, std::size_t last) {
  if (first > last || last >= entries.size()) return;
  const std::size_t firstRow = rows_.size();
  const std::size_t lastRow = firstRow + (last - first);
  if (listener_) listener_->BeginAppendRows(firstRow, lastRow);
  // Grow by at least half: adding many small folders one after the other must not
  // copy every row at every addition.
  GrowWithHugePages(rows_, rows_.size() + (last - first + 1));
  for (std::size_t i = first; i <= last; ++i) {
    ShownRow& row = rows_.emplace_back();
    // A row shows the entry of its own index: one appended for another entry (rows
    // behind their entries) keeps a copy.
    if (rows_.size() - 1 != i) {
      row.ownOldName = true;
      row.texts_.edit().oldName = entries[i].oldName;
    }
  }
  if (listener_) listener_->EndAppendRows();
}

void FileList::RemoveRange(std::size_t first, std::size_t last) {
  if (first > last || first >= entries.size()) return;
  if (last >= entries.size()) last = entries.size() - 1;
  if (listener_) listener_->BeginRemoveRows(first, last);
  entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(first),
                entries.begin() + static_cast<std::ptrdiff_t>(last) + 1);
  if (first < rows_.size()) {
    const std::size_t rowLast = std::min(last, rows_.size() - 1);
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(first),
                rows_.begin() + static_cast<std::ptrdiff_t>(rowLast) + 1);
  }
  if (listener_) listener_->EndRemoveRows();
}

std::size_t FileList::RemoveRows(const std::vector<std::size_t>& sortedIndices) {
  // A selection handed over unsorted still removes exactly the rows it names.
  std::vector<std::size_t> sortedCopy;
  const std::vector<std::size_t>* indices = &sortedIndices;
  if (!std::is_sorted(sortedIndices.begin(), sortedIndices.end())) {
    sortedCopy = sortedIndices;
    std::sort(sortedCopy.begin(), sortedCopy.end());
    indices = &sortedCopy;
  }
  // Contiguous ranges [first, last] of existing entries, in ascending order.
  std::vector<std::pair<std::size_t, std::size_t>> ranges;
  for (std::size_t index : *indices) {
    if (index >= entries.size()) break;
    if (!ranges.empty() && index <= ranges.back().second) continue;  // duplicate
    if (!ranges.empty() && index == ranges.back().second + 1)
      ranges.back().second = index;
    else
      ranges.emplace_back(index, index);
  }
  std::size_t removed = 0;
  for (const auto& [first, last] : ranges) removed += last - first + 1;
  // Erasing from the end moves only the entries after each range; with a handful
  // of ranges that is cheap and lets a view keep its scroll position and selection.
  constexpr std::size_t kMaxRangesOneByOne = 16;
  if (ranges.size() <= kMaxRangesOneByOne) {
    for (auto it = ranges.rbegin(); it != ranges.rend(); ++it) RemoveRange(it->first, it->second);
    return removed;
  }
  if (listener_) listener_->BeginResetRows();
  std::size_t out = ranges.front().first;
  std::size_t next = 0;  // the range to skip next
  for (std::size_t in = out; in < entries.size(); ++in) {
    if (next < ranges.size() && in >= ranges[next].first) {
      in = ranges[next].second;
      ++next;
      continue;
    }
    if (in < rows_.size() && out < rows_.size()) rows_[out] = std::move(rows_[in]);
    entries[out++] = std::move(entries[in]);
  }
  std::size_t removedRows = 0;
  for (const auto& [first, last] : ranges)
    if (first < rows_.size()) removedRows += std::min(last, rows_.size() - 1) - first + 1;
  entries.resize(out);
  rows_.resize(rows_.size() - removedRows);
  if (listener_) listener_->EndResetRows();
  return removed;
}

void FileList::Clear() {
  if (entries.empty() && rows_.empty()) return;
  const std::size_t n = std::max(entries.size(), rows_.size());
  if (listener_) listener_->BeginRemoveRows(0, n - 1);
  entries.clear();
  rows_.clear();
  folders_.resize(1);
  folderByDisk_ = {{std::string(), 0}};
  folderByText_ = {{std::string(), 0}};
  lastDiskFolder_ = lastTextFolder_ = 0;
  if (listener_) listener_->EndRemoveRows();
}

void RefreshRows(FileList& list, int what, long long first, long long last,
                 const std::string& folder) {
  const long long rowCount = static_cast<long long>(list.RowCount());
  // 1. Only row 0 is tested: a run writes a status into every row it reaches.
  if (rowCount > 0 && !list.CellText(0, kStatusColumn).empty()) {
    for (long long r = 0; r < rowCount; ++r) {
      list.SetCellText(r, kStatusColumn, "");
      list.SetCellIcon(r, kNoIcon);
      list.SetRowMark(r, RowMark{});
    }
    // The entries' copies of what column 3 showed go with it.
    for (FileEntry& entry : list.entries) entry.ClearStatus();
    list.NotifyRowsChanged(0, rowCount - 1);
  }
  const long long entryCount = static_cast<long long>(list.count());
  const long long lo = std::max(first, 0LL);
  // 2. Append rows.
  if ((what & kRefreshAppend) && lo <= last && last < entryCount)
    list.AppendRows(static_cast<std::size_t>(lo), static_cast<std::size_t>(last));
  // 3. and 4. New names and folders, separate passes over the range.
  if (what & (kRefreshNewName | kRefreshFolder)) {
    const long long hi = std::min(last, static_cast<long long>(list.RowCount()) - 1);
    if (what & kRefreshNewName)
      for (long long r = lo; r <= hi; ++r)
        list.SetCellText(r, kNewNameColumn,
                         r < entryCount ? list.entries[r].newName : std::string());
    if (what & kRefreshFolder)
      for (long long r = lo; r <= hi; ++r) list.SetCellText(r, kFolderColumn, folder);
    if (lo <= hi) list.NotifyRowsChanged(lo, hi);
  }
  // 5. Empty stale new names after the range, up to the first empty cell.
  long long r = std::max(last + 1, 0LL);
  const long long walkStart = r;
  while (r < static_cast<long long>(list.RowCount()) && !list.CellText(r, kNewNameColumn).empty()) {
    list.SetCellText(r, kNewNameColumn, "");
    ++r;
  }
  if (r > walkStart) list.NotifyRowsChanged(walkStart, r - 1);
}

std::string CountPaneText(std::size_t count) {
  static const std::string kFiles = Gb("个文件");
  return std::to_string(count) + kFiles;
}

std::string PreviewPaneText(bool autoPreview) {
  static const std::string kOn = Gb("自动预览－开");
  static const std::string kOff = Gb("自动预览－关");
  return autoPreview ? kOn : kOff;
}

}  // namespace tessarn
