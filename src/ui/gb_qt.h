// The edge between Qt's UTF-16 strings and the core's GB18030 byte strings, and
// between the core's 0x00BBGGRR colour values and QColor.
#pragma once

#include <QColor>
#include <QString>
#include <cstdint>
#include <string>

namespace tessarn {

QString FromGb(const std::string& gb);
std::string ToGb(const QString& text);
QColor FromColourRef(std::int32_t colour);

}  // namespace tessarn
