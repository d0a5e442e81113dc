#include "ui/gb_qt.h"

#include "core/text/encoding.h"

namespace tessarn {

QString FromGb(const std::string& gb) { return QString::fromUtf8(GbToUtf8Lossy(gb)); }

std::string ToGb(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return Utf8ToGbLossy(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

QColor FromColourRef(std::int32_t colour) {
  const auto c = static_cast<std::uint32_t>(colour);
  return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                static_cast<int>((c >> 16) & 0xFF));
}

}  // namespace tessarn
