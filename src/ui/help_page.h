// Where the program's HTML help is: beside the program in the build tree, or in
// the installed data folder next to the program's bin folder.
#pragma once

#include <QString>
#include <QUrl>
#include <functional>

namespace tessarn {

// <appDir>/help/index.html, else <appDir>/../share/tessarn/help/index.html, as an
// absolute path; empty when neither exists.
QString FindHelpPage(const QString& appDir);

// Hands the help page to `open` (the desktop's viewer). Returns the page's path
// when it is missing (then the installed place) or when `open` fails; empty when
// the viewer started.
QString OpenHelpPage(const QString& appDir, const std::function<bool(const QUrl&)>& open);

}  // namespace tessarn
