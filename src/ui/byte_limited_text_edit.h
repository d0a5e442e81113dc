// A several-line text box with a vertical scroll bar whose content may be limited to
// a number of GB18030 bytes, like the one-line boxes that carry a ByteLimitValidator.
#pragma once

#include <QPlainTextEdit>

namespace tessarn {

class ByteLimitedTextEdit : public QPlainTextEdit {
  Q_OBJECT
 public:
  // maxBytes < 0: no limit.
  explicit ByteLimitedTextEdit(int maxBytes = -1, QWidget* parent = nullptr);

  QString text() const { return toPlainText(); }
  // Sets the text, cut to the limit (from its end).
  void setText(const QString& text);
  int maxBytes() const { return maxBytes_; }

 private:
  void EnforceLimit();

  int maxBytes_;
  bool enforcing_ = false;
};

}  // namespace tessarn
