#include "ui/file_list_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <algorithm>

namespace tessarn {

FileListView::FileListView(QWidget* parent) : QTreeView(parent) {
  setObjectName(QString::fromUtf8("显示超级列表框"));
  setRootIsDecorated(false);
  setItemsExpandable(false);
  // Every row has the same height, so that 100,000 rows scroll without measuring.
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setContextMenuPolicy(Qt::CustomContextMenu);
  setTextElideMode(Qt::ElideRight);
  header()->setStretchLastSection(false);
  header()->setSectionsMovable(false);
}

int FileListView::CurrentRow() const {
  if (!selectionModel()) return -1;
  int first = -1;
  for (const QItemSelectionRange& r : selectionModel()->selection())
    if (first < 0 || r.top() < first) first = r.top();
  return first;
}

std::vector<std::size_t> FileListView::SelectedRows() const {
  std::vector<std::size_t> rows;
  if (!selectionModel()) return rows;
  for (const QItemSelectionRange& r : selectionModel()->selection())
    for (int row = r.top(); row <= r.bottom(); ++row) rows.push_back(static_cast<std::size_t>(row));
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

void FileListView::SelectAllRows() {
  if (!model() || model()->rowCount() == 0) return;
  // One range for all rows: the same outcome as selecting them one by one.
  const QItemSelection all(model()->index(0, 0),
                           model()->index(model()->rowCount() - 1, model()->columnCount() - 1));
  selectionModel()->select(all, QItemSelectionModel::Select);
}

void FileListView::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeView::mouseDoubleClickEvent(event);
  emit doubleClickedAnywhere();
}

void FileListView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete) {
    emit deleteKeyPressed();
    return;
  }
  if (event->key() == Qt::Key_A) {
    // Exactly Ctrl: Ctrl+Shift+A and the like select nothing.
    if ((event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) SelectAllRows();
    if (event->modifiers() & Qt::ControlModifier) return;
  }
  QTreeView::keyPressEvent(event);
}

}  // namespace tessarn
