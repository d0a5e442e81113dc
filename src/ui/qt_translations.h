// Qt's own texts (the standard buttons, the file and colour dialogs) in the user's
// language. The program's texts are Chinese whatever the locale; Qt's follow it.
#pragma once

#include <QLocale>

class QCoreApplication;
class QTranslator;

namespace tessarn {

// Loads Qt's base translation for `locale` from Qt's translations folder and
// installs it; the translator belongs to `app`. Null when that language has none.
QTranslator* InstallQtTranslations(QCoreApplication& app, const QLocale& locale = QLocale());

}  // namespace tessarn
