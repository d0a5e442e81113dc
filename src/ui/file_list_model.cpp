#include "ui/file_list_model.h"

#include "core/filelist/rename_plan.h"
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
  return parent.isValid() ? 0 : kShownColumnCount;
}

void FileListModel::SetAlertColour(const QColor& colour) {
  if (colour == alert_) return;
  alert_ = colour;
  if (list_.RowCount() > 0)
    emit dataChanged(index(0, 0), index(static_cast<int>(list_.RowCount()) - 1, kShownColumnCount - 1),
                     {Qt::ForegroundRole});
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || static_cast<std::size_t>(index.row()) >= list_.RowCount())
    return QVariant();
  const std::size_t r = static_cast<std::size_t>(index.row());
  const int column = index.column();
  const ShownRow& row = list_.Row(r);
  const RowMark& mark = row.mark;
  const bool hasReason = mark.reason != RenameReason::kNone;
  // Why the row failed, or would fail: on the status cell, on the new name the
  // preview marks as in conflict, and in the note column.
  const bool reasonCell = hasReason && (column == kStatusColumn || column == kNoteColumn ||
                                        (column == kNewNameColumn && mark.conflict));
  const bool recodedCell = mark.recoded && (column == kNewNameColumn || column == kNoteColumn);
  switch (role) {
    case Qt::DisplayRole:
      if (column == kNoteColumn) {
        if (hasReason) return FromGb(ReasonText(mark.reason, mark.error));
        if (mark.recoded) return FromGb(RecodedNoteText());
        return QVariant();
      }
      break;
    case Qt::ToolTipRole:
      if (reasonCell) return FromGb(ReasonText(mark.reason, mark.error));
      if (recodedCell) return FromGb(RecodedNoteText());
      // Why a tag write failed, on the tag-status cell that says so.
      if (column == kTagStatusColumn && r < list_.count()) {
        const EntryTexts& t = list_.entries[r].texts();
        if (t.tagStatus == TagFailedStatusText() && !t.tagReason.empty() &&
            list_.CellText(r, kTagStatusColumn) == t.tagStatus)
          return FromGb(t.tagReason);
      }
      break;
    case Qt::ForegroundRole:
      if ((column == kNewNameColumn && mark.conflict) || (column == kNoteColumn && hasReason))
        return alert_.isValid() ? alert_ : FailureColour();
      return QVariant();
    case Qt::DecorationRole:
      // Colour is not the only sign: a failing row has its icon too.
      if (column == kStatusColumn && row.outcome != RowOutcome::kNone)
        return StatusIcon(Succeeded(row.outcome) ? 0 : 1);
      if (column == kNewNameColumn && mark.conflict) return WarningIcon();
      if (column == kNewNameColumn && mark.recoded) return NoteIcon();
      return QVariant();
    default:
      return QVariant();
  }
  if (column >= kColumnCount) return QVariant();
  const std::string& text = list_.CellText(r, column);
  if (text.empty()) return QVariant();
  return FromGb(text);
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QVariant();
  static const char* const kHeaders[kShownColumnCount] = {
      "旧文件名", "新文件名", "路径", "命名状态", "MP3标签状态", "说明"};
  if (section < 0 || section >= kShownColumnCount) return QVariant();
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
                   index(static_cast<int>(last), kShownColumnCount - 1));
}

void FileListModel::BeginResetRows() { beginResetModel(); }

void FileListModel::EndResetRows() { endResetModel(); }

}  // namespace tessarn
