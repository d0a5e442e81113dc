// The list view's model: a thin adapter over the core's shown rows. It holds no
// items of its own; the FileList tells it of every appended, removed or changed
// range, and it passes that on to the view in one signal per range.
#pragma once

#include <QAbstractTableModel>
#include <QColor>

#include "core/filelist/file_list.h"

namespace tessarn {

// The view's sixth column, after the core's five: why a row fails or will fail,
// and the encoding note of a name written anew as UTF-8. Made from the rows'
// marks as it is shown; nothing is kept for it.
inline constexpr int kNoteColumn = kColumnCount;
inline constexpr int kShownColumnCount = kColumnCount + 1;

class FileListModel : public QAbstractTableModel, public RowListener {
  Q_OBJECT
 public:
  explicit FileListModel(FileList& list, QObject* parent = nullptr);
  ~FileListModel() override;

  FileList& list() { return list_; }
  // The colour of new names that cannot be had and of the reasons (chosen against
  // the list's own colours).
  void SetAlertColour(const QColor& colour);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // RowListener
  void BeginAppendRows(std::size_t first, std::size_t last) override;
  void EndAppendRows() override;
  void BeginRemoveRows(std::size_t first, std::size_t last) override;
  void EndRemoveRows() override;
  void RowsChanged(std::size_t first, std::size_t last) override;
  void BeginResetRows() override;
  void EndResetRows() override;

 private:
  FileList& list_;
  QColor alert_;
  bool removing_ = false;  // a Begin/EndRemoveRows pair reached the view
};

}  // namespace tessarn
