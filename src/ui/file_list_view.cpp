#include "ui/file_list_view.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QStyledItemDelegate>
#include <QTimer>
#include <algorithm>
#include <array>

namespace tessarn {
namespace {

// Cells drawn without the focus frame a table puts on its current cell: the list
// shows rows, and the current row is shown by its selection, as in a report list.
class RowCellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    option->state &= ~QStyle::State_HasFocus;
  }
};

}  // namespace

FileListView::FileListView(QWidget* parent) : QTableView(parent) {
  setObjectName(QString::fromUtf8("显示超级列表框"));
  // A plain report list: no grid, no row numbers, one line per row, Tab leaves it.
  setShowGrid(false);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  setTabKeyNavigation(false);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setContextMenuPolicy(Qt::CustomContextMenu);
  setTextElideMode(Qt::ElideRight);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setItemDelegate(new RowCellDelegate(this));
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  QHeaderView* columns = horizontalHeader();
  columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  columns->setHighlightSections(false);
  columns->setSectionsClickable(false);
  columns->setStretchLastSection(false);
  columns->setSectionsMovable(false);
  columns->setMinimumSectionSize(40);
  ApplyRowHeight();
  fitTimer_ = new QTimer(this);
  fitTimer_->setSingleShot(true);
  fitTimer_->setInterval(0);
  connect(fitTimer_, &QTimer::timeout, this, &FileListView::FitColumns);
  // A width that changes without this view setting it is the user's.
  connect(columns, &QHeaderView::sectionResized, this, [this] {
    if (!fitting_) columnsSetByUser_ = true;
  });
}

void FileListView::setModel(QAbstractItemModel* model) {
  QTableView::setModel(model);
  if (model == nullptr) return;
  // New texts may want other widths.
  for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
    connect(model, signal, this, &FileListView::FitColumnsSoon);
  connect(model, &QAbstractItemModel::dataChanged, this, &FileListView::FitColumnsSoon);
  connect(model, &QAbstractItemModel::modelReset, this, &FileListView::FitColumnsSoon);
  FitColumns();
}

void FileListView::RestoreColumnWidths(const std::vector<int>& widths) {
  bool any = false;
  for (std::size_t c = 0; c < widths.size() && static_cast<int>(c) < horizontalHeader()->count();
       ++c) {
    if (widths[c] <= 0) continue;
    fitting_ = true;
    horizontalHeader()->resizeSection(static_cast<int>(c), widths[c]);
    fitting_ = false;
    any = true;
  }
  if (any) columnsSetByUser_ = true;
}

void FileListView::resizeEvent(QResizeEvent* event) {
  QTableView::resizeEvent(event);
  FitColumns();
}

void FileListView::FitColumnsSoon() {
  if (!columnsSetByUser_) fitTimer_->start();
}

void FileListView::FitColumns() {
  QHeaderView* columns = horizontalHeader();
  if (columnsSetByUser_ || model() == nullptr || columns->count() < 3) return;
  // Columns 3 on fit their texts (the shown rows' and the header's); 0 to 2, the
  // names and the folder, share what is left in the proportions 3 : 3 : 4.
  const int count = columns->count();
  std::vector<int> widths(static_cast<std::size_t>(count), 0);
  int fitted = 0;
  for (int c = 3; c < count; ++c) {
    const int w = std::max(columns->sectionSizeHint(c), sizeHintForColumn(c));
    widths[static_cast<std::size_t>(c)] = w;
    fitted += w;
  }
  constexpr std::array<int, 3> kShares = {3, 3, 4};
  constexpr int kShareTotal = 10;
  const int rest = std::max(viewport()->width() - fitted, 0);
  for (int c = 0; c < 3; ++c)
    widths[static_cast<std::size_t>(c)] =
        std::max(columns->minimumSectionSize() * 2, rest * kShares[static_cast<std::size_t>(c)] / kShareTotal);
  fitting_ = true;
  for (int c = 0; c < count; ++c)
    if (columns->sectionSize(c) != widths[static_cast<std::size_t>(c)])
      columns->resizeSection(c, widths[static_cast<std::size_t>(c)]);
  fitting_ = false;
}

int FileListView::RowHeight() const {
  // As the delegate measures a cell, without a cell to measure: the list may be
  // empty, and a height taken from one row would differ with that row's icon. The
  // sample text has a Chinese character, whose font may be taller than the Latin.
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  option.features |= QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
  option.text = QString::fromUtf8("Xg中");
  option.decorationSize = QSize(16, 16);
  const QSize cell = style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this);
  return std::max(cell.height(), 16);
}

void FileListView::ApplyRowHeight() {
  const int height = RowHeight();
  verticalHeader()->setMinimumSectionSize(height);
  verticalHeader()->setDefaultSectionSize(height);
}

void FileListView::changeEvent(QEvent* event) {
  QTableView::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) ApplyRowHeight();
}

QModelIndex FileListView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
  switch (action) {
    case MoveHome:
    case MoveEnd: {
      // Home and End go to the first and last row, in the current column (which
      // type-ahead searches), not to the row's first and last column.
      const QModelIndex row = QTableView::moveCursor(action, modifiers | Qt::ControlModifier);
      const int column = currentIndex().isValid() ? currentIndex().column() : 0;
      return row.isValid() ? model()->index(row.row(), column) : row;
    }
    case MoveLeft:
    case MoveRight:
      // Rows are selected whole: Left and Right scroll the columns instead.
      horizontalScrollBar()->triggerAction(action == MoveLeft
                                               ? QAbstractSlider::SliderSingleStepSub
                                               : QAbstractSlider::SliderSingleStepAdd);
      return currentIndex();
    default:
      return QTableView::moveCursor(action, modifiers);
  }
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
  QTableView::mouseDoubleClickEvent(event);
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
  QTableView::keyPressEvent(event);
}

}  // namespace tessarn
