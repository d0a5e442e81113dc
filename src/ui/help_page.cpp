#include "ui/help_page.h"

#include <QDir>
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

QString OpenHelpPage(const QString& appDir, const std::function<bool(const QUrl&)>& open) {
  const QString page = FindHelpPage(appDir);
  if (page.isEmpty())
    return QDir::cleanPath(
        QFileInfo(appDir + "/../share/tessarn/help/index.html").absoluteFilePath());
  return open(QUrl::fromLocalFile(page)) ? QString() : page;
}

}  // namespace tessarn
