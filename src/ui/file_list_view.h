// The report view "显示超级列表框": five columns, whole rows selected, several at
// once. It turns its double clicks and keys into requests the main window handles.
//
// A table, not a tree: a tree keeps an item of its own for every row (about 40
// bytes, 40 MB at a million rows), a table only its vertical header's size of each
// row. Every row has the one height RowHeight(), so that a million rows scroll
// without measuring any.
#pragma once

#include <QTableView>
#include <vector>

class QTimer;

class QHeaderView;

namespace tessarn {

class FileListView : public QTableView {
  Q_OBJECT
 public:
  explicit FileListView(QWidget* parent = nullptr);

  // The column headers.
  QHeaderView* header() const { return horizontalHeader(); }
  // Public in every other item view.
  using QTableView::sizeHintForRow;
  // The height of every row: the style's height of a cell with a line of text and
  // a 16-pixel status icon, in the view's font.
  int RowHeight() const;

  // The first selected row, or -1.
  int CurrentRow() const;
  // Every selected row, in ascending order.
  std::vector<std::size_t> SelectedRows() const;
  void SelectAllRows();

  // Column widths. Until the user drags a column's edge (or widths set by the user
  // are restored) the columns share the view's width: the name and folder columns
  // stretch, the status, tag-status and note columns fit their texts.
  bool ColumnsSetByUser() const { return columnsSetByUser_; }
  // Widths the user set in an earlier session; 0 keeps a column's width.
  void RestoreColumnWidths(const std::vector<int>& widths);
  void setModel(QAbstractItemModel* model) override;

 signals:
  void doubleClickedAnywhere();
  void deleteKeyPressed();

 protected:
  void changeEvent(QEvent* event) override;
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ApplyRowHeight();
  // Shares the width out again, soon: many changes in a row fit once.
  void FitColumnsSoon();
  void FitColumns();

  bool columnsSetByUser_ = false;
  bool fitting_ = false;  // the widths are being set here, not by the user
  QTimer* fitTimer_ = nullptr;
};

}  // namespace tessarn
