// The main window's sorting of the list: a header click sorts by its column (names
// and folders in natural order), a second click the other way, a third puts back
// the order of adding; the pop-up menu adds size and modification time and moves
// the selected rows up and down, as Ctrl+Up and Ctrl+Down do.
#include <QAction>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>

#include "ui/file_list_model.h"
#include "ui/file_list_view.h"
#include "ui/main_window.h"
#include "ui/option_tabs.h"

namespace tessarn {
namespace {

// The sort key of each column; the status columns do not sort.
SortKey KeyOfColumn(int column) {
  switch (column) {
    case kOldNameColumn:
      return SortKey::kName;
    case kNewNameColumn:
      return SortKey::kNewName;
    case kFolderColumn:
      return SortKey::kPath;
    default:
      return SortKey::kAdded;
  }
}

}  // namespace

void MainWindow::SetUpListSorting() {
  QHeaderView* header = view_->header();
  header->setSectionsClickable(true);
  connect(header, &QHeaderView::sectionClicked, this, &MainWindow::SortByColumn);

  auto* sortMenu = new QMenu(QString::fromUtf8("排序(&T)"), contextMenu_);
  sortMenu_ = sortMenu;
  sortMenu->setObjectName(QStringLiteral("sortMenu"));
  struct Item {
    const char* text;
    const char* name;
    SortKey key;
    bool descending;
  } items[] = {
      {"按文件名", "sortByNameAction", SortKey::kName, false},
      {"按路径", "sortByPathAction", SortKey::kPath, false},
      {"按大小（从小到大）", "sortBySizeAction", SortKey::kSize, false},
      {"按大小（从大到小）", "sortBySizeDescendingAction", SortKey::kSize, true},
      {"按修改时间（从早到晚）", "sortByTimeAction", SortKey::kMtime, false},
      {"按修改时间（从晚到早）", "sortByTimeDescendingAction", SortKey::kMtime, true},
      {"恢复加入的顺序", "sortByAddingAction", SortKey::kAdded, false},
  };
  for (const Item& item : items) {
    QAction* a = sortMenu->addAction(QString::fromUtf8(item.text));
    a->setObjectName(QString::fromLatin1(item.name));
    const SortKey key = item.key;
    const bool descending = item.descending;
    connect(a, &QAction::triggered, this, [this, key, descending] {
      sortColumn_ = -1;
      SortList(key, descending);
    });
  }
  contextMenu_->addSeparator();
  contextMenu_->addMenu(sortMenu);

  // On the list itself, so that the keys work while it has the focus.
  const struct {
    const char* text;
    const char* name;
    QKeySequence keys;
    int by;
  } moves[] = {{"上移(&U)", "moveUpAction", QKeySequence(Qt::CTRL | Qt::Key_Up), -1},
               {"下移(&W)", "moveDownAction", QKeySequence(Qt::CTRL | Qt::Key_Down), 1}};
  for (const auto& move : moves) {
    auto* a = new QAction(QString::fromUtf8(move.text), view_);
    a->setObjectName(QString::fromLatin1(move.name));
    a->setShortcut(move.keys);
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    view_->addAction(a);
    contextMenu_->addAction(a);
    const int by = move.by;
    connect(a, &QAction::triggered, this, [this, by] { MoveSelectedRows(by); });
    (by < 0 ? moveUp_ : moveDown_) = a;
  }
}

void MainWindow::UpdateSortingActions(bool hasRows, bool hasCurrent) {
  sortMenu_->setEnabled(hasRows);
  moveUp_->setEnabled(hasCurrent);
  moveDown_->setEnabled(hasCurrent);
}

void MainWindow::SortByColumn(int column) {
  const SortKey key = KeyOfColumn(column);
  if (key == SortKey::kAdded) return;
  // Ascending, descending, then the order of adding again.
  if (sortColumn_ != column) {
    sortColumn_ = column;
    sortDescending_ = false;
  } else if (!sortDescending_) {
    sortDescending_ = true;
  } else {
    sortColumn_ = -1;
  }
  SortList(sortColumn_ < 0 ? SortKey::kAdded : key, sortDescending_);
}

void MainWindow::SortList(SortKey key, bool descending) {
  if (scanning_ || list_.count() == 0) {
    ShowSortIndicator();
    return;
  }
  tessarn::SortList(list_, key, descending);
  ShowSortIndicator();
  PreviewPass(false);
}

void MainWindow::ShowSortIndicator() {
  QHeaderView* header = view_->header();
  header->setSortIndicatorShown(sortColumn_ >= 0);
  if (sortColumn_ >= 0)
    header->setSortIndicator(sortColumn_, sortDescending_ ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void MainWindow::MoveSelectedRows(int by) {
  if (scanning_) return;
  const std::vector<std::size_t> now = MoveEntries(list_, view_->SelectedRows(), by);
  // Moved by hand, the list is in an order of its own: no column is sorted.
  sortColumn_ = -1;
  ShowSortIndicator();
  QItemSelection selection;
  for (std::size_t row : now)
    selection.select(model_->index(static_cast<int>(row), 0),
                     model_->index(static_cast<int>(row), kColumnCount - 1));
  view_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  if (!now.empty())
    view_->selectionModel()->setCurrentIndex(model_->index(static_cast<int>(now.front()), 0),
                                             QItemSelectionModel::NoUpdate);
  PreviewPass(false);
}

}  // namespace tessarn
