// The window's memory with a long list and "全部预览" on: resident set size once the
// window has settled after adding a folder of 100,000 files (or argv[1]), and again
// after typing a prefix one key at a time, as a user would. Runs offscreen on a
// Release build; exits 1 when either figure is over 60 MB, or when typing grew it by
// more than 2 MB.
//
//   QT_QPA_PLATFORM=offscreen build-bench/bench/window_memory [files]
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "core/text/encoding.h"
#include "ui/main_window.h"
#include "ui/ui_prompts.h"

namespace {

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  return -1;
}

// Events until nothing has been pending for a while: the sliced preview and its
// conflict check are done.
void Settle() {
  QElapsedTimer quiet;
  quiet.start();
  while (quiet.elapsed() < 1500) {
    if (QCoreApplication::hasPendingEvents()) quiet.restart();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QTest::qWait(20);
  }
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  const int files = argc > 1 ? std::atoi(argv[1]) : 100000;
  QApplication app(argc, argv);
  const char* base = std::getenv("TESSARN_BENCH_DIR");
  QTemporaryDir dir(QString::fromUtf8(base ? base : "/dev/shm") + "/tessarn-window-XXXXXX");
  if (!dir.isValid()) {
    std::fprintf(stderr, "no scratch folder\n");
    return 1;
  }
  qputenv("XDG_STATE_HOME", QFile::encodeName(dir.path() + "/state"));
  const std::string folder = QFile::encodeName(dir.path()).toStdString() + "/files/";
  mkdir(folder.c_str(), 0755);
  for (int i = 0; i < files; ++i) {
    const std::string name = folder + "photo_" + std::to_string(100000 + i) + ".jpg";
    const int fd = open(name.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0) return 1;
    close(fd);
  }
  {  // automatic preview of every row
    std::ofstream ini(dir.path().toStdString() + "/config.ini", std::ios::binary);
    ini << tessarn::Gb("[预览选项]\n自动预览=开\n全部预览=开\n预览数量=10\n");
  }
  tessarn::UiPrompts prompts = tessarn::DefaultPrompts();
  prompts.message = [](QWidget*, QMessageBox::Icon, const QString&, const QString&,
                       QMessageBox::StandardButtons) { return QMessageBox::Yes; };
  long empty = 0, added = 0, typed = 0;
  {
    tessarn::MainWindow w(dir.path(), prompts);
    w.show();
    Settle();
    empty = ResidentKiB();
    w.AddFolder(folder, false);
    Settle();
    if (w.fileList().count() != static_cast<std::size_t>(files)) {
      std::fprintf(stderr, "listed %zu files of %d\n", w.fileList().count(), files);
      return 1;
    }
    added = ResidentKiB();
    auto* prefix = w.findChild<QLineEdit*>(QString::fromUtf8("文件名前缀编辑框"));
    if (prefix == nullptr) return 1;
    for (const char* keys : {"a", "b", "c", "d", "e"}) {
      QTest::keyClicks(prefix, QString::fromUtf8(keys));
      Settle();
    }
    typed = ResidentKiB();
    w.close();
  }
  std::printf("files %d\nempty window   %ld KiB\nafter adding   %ld KiB\nafter typing   %ld KiB\n",
              files, empty, added, typed);
  const long limit = 60 * 1000 * 1000 / 1024;  // 60 MB
  const bool over = added > limit || typed > limit || typed > added + 2048;
  if (over) std::printf("over the line: 60 MB, and typing may not grow it by more than 2 MB\n");
  return over ? 1 : 0;
}
