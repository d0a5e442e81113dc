#include <QApplication>
#include <QDir>
#include <QFile>

#include "ui/command_line.h"
#include "ui/main_window.h"
#include "ui/qt_translations.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  tessarn::InstallQtTranslations(app);
  tessarn::MainWindow window;
  window.show();
  // Take the keyboard also where no window manager hands it over (a bare X display).
  window.activateWindow();
  // `tessarn PATH...` starts with those files and folders listed, as a drop adds them;
  // `tessarn -r PATH...` adds the folders with their subfolders.
  const tessarn::StartArguments start = tessarn::ParseStartArguments(
      argc, argv, QFile::encodeName(QDir::currentPath()).toStdString());
  if (!start.paths.empty()) window.AddStartPaths(start.paths, start.recursive);
  return app.exec();
}
