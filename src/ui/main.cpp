#include <QApplication>
#include <QDir>
#include <QFile>
#include <string>
#include <vector>

#include "ui/main_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  tessarn::MainWindow window;
  window.show();
  // `tessarn PATH...` starts with those files and folders listed, as a drop adds them.
  if (argc > 1) {
    const std::string cwd = QFile::encodeName(QDir::currentPath()).toStdString();
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
      std::string path = argv[i];
      if (path.empty()) continue;
      if (path.front() != '/') path = cwd + "/" + path;
      paths.push_back(std::move(path));
    }
    window.AddDropped(paths);
  }
  return app.exec();
}
