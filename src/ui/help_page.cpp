#include "ui/help_page.h"

#include <QFileInfo>

namespace tessarn {

QString FindHelpPage(const QString& appDir) {
  for (const QString& candidate :
       {appDir + "/help/index.html", appDir + "/../share/tessarn/help/index.html"}) {
    const QFileInfo info(candidate);
    if (info.isFile()) return info.absoluteFilePath();
  }
  return QString();
}

}  // namespace tessarn
