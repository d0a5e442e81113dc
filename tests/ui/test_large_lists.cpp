// The window with lists too long to handle in one go: a folder read in the
// background and shown in steps, previews of many rows in slices that the next
// keystroke stops, and what the other actions do meanwhile.
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "core/filelist/add_files.h"
#include "core/filelist/rename_run.h"
#include "core/id3/id3v2.h"
#include "core/rules/preview_pass.h"
#include "ui/gb_qt.h"
#include "ui/option_tabs.h"
#include "ui_test_support.h"

using tessarn::FileList;
using tessarn::kFolderColumn;
using tessarn::kNewNameColumn;
using tessarn::kOldNameColumn;
using tessarn::MainWindow;

namespace {

struct Fixture : ScratchWindow {
  std::string Disk(const QString& name) { return QFile::encodeName(Folder(name)).toStdString(); }
};

// Many empty files, made directly: names a natural sort must order (numbers of
// different lengths, Chinese, mixed case), a subfolder that is not listed.
void MakeManyFiles(const std::string& folder, int count) {
  QDir().mkpath(QFile::decodeName(QByteArray::fromStdString(folder + "/sub")));
  static const char* const kStems[] = {"img", "\xE6\xAD\x8C\xE6\x9B\xB2", "Track ", "b"};
  for (int i = 0; i < count; ++i) {
    const std::string name = std::string(kStems[i % 4]) + std::to_string(i * 7919 % count) + ".jpg";
    const int fd = open((folder + "/" + name).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    if (fd >= 0) close(fd);
  }
}

// A list of `count` entries in a folder that does not exist, shown, without disk.
void FillList(MainWindow& w, int count) {
  FileList& list = w.fileList();
  for (int i = 0; i < count; ++i) {
    list.AppendEntry("/no-such-folder/", "f" + std::to_string(i) + ".jpg");
  }
  tessarn::RefreshRows(list, 5, 0, count - 1, "/no-such-folder/");
  w.SetToolbarButtonEnabled(MainWindow::kToolPreview, true);
}

void AutoPreview(MainWindow& w, int count, bool all = false) {
  w.settings().autoPreview = true;
  w.settings().previewCount = count;
  w.settings().previewAll = all;
}

}  // namespace

class LargeListsTest : public QObject {
  Q_OBJECT

 private slots:
  // The folder read in the background gives the entries, rows and new names of
  // the synchronous add, row for row, in several steps with the count following.
  void backgroundAddGivesTheSynchronousList() {
    Fixture f;
    MainWindow& w = f.window;
    constexpr int kFiles = 40000;  // more than two steps
    MakeManyFiles(f.Disk("many"), kFiles);
    AutoPreview(w, 10);
    Find(w, "文件名前缀编辑框")->setText("p_");
    // One file added first, with a run's status shown: the add clears it.
    MakeFiles(f.Folder("one"), {"solo.txt"});
    w.AddFolder(f.Disk("one"), false);
    w.fileList().SetCellText(0, tessarn::kStatusColumn, "x");
    QSignalSpy inserted(w.listModel(), &QAbstractItemModel::rowsInserted);
    QStringList counts;
    connect(&w, &MainWindow::statusPaneChanged, [&](int index, const QString& text) {
      if (index == 0) counts << text;
    });
    w.AddFolder(f.Disk("many"), false);

    FileList expected;
    tessarn::AddFolder(expected, f.Disk("one"));
    tessarn::AddFolder(expected, f.Disk("many"));
    tessarn::NamingOptions options;
    options.namePrefix = "p_";
    tessarn::PreviewPass(expected, options, w.settings(), false, nullptr);
    const FileList& got = w.fileList();
    QCOMPARE(got.count(), std::size_t{kFiles + 1});
    QCOMPARE(got.RowCount(), expected.RowCount());
    for (std::size_t i = 0; i < got.count(); ++i) {
      const tessarn::FileEntry &a = got.entries[i], &b = expected.entries[i];
      QVERIFY2(a.DiskName() == b.DiskName() && a.oldName == b.oldName &&
                   got.FolderText(a) == expected.FolderText(b) &&
                   got.DiskFolder(a) == expected.DiskFolder(b) && a.newName == b.newName,
               b.DiskName().c_str());
      for (int c : {kOldNameColumn, kNewNameColumn, kFolderColumn, tessarn::kStatusColumn})
        QVERIFY(got.CellText(i, c) == expected.CellText(i, c));
    }
    QVERIFY(inserted.count() >= 3);
    QVERIFY(counts.size() >= 3);
    QCOMPARE(counts.last(), U("40001个文件"));
    QCOMPARE(Cell(w, 1, kNewNameColumn).left(2), U("p_"));
    QVERIFY(QApplication::overrideCursor() == nullptr);
  }

