#include "ui/file_list_model.h"

#include "core/tagedit/tag_run.h"
#include "ui/gb_qt.h"
#include "ui/painted_icons.h"

namespace tessarn {

FileListModel::FileListModel(FileList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list) {
  list_.SetListener(this);
}

FileListModel::~FileListModel() { list_.SetListener(nullptr); }

int FileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(list_.RowCount());
}

int FileListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || static_cast<std::size_t>(index.row()) >= list_.RowCount())
    return QVariant();
  const ShownRow& row = list_.Row(static_cast<std::size_t>(index.row()));
  // Why the row failed, or would fail: on the status cell, and on the new name the
  // preview marks as in conflict.
  const bool markedCell =
      row.mark.reason != RenameReason::kNone &&
      (index.column() == kStatusColumn || (index.column() == kNewNameColumn && row.mark.conflict));
  if (role == Qt::ToolTipRole && markedCell) return FromGb(ReasonText(row.mark.reason, row.mark.error));
  // Why a tag write failed, on the tag-status cell that says so.
  if (role == Qt::ToolTipRole && index.column() == kTagStatusColumn &&
      static_cast<std::size_t>(index.row()) < list_.count()) {
    const FileEntry& entry = list_.entries[static_cast<std::size_t>(index.row())];
    const EntryTexts& t = entry.texts();
    if (t.tagStatus == TagFailedStatusText() && !t.tagReason.empty() &&
        list_.CellText(static_cast<std::size_t>(index.row()), kTagStatusColumn) == t.tagStatus)
      return FromGb(t.tagReason);
  }
  if (role == Qt::ForegroundRole && index.column() == kNewNameColumn && row.mark.conflict)
    return FailureColour();
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
    const std::string& text = list_.CellText(static_cast<std::size_t>(index.row()), index.column());
    if (text.empty()) return QVariant();
    return FromGb(text);
  }
  if (role == Qt::DecorationRole && index.column() == kStatusColumn && row.icon != kNoIcon)
    return StatusIcon(row.icon);
  return QVariant();
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QVariant();
  static const char* const kHeaders[kColumnCount] = {"旧文件名", "新文件名", "路径", "命名状态",
                                                     "MP3标签状态"};
  if (section < 0 || section >= kColumnCount) return QVariant();
  return QString::fromUtf8(kHeaders[section]);
}

void FileListModel::BeginAppendRows(std::size_t first, std::size_t last) {
  beginInsertRows(QModelIndex(), static_cast<int>(first), static_cast<int>(last));
}

void FileListModel::EndAppendRows() { endInsertRows(); }

// The list may remove entries that have no row yet (entries are added first and
// shown afterwards); only the part that the view knows is passed on.
void FileListModel::BeginRemoveRows(std::size_t first, std::size_t last) {
  const std::size_t rows = list_.RowCount();
  removing_ = first < rows && first <= last;
  if (!removing_) return;
  if (last >= rows) last = rows - 1;
  beginRemoveRows(QModelIndex(), static_cast<int>(first), static_cast<int>(last));
}

void FileListModel::EndRemoveRows() {
  if (removing_) endRemoveRows();
  removing_ = false;
}

void FileListModel::RowsChanged(std::size_t first, std::size_t last) {
  emit dataChanged(index(static_cast<int>(first), 0),
                   index(static_cast<int>(last), kColumnCount - 1));
}

void FileListModel::BeginResetRows() { beginResetModel(); }

void FileListModel::EndResetRows() { endResetModel(); }

}  // namespace tessarn
