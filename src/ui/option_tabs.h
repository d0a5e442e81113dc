// The tab control "选择夹" with the six option pages. It owns every option control,
// reads them into NamingOptions, keeps their enabling rules, and asks for a preview
// pass (passRequested) whenever an option changes.
#pragma once

#include <QTabWidget>
#include <string>

#include "core/rules/naming_options.h"
#include "core/settings/app_settings.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tessarn {

class MetadataPage;
class NumberBox;

class OptionTabs : public QTabWidget {
  Q_OBJECT
 public:
  // `settings` is the process-wide record: the clear button switches its
  // autoPreview off while it empties the boxes.
  OptionTabs(AppSettings& settings, QWidget* parent = nullptr);

  NamingOptions ReadNamingOptions() const;

  // Colours and enabling of the two groups of page "常规" for a scope.
  void ApplyNumberingScope(NumberingScope scope);

  // Controls reached by the main window and the tests.
  QLineEdit* templateBox() const { return templateBox_; }
  MetadataPage* metadataPage() const { return metadataPage_; }

 signals:
  // A preview pass with allRows off is due.
  void passRequested();
  // "从文件名写入标签" was pressed.
  void nameTagsRequested();

 private:
  QWidget* BuildNumberingPage();
  QWidget* BuildReplacePage();
  QWidget* BuildInsertPage();
  QWidget* BuildCasePage();
  QWidget* BuildMp3Page();
  void BindSharedHandlers();

  // Handlers.
  void OnNamePrefixChanged();  // shared by the edit-box group (tags 1-11)
  void OnNameOnlyClicked();    // shared by the radio group (tags 20-29)
  void OnScopeClicked(NumberingScope scope);
  void OnClear();
  void OnKeepSameClicked();
  void OnNameInsertTextChanged();
  void OnInsertModeClicked();
  void OnTemplateChanged();
  void OnPresetChosen(int index);
  void OnPlaceholderButton(QAbstractButton* button);

  AppSettings& settings_;

  // Page "常规".
  QRadioButton* scopeName_;
  QRadioButton* scopeExt_;
  QRadioButton* scopeAll_;
  NumberBox* startValue_;
  NumberBox* increment_;
  QPushButton* clearButton_;
  QGroupBox* nameGroup_;
  QLabel* nameLabels_[4];
  QLineEdit* namePrefix_;
  QLineEdit* mainName_;
  NumberBox* nameDigits_;
  QLineEdit* nameSuffix_;
  QGroupBox* extGroup_;
  QLabel* extLabels_[4];
  QLineEdit* extPrefix_;
  QLineEdit* newExtension_;
  NumberBox* extDigits_;
  QLineEdit* extSuffix_;

  // Page "替换/删除".
  QLineEdit* findText_;
  QLineEdit* replaceWith_;
  QRadioButton* replaceNameOnly_;
  QRadioButton* replaceExtOnly_;
  QRadioButton* replaceAll_;
  QCheckBox* caseSensitive_;
  QCheckBox* regex_;

  // Page "插入".
  QLineEdit* nameInsertText_;
  QLabel* extInsertLabel_;
  QLineEdit* extInsertText_;
  QCheckBox* keepSame_;
  QRadioButton* nameInsertAtPos_;
  QRadioButton* nameInsertAtEnd_;
  NumberBox* nameInsertPos_;
  QRadioButton* extInsertAtPos_;
  QRadioButton* extInsertAtEnd_;
  NumberBox* extInsertPos_;

  // Page "大小写": all upper, all lower, first upper, first lower.
  QRadioButton* nameCase_[4];
  QRadioButton* extCase_[4];

  // Page "MP3标签".
  QComboBox* presets_;
  QRadioButton* v1First_;
  QRadioButton* v2First_;
  QLineEdit* templateBox_;
  QLineEdit* referenceBox_;
  QPushButton* nameTags_;

  // Page "元数据".
  MetadataPage* metadataPage_;
};

}  // namespace tessarn
