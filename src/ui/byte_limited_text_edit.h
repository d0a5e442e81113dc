// A several-line text box with a vertical scroll bar whose content may be limited to
// a number of GB18030 bytes, with the same rule as ByteLimitedLineEdit: the limit
// holds the user's edits; setText puts the program's text in whole.
#pragma once

#include <QPlainTextEdit>

#include "ui/byte_limit_validator.h"

namespace tessarn {

class ByteLimitedTextEdit : public QPlainTextEdit {
  Q_OBJECT
 public:
  // maxBytes < 0: no limit. `measure` counts the bytes (GbByteLength when empty).
  explicit ByteLimitedTextEdit(int maxBytes = -1, QWidget* parent = nullptr,
                               ByteMeasure measure = {});

  QString text() const { return toPlainText(); }
  void setText(const QString& text);
  int maxBytes() const { return maxBytes_; }

 private:
  void EnforceLimit();

  int maxBytes_;
  ByteMeasure measure_;
  bool enforcing_ = false;
  QString current_;  // the text after the last change
};

}  // namespace tessarn
