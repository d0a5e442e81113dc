// The tab page "元数据": a template box naming files from what is inside them, a
// placeholder picker beside it, the extension's case, and a line that says what
// is wrong with the template while it does not parse.
#pragma once

#include <QWidget>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace tessarn {

class MetadataPage : public QWidget {
  Q_OBJECT
 public:
  explicit MetadataPage(QWidget* parent = nullptr);

  std::string TemplateText() const;  // GB18030
  bool LowerExtension() const;

  QLineEdit* templateBox() const { return template_; }
  QToolButton* picker() const { return picker_; }

 signals:
  // An option changed: a preview pass is due.
  void passRequested();

 private:
  void OnTemplateChanged();
  void InsertPlaceholder(const char* key);

  QLineEdit* template_;
  QToolButton* picker_;
  QCheckBox* lowerExtension_;
  QLabel* problem_;
};

}  // namespace tessarn
