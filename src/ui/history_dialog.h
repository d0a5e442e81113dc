// "撤消历史": the runs of the undo history, newest first, and a button that undoes
// the selected run together with every newer run not yet undone (runs go back
// newest first). The newest run left is selected when the dialog opens. The undo
// itself is the window's, which asks its question, shows its summary and lets the
// list follow.
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <string>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace tessarn {

class HistoryDialog : public QDialog {
  Q_OBJECT
 public:
  // `undoTo` undoes the given run and the newer ones left (after asking); the list
  // is read again afterwards.
  HistoryDialog(std::string stateDirectory, std::function<void(std::uint64_t runId)> undoTo,
                QWidget* parent = nullptr);
  // Reads the history again into the list.
  void Reload();

 private:
  std::string stateDirectory_;
  std::function<void(std::uint64_t)> undoTo_;
  // The run of the selected row (0: none), and whether it has anything left.
  std::uint64_t SelectedRun(bool* left = nullptr) const;
  void UpdateButton();
  QTreeWidget* runs_ = nullptr;
  QPushButton* undo_ = nullptr;
  QLabel* total_ = nullptr;
};

}  // namespace tessarn