  // While a folder is read, whatever else would change the list waits or is
  // refused; the busy cursor shows; afterwards the list is the folder's alone.
  void actionsWhileAFolderIsReadAreSafe() {
    Fixture f;
    MainWindow& w = f.window;
    MakeManyFiles(f.Disk("many"), 30000);
    MakeFiles(f.Folder("other"), {"a.txt", "b.txt"});
    f.log.folderAnswer = f.Folder("other");
    f.log.filesAnswer = {f.Folder("other") + "/a.txt"};
    bool busyCursor = false;
    std::size_t seenMidway = 0;
    const auto actions = [&] {
      busyCursor = QApplication::overrideCursor() &&
                   QApplication::overrideCursor()->shape() == Qt::WaitCursor;
      seenMidway = w.fileList().count();
      w.ClearList();
      w.AddFolder(f.Disk("other"), false);
      w.toolbarAction(MainWindow::kToolFolder)->trigger();
      w.toolbarAction(MainWindow::kToolAddFiles)->trigger();
      w.AddDroppedUrls({QUrl::fromLocalFile(f.Folder("other"))});
      w.SelectAllRows();
      w.DeleteSelectedRows();
      w.DeleteUntaggedRows();
      w.RunRenameAndReport();
      w.UndoAndReport();
      w.PreviewPass(true);
    };
    // Between two steps of the add: after the first rows came.
    QMetaObject::Connection once;
    once = connect(w.listModel(), &QAbstractItemModel::rowsInserted, [&] {
      disconnect(once);
      QTimer::singleShot(0, actions);
    });
    w.AddFolder(f.Disk("many"), false);
    QVERIFY(busyCursor);
    QVERIFY(seenMidway > 0 && seenMidway < 30000);
    QCOMPARE(w.fileList().count(), std::size_t{30000});
    QCOMPARE(w.fileList().RowCount(), std::size_t{30000});
    QCOMPARE(f.log.messages.size(), 0);
    QCOMPARE(FilesIn(f.Folder("other")), QStringList({"a.txt", "b.txt"}));
    QCOMPARE(w.statusPane(0)->text(), U("30000个文件"));
  }

  // Closing the window while a folder is read stops the appending and the reading
  // thread with it; nothing is left running and the window can go.
  void closingWhileAFolderIsReadStops() {
    Fixture f;
    MainWindow& w = f.window;
    MakeManyFiles(f.Disk("many"), 30000);
    w.show();
    QTimer::singleShot(0, &w, [&] { w.close(); });
    w.AddFolder(f.Disk("many"), false);
    QVERIFY(w.fileList().count() < 30000);
    QVERIFY(w.fileList().RowCount() == w.fileList().count());
    QVERIFY(QApplication::overrideCursor() == nullptr);
  }

