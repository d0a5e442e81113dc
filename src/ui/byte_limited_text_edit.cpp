#include "ui/byte_limited_text_edit.h"

#include <QTextCursor>

#include "ui/byte_limit_validator.h"

namespace tessarn {

ByteLimitedTextEdit::ByteLimitedTextEdit(int maxBytes, QWidget* parent, ByteMeasure measure)
    : QPlainTextEdit(parent), maxBytes_(maxBytes), measure_(std::move(measure)) {
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setTabChangesFocus(true);
  if (maxBytes_ >= 0) connect(this, &QPlainTextEdit::textChanged, this, [this] { EnforceLimit(); });
}

void ByteLimitedTextEdit::setText(const QString& text) {
  enforcing_ = true;
  setPlainText(text);
  current_ = toPlainText();
  enforcing_ = false;
}

// Runs after every change; an edit that overflows the box loses the characters it
// inserted, from their end, until the box fits again.
void ByteLimitedTextEdit::EnforceLimit() {
  if (enforcing_) return;
  const QString edited = toPlainText();
  int cursor = textCursor().position();
  const QString fitted = LimitEdit(current_, edited, maxBytes_, cursor, measure_);
  current_ = fitted;
  if (fitted == edited) return;
  enforcing_ = true;
  setPlainText(fitted);
  QTextCursor c = textCursor();
  c.setPosition(cursor);
  setTextCursor(c);
  enforcing_ = false;
}

}  // namespace tessarn
