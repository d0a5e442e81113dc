// The filter dialog "过滤设置": removes the entries whose name matches an extension
// or holds a piece of text ("删除"), or those that do not ("保留"). The matching
// and removal are the core's ApplyFilter; the dialog reads its controls, shows the
// core's refusals and tells the main window when the list has changed.
#pragma once

#include <QDialog>
#include <QMessageBox>
#include <functional>

#include "core/filelist/list_pruning.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tessarn {

class FilterDialog : public QDialog {
  Q_OBJECT
 public:
  using MessageFn = std::function<QMessageBox::StandardButton(
      QWidget* owner, QMessageBox::Icon icon, const QString& title, const QString& text,
      QMessageBox::StandardButtons buttons)>;

  // `afterFilter` runs after every filter that was carried out (the main window
  // refreshes its status bar and toolbar there).
  FilterDialog(FileList& list, std::function<void()> afterFilter, QWidget* parent = nullptr);

  // Tests answer the message boxes themselves.
  void SetMessageFn(MessageFn message) { message_ = std::move(message); }

  // The options as the controls hold them now.
  FilterOptions ReadOptions() const;

 private:
  void BuildControls();
  void SelectMatchBy(bool byExtension);
  void ApplyFilter();

  FileList& list_;
  std::function<void()> afterFilter_;
  MessageFn message_;

  QComboBox* operation_ = nullptr;
  QRadioButton* byExtension_ = nullptr;
  QComboBox* extension_ = nullptr;
  QRadioButton* byText_ = nullptr;
  QLineEdit* text_ = nullptr;
  QCheckBox* closeAfter_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
};

}  // namespace tessarn
