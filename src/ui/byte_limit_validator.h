// Limits a text box to a number of bytes of the program's GB18030 text rather than
// a number of characters: a box that holds 30 bytes takes 30 ASCII letters or 15
// Chinese characters. Like a classic edit box with a length limit, the limit holds
// the user's input only: typing past it inserts nothing, a long paste keeps as much
// of its start as fits, and a text the program puts in stays whole even when it is
// longer (the user can shorten it, not lengthen it).
#pragma once

#include <QLineEdit>
#include <QValidator>
#include <functional>

namespace tessarn {

// Bytes of `text` as GB18030.
int GbByteLength(const QString& text);

// How many bytes a box's text takes where it goes: GbByteLength unless the box
// says otherwise (an ID3v1 box counts the bytes of the tag block).
using ByteMeasure = std::function<int(const QString&)>;

// `after` is `before` with one edit made (text inserted, replaced or removed around
// one place). When `after` is over `maxBytes` and larger than `before` without the
// edit, the inserted characters are dropped from their end, whole code points at a
// time, until it is not. `cursor` follows the cut. An empty `measure` is
// GbByteLength.
QString LimitEdit(const QString& before, const QString& after, int maxBytes, int& cursor,
                  const ByteMeasure& measure = {});

// Drops every character but the digits 0-9 from what the edit inserted; `cursor`
// follows. What was already there is kept as it is.
QString KeepInsertedDigits(const QString& before, const QString& after, int& cursor);

class ByteLimitValidator : public QValidator {
  Q_OBJECT
 public:
  // With `edit` the validator follows that box's text, so that it can tell the
  // characters just inserted from those already there.
  ByteLimitValidator(int maxBytes, QLineEdit* edit, ByteMeasure measure = {});

  int maxBytes() const { return maxBytes_; }
  State validate(QString& input, int& pos) const override;

  // While set, every text is accepted whole (the program's own setText).
  void setBypass(bool bypass) { bypass_ = bypass; }
  // The user may type digits only.
  void setDigitsOnly(bool digitsOnly) { digitsOnly_ = digitsOnly; }

 private:
  int maxBytes_;
  ByteMeasure measure_;
  bool bypass_ = false;
  bool digitsOnly_ = false;
  QString current_;
};

// A one-line box limited to a number of GB18030 bytes (or of what `measure`
// counts). setText puts the program's text in whole; the user's edits are held to
// the limit.
class ByteLimitedLineEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit ByteLimitedLineEdit(int maxBytes, QWidget* parent = nullptr, ByteMeasure measure = {});

  void setText(const QString& text);
  int maxBytes() const { return validator_->maxBytes(); }
  void setDigitsOnly(bool digitsOnly) { validator_->setDigitsOnly(digitsOnly); }

 private:
  ByteLimitValidator* validator_;
};

}  // namespace tessarn
