#include "ui/byte_limit_validator.h"

#include <algorithm>

#include "core/text/encoding.h"

namespace tessarn {

int GbByteLength(const QString& text) {
  if (text.isEmpty()) return 0;
  const QByteArray utf8 = text.toUtf8();
  return static_cast<int>(
      Utf8ToGbLossy(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())))
          .size());
}

namespace {

// Where `after` differs from `before`: the characters of `after` between what the
// two share at the start (`head` units) and at the end (`tail` units).
void FindEdit(const QString& before, const QString& after, int& head, int& tail) {
  const int shortest = static_cast<int>(std::min(before.size(), after.size()));
  head = 0;
  while (head < shortest && before.at(head) == after.at(head)) ++head;
  tail = 0;
  while (tail < shortest - head &&
         before.at(before.size() - 1 - tail) == after.at(after.size() - 1 - tail))
    ++tail;
  // Never start or end the edit between the two halves of a surrogate pair.
  if (head > 0 && after.at(head - 1).isHighSurrogate()) --head;
  if (tail > 0 && after.at(after.size() - tail).isLowSurrogate()) --tail;
}

}  // namespace

QString KeepInsertedDigits(const QString& before, const QString& after, int& cursor) {
  int head = 0;
  int tail = 0;
  FindEdit(before, after, head, tail);
  const int editEnd = static_cast<int>(after.size()) - tail;
  QString out = after.left(head);
  for (int i = head; i < editEnd; ++i) {
    const QChar c = after.at(i);
    if (c >= u'0' && c <= u'9')
      out += c;
    else if (cursor > static_cast<int>(out.size()))
      --cursor;
  }
  out += after.mid(editEnd);
  cursor = std::clamp(cursor, 0, static_cast<int>(out.size()));
  return out;
}

QString LimitEdit(const QString& before, const QString& after, int maxBytes, int& cursor,
                  const ByteMeasure& measure) {
  const ByteMeasure& bytes = measure ? measure : ByteMeasure(GbByteLength);
  if (bytes(after) <= maxBytes) return after;
  int head = 0;
  int tail = 0;
  FindEdit(before, after, head, tail);
  int editEnd = static_cast<int>(after.size()) - tail;

  QString out = after;
  const int allowed = std::max(maxBytes, bytes(out.left(head) + out.mid(editEnd)));
  int removed = 0;
  // Every code unit takes at least a byte: of a long paste, no more than `allowed`
  // units can stay, and the rest goes at once.
  if (editEnd - head > allowed) {
    int keep = head + allowed;
    if (keep > head && out.at(keep - 1).isHighSurrogate()) --keep;
    removed = editEnd - keep;
    out.remove(keep, removed);
    editEnd = keep;
  }
  // How many bytes a text takes may depend on all of it (a text that is all Latin-1
  // counts one byte a character), so the box is measured whole after each cut.
  while (bytes(out) > allowed && editEnd > head) {
    int start = editEnd - 1;
    if (start > head && out.at(start).isLowSurrogate() && out.at(start - 1).isHighSurrogate())
      --start;
    removed += editEnd - start;
    out.remove(start, editEnd - start);
    editEnd = start;
  }
  if (cursor >= editEnd + removed)
    cursor -= removed;
  else if (cursor > editEnd)
    cursor = editEnd;
  return out;
}

ByteLimitValidator::ByteLimitValidator(int maxBytes, QLineEdit* edit, ByteMeasure measure)
    : QValidator(edit), maxBytes_(maxBytes), measure_(std::move(measure)) {
  if (edit) {
    current_ = edit->text();
    connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { current_ = text; });
  }
}

QValidator::State ByteLimitValidator::validate(QString& input, int& pos) const {
  if (bypass_) return Acceptable;
  if (digitsOnly_) input = KeepInsertedDigits(current_, input, pos);
  input = LimitEdit(current_, input, maxBytes_, pos, measure_);
  return Acceptable;
}

ByteLimitedLineEdit::ByteLimitedLineEdit(int maxBytes, QWidget* parent, ByteMeasure measure)
    : QLineEdit(parent), validator_(new ByteLimitValidator(maxBytes, this, std::move(measure))) {
  setValidator(validator_);
}

void ByteLimitedLineEdit::setText(const QString& text) {
  validator_->setBypass(true);
  QLineEdit::setText(text);
  validator_->setBypass(false);
}

}  // namespace tessarn