  // "预览" over many rows runs in slices, shows its progress in pane 1 and ends as
  // one pass would: every row named, the pane emptied.
  void previewOfManyRowsRunsInSlices() {
    Fixture f;
    MainWindow& w = f.window;
    constexpr int kRows = 60000;
    FillList(w, kRows);
    // The last file listed twice: the check, run in the background, marks it.
    w.fileList().entries[kRows - 1].SetDiskName(
        std::string_view(w.fileList().entries[kRows - 2].DiskName()));
    AutoPreview(w, 10);
    Find(w, "文件名前缀编辑框")->setText("p");
    QStringList progress;
    connect(&w, &MainWindow::statusPaneChanged, [&](int index, const QString& text) {
      if (index == 1 && !text.isEmpty()) progress << text;
    });
    w.toolbarAction(MainWindow::kToolPreview)->trigger();
    QCOMPARE(Cell(w, kRows - 1, kNewNameColumn), QString());  // not all at once
    QTRY_VERIFY_WITH_TIMEOUT(!Cell(w, kRows - 1, kNewNameColumn).isEmpty(), 60000);
    for (int r : {0, 11, 4096, kRows - 1})
      QCOMPARE(Cell(w, r, kNewNameColumn), QString("p%1.jpg").arg(r));
    QVERIFY(!progress.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(w.fileList().Row(kRows - 1).mark.conflict, 60000);
    QVERIFY(!w.fileList().Row(kRows - 2).mark.conflict);
    QCOMPARE(w.statusPane(1)->text(), QString());
  }

  // A keystroke during that preview stops it: its own pass shows the first rows,
  // the rest show no names, and no slice runs after it.
  void keystrokeStopsASlicedPreview() {
    Fixture f;
    MainWindow& w = f.window;
    constexpr int kRows = 60000;
    FillList(w, kRows);
    AutoPreview(w, 10);
    QLineEdit* prefix = Find(w, "文件名前缀编辑框");
    prefix->setText("p");
    w.toolbarAction(MainWindow::kToolPreview)->trigger();
    QTRY_VERIFY(!Cell(w, 100, kNewNameColumn).isEmpty());
    QVERIFY(Cell(w, kRows - 1, kNewNameColumn).isEmpty());
    QTest::keyClick(prefix, Qt::Key_Q);
    QCOMPARE(Cell(w, 9, kNewNameColumn), U("pq9.jpg"));
    QTest::qWait(200);
    for (int r : {10, 100, kRows - 1}) QCOMPARE(Cell(w, r, kNewNameColumn), QString());
    QCOMPARE(w.statusPane(1)->text(), QString());
    // With "预览全部" set, the keystroke itself starts a new sliced pass.
    w.settings().previewAll = true;
    QTest::keyClick(prefix, Qt::Key_R);
    QTRY_VERIFY_WITH_TIMEOUT(!Cell(w, kRows - 1, kNewNameColumn).isEmpty(), 60000);
    QCOMPARE(Cell(w, kRows - 1, kNewNameColumn), QString("pqr%1.jpg").arg(kRows - 1));
  }

  // A keystroke while the background check of every row still runs: that check's
  // marks never reach the rows, the keystroke's own check holds.
  void keystrokeDropsTheBackgroundCheck() {
    Fixture f;
    MainWindow& w = f.window;
    constexpr int kRows = 60000;
    FillList(w, kRows);
    w.fileList().entries[kRows - 1].SetDiskName(
        std::string_view(w.fileList().entries[kRows - 2].DiskName()));
    AutoPreview(w, 10);
    QLineEdit* prefix = Find(w, "文件名前缀编辑框");
    prefix->setText("p");
    // The keystroke comes right after the last slice, while the check runs.
    const QString allDone = tessarn::FromGb(tessarn::ProgressBarText(kRows, kRows));
    bool typed = false;
    connect(&w, &MainWindow::statusPaneChanged, [&](int index, const QString& text) {
      if (index != 1 || text != allDone || typed) return;
      typed = true;
      QTimer::singleShot(0, [&] { QTest::keyClick(prefix, Qt::Key_Q); });
    });
    w.toolbarAction(MainWindow::kToolPreview)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(typed, 60000);
    QTest::qWait(1500);
    QCOMPARE(Cell(w, 0, kNewNameColumn), U("pq0.jpg"));
    QVERIFY(!w.fileList().Row(kRows - 1).mark.conflict);
    QCOMPARE(Cell(w, kRows - 1, kNewNameColumn), QString());
    QCOMPARE(w.statusPane(1)->text(), QString());
  }

  // The MP3 page reads a file for every row: from a thousand rows on its pass runs in
  // slices too, with its progress shown, and ends as one pass would.
  void mp3PagePreviewRunsInSlices() {
    Fixture f;
    MainWindow& w = f.window;
    constexpr int kRows = 5000;
    FillList(w, kRows);
    AutoPreview(w, 10);
    QStringList progress;
    connect(&w, &MainWindow::statusPaneChanged, [&](int index, const QString& text) {
      if (index == 1 && !text.isEmpty()) progress << text;
    });
    w.optionTabs()->setCurrentIndex(static_cast<int>(tessarn::OptionPage::kMp3));
    Find(w, "MP3命名规则编辑框")->setText("#1");
    QCOMPARE(Cell(w, kRows - 1, tessarn::kTagStatusColumn), QString());  // not all at once
    QTRY_COMPARE_WITH_TIMEOUT(Cell(w, kRows - 1, tessarn::kTagStatusColumn), U("非MP3文件"), 60000);
    for (int r : {0, 31, 32, 2500}) QCOMPARE(Cell(w, r, tessarn::kTagStatusColumn), U("非MP3文件"));
    QVERIFY(!progress.isEmpty());
    QTRY_COMPARE(w.statusPane(1)->text(), QString());
  }

  // The same over real tagged files added from a folder: every row gets its name
  // from its own file's tag, and the next keystroke's sliced pass replaces the first.
  void mp3PagePreviewOfTaggedFilesRunsInSlices() {
    Fixture f;
    MainWindow& w = f.window;
    constexpr int kFiles = 1500;
    const std::string folder = f.Disk("tagged");
    QDir().mkpath(f.Folder("tagged"));
    for (int i = 0; i < kFiles; ++i) {
      tessarn::TagFields fields;
      fields.artist = "A";
      fields.title = "T" + std::to_string(i);
      char name[32];
      std::snprintf(name, sizeof name, "s%04d.mp3", i);
      std::ofstream(folder + "/" + name, std::ios::binary)
          << tessarn::BuildId3v2Tag(fields) << std::string(200, '\x11');
    }
    w.AddFolder(folder, false);
    QCOMPARE(w.fileList().count(), std::size_t{kFiles});
    AutoPreview(w, 10);
    w.optionTabs()->setCurrentIndex(static_cast<int>(tessarn::OptionPage::kMp3));
    QLineEdit* tmpl = Find(w, "MP3命名规则编辑框");
    tmpl->setText("#2");
    QCOMPARE(Cell(w, kFiles - 1, kNewNameColumn), QString());  // not all at once
    tmpl->setText("#1-#2");
    QTRY_COMPARE_WITH_TIMEOUT(Cell(w, kFiles - 1, kNewNameColumn),
                              QString("A-T%1.mp3").arg(kFiles - 1), 60000);
    for (int r : {0, 31, 32, 777})
      QCOMPARE(Cell(w, r, kNewNameColumn), QString("A-T%1.mp3").arg(r));
    QTRY_COMPARE(w.statusPane(1)->text(), QString());
  }

  // Rows leaving the list stop a sliced preview; the list's new size holds.
  void clearingTheListStopsASlicedPreview() {
    Fixture f;
    MainWindow& w = f.window;
    FillList(w, 60000);
    AutoPreview(w, 10, true);
    Find(w, "文件名前缀编辑框")->setText("p");
    w.ClearList();
    QTest::qWait(100);
    QCOMPARE(w.listModel()->rowCount(), 0);
    QCOMPARE(w.statusPane(1)->text(), QString());
  }
};

QTEST_MAIN(LargeListsTest)
#include "test_large_lists.moc"
