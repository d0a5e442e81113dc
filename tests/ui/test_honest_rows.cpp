// What the window tells of each row: the reason a row will not be renamed in the
// note column, a GBK name converted only when chosen, colours that stand apart
// from the user's, and columns that share the window's width.
#include <fcntl.h>
#include <unistd.h>

#include <QCheckBox>
#include <algorithm>
#include <filesystem>
#include <QHeaderView>
#include <QTest>

#include "core/settings/alert_colour.h"
#include "core/text/encoding.h"
#include "ui/file_list_view.h"
#include "ui/gb_qt.h"
#include "ui/option_tabs.h"
#include "ui_test_support.h"

using tessarn::kNoteColumn;
using tessarn::MainWindow;

namespace {

struct Fixture : ScratchWindow {
  QString AddFolderOf(const QString& sub, const QStringList& names) {
    MakeFiles(Folder(sub), names);
    log.folderAnswer = Folder(sub);
    window.toolbarAction(MainWindow::kToolFolder)->trigger();
    return Folder(sub);
  }
  int RowOf(const QString& oldName) {
    for (int r = 0; r < window.listModel()->rowCount(); ++r)
      if (Cell(window, r, 0) == oldName) return r;
    return -1;
  }
};

// The names of a folder as raw bytes (a GBK name has no QString that gives its
// bytes back).
QList<QByteArray> RawNames(const QString& folder) {
  QList<QByteArray> names;
  for (const auto& item : std::filesystem::directory_iterator(QFile::encodeName(folder).toStdString()))
    names << QByteArray::fromStdString(item.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

class HonestRowsTest : public QObject {
  Q_OBJECT
 private slots:
  // A GBK name the rule leaves alone keeps its bytes; with "GBK文件名转为UTF-8" it
  // shows as changing before the run, and the run converts it.
  void gbkNamesChangeOnlyWhenChosen() {
    Fixture f;
    MainWindow& w = f.window;
    w.settings().autoPreview = true;
    const std::string gbk = tessarn::Gb("中文歌曲一.txt");
    const QString folder = f.Folder("gbk");
    QDir().mkpath(folder);
    {
      const std::string path = QFile::encodeName(folder).toStdString() + "/" + gbk;
      const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0644);
      QVERIFY(fd >= 0);
      ::close(fd);
    }
    f.AddFolderOf("gbk", {U("测试.txt")});
    auto* box = Find<QCheckBox>(w, "GBK转UTF8选择框");
    QVERIFY(box != nullptr);
    QCOMPARE(box->text(), U("GBK文件名转为UTF-8"));
    QVERIFY(!box->isChecked());
    w.optionTabs()->setCurrentIndex(1);
    Find(w, "查找内容编辑框")->setText(U("测试"));
    Find(w, "替换为编辑框")->setText(U("考试"));
    const int row = f.RowOf(U("中文歌曲一.txt"));
    QVERIFY(row >= 0);
    QCOMPARE(Cell(w, row, kNoteColumn), QString());

    // Chosen: the row is marked before the run.
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(w.settings().convertGbkNames);
    QCOMPARE(Cell(w, row, kNoteColumn), U("文件名编码：GBK → UTF-8"));
    QCOMPARE(w.listModel()->index(row, tessarn::kNewNameColumn).data(Qt::ToolTipRole).toString(),
             U("文件名编码：GBK → UTF-8"));
    QTest::mouseClick(box, Qt::LeftButton);
    QCOMPARE(Cell(w, row, kNoteColumn), QString());

    // Not chosen: the run leaves its bytes.
    w.toolbarAction(MainWindow::kToolRename)->trigger();
    QCOMPARE(f.log.messages.last().text, U("文件更名完毕！"));
    QCOMPARE(RawNames(folder),
             QList<QByteArray>({QByteArray::fromStdString(gbk), QByteArray("考试.txt")}));

    // Chosen: converted, and counted as renamed.
    QTest::mouseClick(box, Qt::LeftButton);
    w.toolbarAction(MainWindow::kToolRename)->trigger();
    QCOMPARE(f.log.messages.last().text, U("文件更名完毕！"));
    QCOMPARE(RawNames(folder), QList<QByteArray>({QByteArray("中文歌曲一.txt"), QByteArray("考试.txt")}));

    // The choice is kept in config.ini.
    w.close();
    std::filesystem::remove_all(QFile::encodeName(folder).toStdString());
    MainWindow again(f.dir.path(), PromptsFor(f.log));
    QVERIFY(Find<QCheckBox>(again, "GBK转UTF8选择框")->isChecked());
  }

  // On the MP3 page a file without tags is announced as such, before and after the
  // run, in the note column; the question counts it by its reason.
  void reasonsShowInTheNoteColumn() {
    Fixture f;
    MainWindow& w = f.window;
    w.settings().autoPreview = true;
    const QString folder = f.AddFolderOf("mp3", {"bare.mp3", "notes.txt"});
    w.optionTabs()->setCurrentIndex(4);
    QTest::keyClicks(Find(w, "MP3命名规则编辑框"), "#1-#2");
    QCOMPARE(w.listModel()->headerData(kNoteColumn, Qt::Horizontal, Qt::DisplayRole).toString(), U("说明"));
    QCOMPARE(Cell(w, f.RowOf("bare.mp3"), kNoteColumn), U("缺少MP3标签"));
    QCOMPARE(Cell(w, f.RowOf("notes.txt"), kNoteColumn), U("非MP3文件"));
    f.log.answer = QMessageBox::Yes;
    w.toolbarAction(MainWindow::kToolRename)->trigger();
    QCOMPARE(f.log.messages[0].text, U("有 2 个文件不会更名：缺少MP3标签 1 个，非MP3文件 1 个。是否继续？"));
    QCOMPARE(Cell(w, f.RowOf("bare.mp3"), tessarn::kStatusColumn), U("更名失败"));
    QCOMPARE(Cell(w, f.RowOf("bare.mp3"), kNoteColumn), U("缺少MP3标签"));
    QCOMPARE(FilesIn(folder), QStringList({"bare.mp3", "notes.txt"}));
  }

  // A dark-red text colour would hide the old fixed red: the marking colour stays
  // apart from the user's colours.
  void alertColourStandsApartFromTheUsersColours() {
    const std::int32_t darkRed = 0x000090;  // 0x00BBGGRR
    const std::int32_t defaults[][2] = {{8388608, 8429696}, {darkRed, 0xFFFFFF}, {0x000000, 0x0000C0},
                                        {0xFFFFFF, 0x000000}, {0x1E1ED2, 0xFFFFFF}};
    for (const auto& c : defaults) {
      const std::int32_t alert = tessarn::AlertColour(c[0], c[1]);
      QVERIFY2(tessarn::ColourDistance(alert, c[0]) >= 150, qPrintable(QString::number(alert, 16)));
      QVERIFY2(tessarn::ColourDistance(alert, c[1]) >= 150, qPrintable(QString::number(alert, 16)));
    }
    Fixture f;
    MainWindow& w = f.window;
    w.settings().autoPreview = true;
    w.settings().textColour = darkRed;
    w.ApplySettingsToList();
    f.AddFolderOf("abc", {"a", "b"});
    w.optionTabs()->setCurrentIndex(1);
    QTest::keyClicks(Find(w, "查找内容编辑框"), "a");
    QTest::keyClicks(Find(w, "替换为编辑框"), "b");
    const QColor shown =
        w.listModel()->index(0, tessarn::kNewNameColumn).data(Qt::ForegroundRole).value<QColor>();
    QCOMPARE(shown, tessarn::FromColourRef(tessarn::AlertColour(darkRed, w.settings().backColour)));
  }

  // At 800 x 600 the columns use the whole width, the status column shows its text
  // whole; once the user sets a width, it is kept and remembered.
  void columnsShareTheWidthUntilTheUserSetsThem() {
    Fixture f;
    MainWindow& w = f.window;
    w.resize(800, 600);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    f.AddFolderOf("w", {"a_rather_long_file_name_for_the_column.txt", "b.txt"});
    w.toolbarAction(MainWindow::kToolRename)->trigger();  // "更名成功" in every row
    QTest::qWait(50);
    QHeaderView* header = w.listView()->header();
    int total = 0;
    for (int c = 0; c < header->count(); ++c) total += header->sectionSize(c);
    const int viewport = w.listView()->viewport()->width();
    QVERIFY2(total >= viewport - 3 && total <= viewport,
             qPrintable(QString("%1 of %2").arg(total).arg(viewport)));
    // The text with its 16-pixel icon.
    const int statusText = w.listView()->fontMetrics().horizontalAdvance(U("更名成功")) + 16;
    QVERIFY(header->sectionSize(tessarn::kStatusColumn) >= statusText);
    QVERIFY(!w.listView()->ColumnsSetByUser());

    header->resizeSection(0, 333);  // as a drag does
    QVERIFY(w.listView()->ColumnsSetByUser());
    w.resize(900, 600);
    QTest::qWait(50);
    QCOMPARE(header->sectionSize(0), 333);
    w.close();
    MainWindow again(f.dir.path(), PromptsFor(f.log));
    QCOMPARE(again.listView()->header()->sectionSize(0), 333);
    QVERIFY(again.listView()->ColumnsSetByUser());
  }
};

QTEST_MAIN(HonestRowsTest)
#include "test_honest_rows.moc"
