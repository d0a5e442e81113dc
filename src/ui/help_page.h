// Where the program's HTML help is: beside the program in the build tree, or in
// the installed data folder next to the program's bin folder.
#pragma once

#include <QString>

namespace tessarn {

// <appDir>/help/index.html, else <appDir>/../share/tessarn/help/index.html, as an
// absolute path; empty when neither exists.
QString FindHelpPage(const QString& appDir);

}  // namespace tessarn
