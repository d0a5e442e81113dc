#include "ui/byte_limit_validator.h"

#include "core/text/encoding.h"

namespace tessarn {

namespace {

// GB18030 bytes of the code point at `index` (1, 2 or 4); *units gets its UTF-16 length.
int CodePointBytes(const QString& text, int index, int* units) {
  const bool pair = text.at(index).isHighSurrogate() && index + 1 < text.size() &&
                    text.at(index + 1).isLowSurrogate();
  *units = pair ? 2 : 1;
  return GbByteLength(text.mid(index, *units));
}

}  // namespace

int GbByteLength(const QString& text) {
  if (text.isEmpty()) return 0;
  const QByteArray utf8 = text.toUtf8();
  return static_cast<int>(
      Utf8ToGbLossy(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())))
          .size());
}

QString FitToBytes(const QString& text, int maxBytes, int& cursor) {
  int total = GbByteLength(text);
  if (total <= maxBytes) return text;
  QString out = text;
  cursor = qBound(0, cursor, static_cast<int>(out.size()));
  // Drop the characters just before the cursor, walking back one code point at a time.
  while (total > maxBytes && cursor > 0) {
    int start = cursor - 1;
    if (start > 0 && out.at(start).isLowSurrogate() && out.at(start - 1).isHighSurrogate())
      --start;
    int units = 0;
    total -= CodePointBytes(out, start, &units);
    out.remove(start, cursor - start);
    cursor = start;
  }
  // Still too long (the text after the cursor alone overflows): cut from the end.
  while (total > maxBytes && !out.isEmpty()) {
    int start = static_cast<int>(out.size()) - 1;
    if (start > 0 && out.at(start).isLowSurrogate() && out.at(start - 1).isHighSurrogate())
      --start;
    int units = 0;
    total -= CodePointBytes(out, start, &units);
    out.truncate(start);
  }
  cursor = qMin(cursor, static_cast<int>(out.size()));
  return out;
}

ByteLimitValidator::ByteLimitValidator(int maxBytes, QObject* parent)
    : QValidator(parent), maxBytes_(maxBytes) {}

QValidator::State ByteLimitValidator::validate(QString& input, int& pos) const {
  if (GbByteLength(input) > maxBytes_) input = FitToBytes(input, maxBytes_, pos);
  return Acceptable;
}

}  // namespace tessarn
