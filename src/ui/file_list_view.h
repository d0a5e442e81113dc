// The report view "显示超级列表框": five columns, whole rows selected, several at
// once. It turns its double clicks and keys into requests the main window handles.
#pragma once

#include <QTreeView>
#include <vector>

namespace tessarn {

class FileListView : public QTreeView {
  Q_OBJECT
 public:
  explicit FileListView(QWidget* parent = nullptr);

  // The first selected row, or -1.
  int CurrentRow() const;
  // Every selected row, in ascending order.
  std::vector<std::size_t> SelectedRows() const;
  void SelectAllRows();

 signals:
  void doubleClickedAnywhere();
  void deleteKeyPressed();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace tessarn
