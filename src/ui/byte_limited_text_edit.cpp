#include "ui/byte_limited_text_edit.h"

#include <QTextCursor>

#include "ui/byte_limit_validator.h"

namespace tessarn {

ByteLimitedTextEdit::ByteLimitedTextEdit(int maxBytes, QWidget* parent)
    : QPlainTextEdit(parent), maxBytes_(maxBytes) {
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setTabChangesFocus(true);
  if (maxBytes_ >= 0) connect(this, &QPlainTextEdit::textChanged, this, [this] { EnforceLimit(); });
}

void ByteLimitedTextEdit::setText(const QString& text) {
  QString fitted = text;
  if (maxBytes_ >= 0) {
    int cursor = static_cast<int>(text.size());
    fitted = FitToBytes(text, maxBytes_, cursor);
  }
  setPlainText(fitted);
}

// Runs after every change; an overflowing edit is cut back at the cursor, so the
// characters just typed or pasted are the ones that go.
void ByteLimitedTextEdit::EnforceLimit() {
  if (enforcing_) return;
  const QString current = toPlainText();
  if (GbByteLength(current) <= maxBytes_) return;
  int cursor = textCursor().position();
  const QString fitted = FitToBytes(current, maxBytes_, cursor);
  enforcing_ = true;
  setPlainText(fitted);
  QTextCursor c = textCursor();
  c.setPosition(cursor);
  setTextCursor(c);
  enforcing_ = false;
}

}  // namespace tessarn
