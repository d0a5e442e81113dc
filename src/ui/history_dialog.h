// "撤消历史": the runs of the undo history, newest first, and a button that undoes
// the newest run not yet undone (runs go back newest first, so that is the only
// one offered). The undo itself is the window's, which shows its question and
// summary and lets the list follow.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QPushButton;
class QTreeWidget;

namespace tessarn {

class HistoryDialog : public QDialog {
  Q_OBJECT
 public:
  // `undoNewest` undoes the newest run left (after asking); the list is read again
  // afterwards.
  HistoryDialog(std::string stateDirectory, std::function<void()> undoNewest,
                QWidget* parent = nullptr);
  // Reads the history again into the list.
  void Reload();

 private:
  std::string stateDirectory_;
  std::function<void()> undoNewest_;
  QTreeWidget* runs_ = nullptr;
  QPushButton* undo_ = nullptr;
};

}  // namespace tessarn
