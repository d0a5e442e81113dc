// Limits a text box to a number of bytes of the program's GB18030 text rather than
// a number of characters: a box that holds 30 bytes takes 30 ASCII letters or 15
// Chinese characters. Input that would overflow the box is cut back at the cursor,
// whole characters at a time, so typing past the limit does nothing and a long paste
// keeps as much of its start as fits.
#pragma once

#include <QValidator>

namespace tessarn {

// Bytes of `text` as GB18030.
int GbByteLength(const QString& text);

// Cuts `text` until it is at most `maxBytes` GB18030 bytes: first the characters just
// before `cursor` (the ones the user has just inserted), then, if that is not enough,
// characters from the end. `cursor` follows the cut. Never splits a surrogate pair.
QString FitToBytes(const QString& text, int maxBytes, int& cursor);

class ByteLimitValidator : public QValidator {
  Q_OBJECT
 public:
  explicit ByteLimitValidator(int maxBytes, QObject* parent = nullptr);

  int maxBytes() const { return maxBytes_; }
  State validate(QString& input, int& pos) const override;

 private:
  int maxBytes_;
};

}  // namespace tessarn
