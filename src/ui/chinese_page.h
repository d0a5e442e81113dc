// Page "中文" (objectName 中文选项页): which part of the name, and the four
// conversions applied in order — simplified ⇄ traditional, numerals, pinyin (with its
// tone, capitals and separator) and width.
#pragma once

#include <QWidget>

#include "core/rules/naming_options.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace tessarn {

class ChinesePage : public QWidget {
  Q_OBJECT
 public:
  explicit ChinesePage(QWidget* parent = nullptr);

  // Writes the page's choices into `options` (chinese, chineseScope).
  void Read(NamingOptions& options) const;

 signals:
  // An option changed: a preview pass is due.
  void changed();

 private:
  // The pinyin options only mean something while pinyin is chosen, the tone only
  // for full pinyin.
  void UpdateEnabling();

  QRadioButton* scopeName_;
  QRadioButton* scopeExt_;
  QRadioButton* scopeAll_;
  QComboBox* script_;
  QComboBox* numerals_;
  QComboBox* pinyin_;
  QComboBox* tone_;
  QCheckBox* capitalize_;
  QLineEdit* separator_;
  QComboBox* width_;
};

}  // namespace tessarn
