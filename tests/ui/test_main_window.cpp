// The main window driven offscreen: start-up state, adding files, the preview
// rules, the rename run and its undo, the list's menu and keys, exit.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "core/text/encoding.h"
#include "ui/about_dialog.h"
#include "ui/command_line.h"
#include "ui/file_list_view.h"
#include "ui/gb_qt.h"
#include "ui/help_page.h"
#include "ui/option_tabs.h"
#include "ui/painted_icons.h"
#include "ui_test_support.h"

using tessarn::FileListView;
using tessarn::FailureColour;
using tessarn::kNewNameColumn;
using tessarn::kStatusColumn;
using tessarn::MainWindow;

namespace {

struct Fixture : ScratchWindow {
  // Adds `names` (created in folder `sub`) through the toolbar's folder button.
  void AddFolderOf(const QString& sub, const QStringList& names) {
    MakeFiles(Folder(sub), names);
    log.folderAnswer = Folder(sub);
    window.toolbarAction(MainWindow::kToolFolder)->trigger();
  }
  QStringList Column(int column) {
    QStringList out;
    for (int r = 0; r < window.listModel()->rowCount(); ++r) out << Cell(window, r, column);
    return out;
  }
  int FilledNewNames() {
    int n = 0;
    for (const QString& s : Column(tessarn::kNewNameColumn)) n += s.isEmpty() ? 0 : 1;
    return n;
  }
  bool Enabled(int toolIndex) { return window.toolbarAction(toolIndex)->isEnabled(); }
};

QStringList Numbered(const char* pattern, int count) {
  QStringList names;
  for (int i = 0; i < count; ++i) names << QString::asprintf(pattern, i);
  return names;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void startsEmptyWithButtonsOff() {
    Fixture f;
    MainWindow& w = f.window;
    QCOMPARE(w.windowTitle(), U("Tessarn批量更名器"));
    QVERIFY(f.Enabled(MainWindow::kToolFolder));
    QVERIFY(f.Enabled(MainWindow::kToolAddFiles));
    QVERIFY(!f.Enabled(MainWindow::kToolUndo));
    QVERIFY(!f.Enabled(MainWindow::kToolPreview));
    QVERIFY(!f.Enabled(MainWindow::kToolRename));
    QVERIFY(f.Enabled(MainWindow::kToolHelp));
    QCOMPARE(w.statusPane(0)->text(), U("0个文件"));
    QCOMPARE(w.statusPane(1)->text(), U("进度"));
    QCOMPARE(w.statusPane(2)->text(), U("自动预览－关"));
    const char* headers[] = {"旧文件名", "新文件名", "路径", "命名状态", "MP3标签状态"};
    const int widths[] = {150, 150, 200, 100, 100};
    for (int c = 0; c < 5; ++c) {
      QCOMPARE(w.listModel()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(),
               U(headers[c]));
      QCOMPARE(w.listView()->columnWidth(c), widths[c]);
    }
    // The extension row of page "常规" starts greyed.
    QVERIFY(!Find(w, "新扩展名编辑框")->isEnabled());
    QVERIFY(Find(w, "文件名前缀编辑框")->isEnabled());
    QCOMPARE(Find<QLabel>(w, "新扩展名标签")->palette().color(QPalette::WindowText),
             QColor(0x80, 0x80, 0x80));
    // The list shows the default colours.
    QCOMPARE(w.listView()->palette().color(QPalette::Base), QColor(128, 160, 128));
    QCOMPARE(w.listView()->palette().color(QPalette::Text), QColor(0, 0, 128));
    // The menus follow the list background.
    QVERIFY(w.menuBar()->styleSheet().contains("#80a080"));
    QVERIFY(w.contextMenu()->styleSheet().contains("#80a080"));
    QVERIFY(w.acceptDrops());
    QVERIFY(!Find(w, "文件名前缀编辑框")->acceptDrops());
  }

  void layoutFollowsTheWindow() {
    Fixture f;
    MainWindow& w = f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.resize(100, 100);
    QVERIFY(w.width() >= w.minimumWidth() && w.height() >= w.minimumHeight());
    w.resize(900, 700);
    QTest::qWait(10);
    QCOMPARE(w.optionTabs()->width(), w.centralWidget()->width());
    QCOMPARE(w.listView()->width(), w.centralWidget()->width());
    const int listBottom = w.listView()->geometry().bottom();
    QVERIFY(listBottom >= w.centralWidget()->height() - 2);
  }

  void addFolderRenameAndUndo() {
    Fixture f;
    MainWindow& w = f.window;
    f.AddFolderOf("files", {"b.txt", "a.txt", "c.txt"});
    QCOMPARE(f.log.folderCaption, U("请选择一个目录"));
    QCOMPARE(f.Column(0), QStringList({"a.txt", "b.txt", "c.txt"}));
    QCOMPARE(Cell(w, 0, 2), f.Folder("files") + "/");
    QCOMPARE(w.statusPane(0)->text(), U("3个文件"));
    QVERIFY(f.Enabled(MainWindow::kToolPreview));
    QVERIFY(f.Enabled(MainWindow::kToolRename));

    // Automatic preview is off: typing shows nothing, the run still uses the option.
    QTest::keyClicks(Find(w, "文件名前缀编辑框"), "x_");
    QCOMPARE(f.FilledNewNames(), 0);
    w.toolbarAction(MainWindow::kToolRename)->trigger();
    QCOMPARE(FilesIn(f.Folder("files")), QStringList({"x_0.txt", "x_1.txt", "x_2.txt"}));
    QCOMPARE(f.Column(0), QStringList({"x_0.txt", "x_1.txt", "x_2.txt"}));
    QCOMPARE(f.Column(3), QStringList({U("更名成功"), U("更名成功"), U("更名成功")}));
    QVERIFY(!w.listModel()->index(0, 3).data(Qt::DecorationRole).isNull());
    QCOMPARE(f.log.messages.size(), 1);
    QCOMPARE(f.log.messages[0].text, U("文件更名完毕！"));
    QCOMPARE(f.log.messages[0].icon, QMessageBox::Information);
    QCOMPARE(f.log.messages[0].title, U("Tessarn批量更名器"));
    QCOMPARE(w.statusPane(1)->text(), QString());
    QVERIFY(f.Enabled(MainWindow::kToolUndo));
    QVERIFY(f.Enabled(MainWindow::kToolPreview));

    // Declining the question changes nothing.
    f.log.answer = QMessageBox::No;
    w.toolbarAction(MainWindow::kToolUndo)->trigger();
    QCOMPARE(f.log.messages.size(), 2);
    QCOMPARE(f.log.messages[1].text, U("是否真的撤消上一次操作？"));
    QCOMPARE(f.log.messages[1].title, U("询问："));
    QCOMPARE(f.log.messages[1].buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(FilesIn(f.Folder("files")), QStringList({"x_0.txt", "x_1.txt", "x_2.txt"}));
    QVERIFY(f.Enabled(MainWindow::kToolUndo));

    f.log.answer = QMessageBox::Yes;
    w.toolbarAction(MainWindow::kToolUndo)->trigger();
    QCOMPARE(FilesIn(f.Folder("files")), QStringList({"a.txt", "b.txt", "c.txt"}));
    QCOMPARE(f.Column(0), QStringList({"a.txt", "b.txt", "c.txt"}));
    QCOMPARE(f.Column(3), QStringList({U("撤消成功"), U("撤消成功"), U("撤消成功")}));
    QCOMPARE(f.log.messages.last().text, U("上一次的操作已经成功撤消！"));
    QVERIFY(!f.Enabled(MainWindow::kToolUndo));
    QCOMPARE(w.statusPane(1)->text(), QString());
  }

  void progressGrowsInTwentieths() {
    Fixture f;
    MainWindow& w = f.window;
    f.AddFolderOf("p", {"a.txt", "b.txt", "c.txt"});
    QTest::keyClicks(Find(w, "文件名编辑框"), "n");
    QStringList shown;
    connect(&w, &MainWindow::statusPaneChanged, this, [&](int index, const QString& text) {
      if (index == 1) shown << text;
    });
    w.toolbarAction(MainWindow::kToolRename)->trigger();
    const QString block = U("■");
    QCOMPARE(shown, QStringList({block.repeated(6), block.repeated(13), block.repeated(20), ""}));
  }

  // Page "中文": its combos drive the preview, its pinyin options are enabled only
  // while pinyin is chosen (the tone only for full pinyin).
  void chinesePageConvertsInThePreview() {
    Fixture f;
    MainWindow& w = f.window;
    f.AddFolderOf("zh", {U("邓丽君-月亮代表我的心.mp3"), U("第十二集.mkv")});
    w.settings().autoPreview = true;
    w.optionTabs()->setCurrentIndex(static_cast<int>(tessarn::OptionPage::kChinese));
    QCOMPARE(w.optionTabs()->currentWidget()->objectName(), U("中文选项页"));
    auto* pinyin = Find<QComboBox>(w, "拼音组合框");
    auto* tone = Find<QComboBox>(w, "声调组合框");
    auto* capitals = Find<QCheckBox>(w, "首字母大写选择框");
    QVERIFY(!tone->isEnabled() && !capitals->isEnabled());
    const auto newNameOf = [&](const QString& old) {
      const QStringList olds = f.Column(0);
      return f.Column(tessarn::kNewNameColumn).value(olds.indexOf(old));
    };

    pinyin->setCurrentIndex(1);  // 全拼
    QVERIFY(tone->isEnabled() && capitals->isEnabled());
    capitals->click();
    QCOMPARE(newNameOf(U("邓丽君-月亮代表我的心.mp3")), U("Deng Li Jun-Yue Liang Dai Biao Wo De Xin.mp3"));
    pinyin->setCurrentIndex(2);  // 首字母
    QVERIFY(!tone->isEnabled() && capitals->isEnabled());

    pinyin->setCurrentIndex(0);
    Find<QComboBox>(w, "中文数字组合框")->setCurrentIndex(1);  // 中文→阿拉伯
    QCOMPARE(newNameOf(U("第十二集.mkv")), U("第12集.mkv"));
    Find<QComboBox>(w, "简繁转换组合框")->setCurrentIndex(1);  // 简体→繁体
    QCOMPARE(newNameOf(U("邓丽君-月亮代表我的心.mp3")), U("鄧麗君-月亮代表我的心.mp3"));
    Find<QComboBox>(w, "全半角组合框")->setCurrentIndex(2);  // 半角→全角
    QCOMPARE(newNameOf(U("第十二集.mkv")), U("第１２集.mkv"));
  }

  void conflictsShowInThePreviewAndAskBeforeTheRun() {
    Fixture f;
    MainWindow& w = f.window;
    // "a" -> "b" while "b" keeps its name: the two would end with one name.
    f.AddFolderOf("abc", {"a", "b", "c"});
    w.settings().autoPreview = true;
    w.optionTabs()->setCurrentIndex(1);
    QTest::keyClicks(Find(w, "查找内容编辑框"), "a");
    QTest::keyClicks(Find(w, "替换为编辑框"), "b");
    const QModelIndex newName = w.listModel()->index(0, kNewNameColumn);
    QCOMPARE(newName.data(Qt::ForegroundRole).value<QColor>(), FailureColour());
    QCOMPARE(newName.data(Qt::ToolTipRole).toString(), U("新文件名重复"));
    QVERIFY(w.listModel()->index(1, kNewNameColumn).data(Qt::ForegroundRole).isNull());

    // Declined: nothing renamed, no summary.
    f.log.answer = QMessageBox::No;
    w.toolbarAction(MainWindow::kToolRename)->trigger();
    QCOMPARE(f.log.messages.size(), 1);
    QCOMPARE(f.log.messages[0].text, U("有 1 个文件的新名称存在冲突，这些文件不会更名。是否继续？"));
    QCOMPARE(f.log.messages[0].title, U("询问："));
    QCOMPARE(f.log.messages[0].buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(FilesIn(f.Folder("abc")), QStringList({"a", "b", "c"}));
    QVERIFY(f.Enabled(MainWindow::kToolPreview));
    QVERIFY(!f.Enabled(MainWindow::kToolUndo));

    // Accepted: the rest run; the summary counts the reason.
    f.log.answer = QMessageBox::Yes;
    w.toolbarAction(MainWindow::kToolRename)->trigger();
    QCOMPARE(f.log.messages.last().icon, QMessageBox::Warning);
    QCOMPARE(f.log.messages.last().text,
             U("文件总数：3 个文件\n\n2 个文件更名成功！\n1 个文件更名失败！\n\n新文件名重复：1 个文件"));
    QCOMPARE(Cell(w, 0, 3), U("更名失败"));
    QCOMPARE(w.listModel()->index(0, kStatusColumn).data(Qt::ToolTipRole).toString(),
             U("新文件名重复"));
    QCOMPARE(Cell(w, 0, 1), QString("b"));
    QVERIFY(f.Enabled(MainWindow::kToolUndo));
  }

  void aShiftedNumberingRunsAndUndoesWhole() {
    Fixture f;
    MainWindow& w = f.window;
    f.AddFolderOf("n", {"1.jpg", "2.jpg", "3.jpg", "4.jpg", "5.jpg"});
    w.toolbarAction(MainWindow::kToolRename)->trigger();  // numbering from 0
    QCOMPARE(f.log.messages.last().text, U("文件更名完毕！"));
    QCOMPARE(FilesIn(f.Folder("n")), QStringList({"0.jpg", "1.jpg", "2.jpg", "3.jpg", "4.jpg"}));
    w.toolbarAction(MainWindow::kToolUndo)->trigger();
    QCOMPARE(f.log.messages.last().text, U("上一次的操作已经成功撤消！"));
    QCOMPARE(FilesIn(f.Folder("n")), QStringList({"1.jpg", "2.jpg", "3.jpg", "4.jpg", "5.jpg"}));
    QFile one(f.Folder("n") + "/1.jpg");
    QVERIFY(one.open(QIODevice::ReadOnly));
    QCOMPARE(one.readAll(), QByteArray("1.jpg"));
  }

  void previewCountRules() {
    Fixture f;
    MainWindow& w = f.window;
    f.AddFolderOf("many", Numbered("f%02d.txt", 25));
    QLineEdit* prefix = Find(w, "文件名前缀编辑框");

    // Off: typing, switching pages and "预览" change nothing.
    QTest::keyClicks(prefix, "p");
    w.optionTabs()->setCurrentIndex(3);
    w.optionTabs()->setCurrentIndex(0);
    w.toolbarAction(MainWindow::kToolPreview)->trigger();
    QCOMPARE(f.FilledNewNames(), 0);

    // On, ten rows: only they are filled.
    w.settings().autoPreview = true;
    w.settings().previewCount = 10;
    QTest::keyClicks(prefix, "q");
    QCOMPARE(f.FilledNewNames(), 10);
    QCOMPARE(Cell(w, 9, 1), QString("pq9.txt"));
    QCOMPARE(Cell(w, 10, 1), QString());

    // "预览" fills every row.
    w.toolbarAction(MainWindow::kToolPreview)->trigger();
    QCOMPARE(f.FilledNewNames(), 25);
    QCOMPARE(Cell(w, 24, 1), QString("pq24.txt"));

    // The next keystroke goes back to ten rows and empties the stale ones.
    QTest::keyClicks(prefix, "r");
    QCOMPARE(f.FilledNewNames(), 10);
    QCOMPARE(Cell(w, 0, 1), QString("pqr0.txt"));

    // The MP3 page covers every row whatever the count.
    w.optionTabs()->setCurrentIndex(static_cast<int>(tessarn::OptionPage::kMp3));
    QTest::keyClicks(Find(w, "MP3命名规则编辑框"), "#1");
    QCOMPARE(Cell(w, 24, 4), U("非MP3文件"));
    QCOMPARE(Cell(w, 0, 4), U("非MP3文件"));
  }

  void replacePageUpdatesAtOnce() {
    Fixture f;
    MainWindow& w = f.window;
    w.settings().autoPreview = true;
    w.settings().previewCount = 10;
    f.AddFolderOf("r", {"hello.txt", "yellow.txt"});
    w.optionTabs()->setCurrentIndex(1);
    QTest::keyClicks(Find(w, "查找内容编辑框"), "ll");
    QCOMPARE(f.Column(1), QStringList({"heo.txt", "yeow.txt"}));
    QTest::keyClicks(Find(w, "替换为编辑框"), "LL");
    QCOMPARE(f.Column(1), QStringList({"heLLo.txt", "yeLLow.txt"}));
  }

  void regexPatternsAndTheirErrors() {
    Fixture f;
    MainWindow& w = f.window;
    w.settings().autoPreview = true;
    f.AddFolderOf("x", {"01 - a.mp3", "02 - b.mp3"});
    w.optionTabs()->setCurrentIndex(1);
    auto* regex = Find<QCheckBox>(w, "正则表达式选择框");
    QCOMPARE(regex->text(), U("正则表达式"));
    QVERIFY(!regex->isChecked());
    QTest::mouseClick(regex, Qt::LeftButton);
    QTest::keyClicks(Find(w, "查找内容编辑框"), R"(^(\d+) - (.*)$)");
    QTest::keyClicks(Find(w, "替换为编辑框"), "$2 $1");
    QCOMPARE(f.Column(1), QStringList({"a 01.mp3", "b 02.mp3"}));

    // A pattern that does not compile: the names stay, pane 1 says why, also after
    // a toolbar click, and "开始命名" shows the message instead of renaming.
    const QString error = U("正则表达式错误：missing closing parenthesis（偏移 2）");
    Find(w, "查找内容编辑框")->setText("(a");
    QCOMPARE(f.Column(1), QStringList({"a 01.mp3", "b 02.mp3"}));
    QCOMPARE(w.statusPane(1)->text(), error);
    w.toolbarAction(MainWindow::kToolPreview)->trigger();
    QCOMPARE(w.statusPane(1)->text(), error);
    w.toolbarAction(MainWindow::kToolRename)->trigger();
    QCOMPARE(f.log.messages.size(), 1);
    QCOMPARE(f.log.messages[0].icon, QMessageBox::Warning);
    QCOMPARE(f.log.messages[0].text, error);
    QCOMPARE(QDir(f.Folder("x")).entryList(QDir::Files), QStringList({"01 - a.mp3", "02 - b.mp3"}));
    QVERIFY(!f.Enabled(MainWindow::kToolUndo));

    // Mended, or no longer a pattern: the message goes.
    Find(w, "查找内容编辑框")->setText(R"((\d+) - (a))");
    QCOMPARE(w.statusPane(1)->text(), QString());
    QCOMPARE(f.Column(1), QStringList({"a 01.mp3", "02 - b.mp3"}));
    Find(w, "查找内容编辑框")->setText("(");
    QCOMPARE(w.statusPane(1)->text(), U("正则表达式错误：missing closing parenthesis（偏移 1）"));
    QTest::mouseClick(regex, Qt::LeftButton);
    QCOMPARE(w.statusPane(1)->text(), QString());
    // Literal again: "(" is found nowhere and "$2 $1" is plain text.
    QCOMPARE(f.Column(1), QStringList({"01 - a.mp3", "02 - b.mp3"}));
  }

  void addFolderTreeListsSubfoldersInOrder() {
    Fixture f;
    MainWindow& w = f.window;
    w.settings().autoPreview = true;
    MakeFiles(f.Folder("t"), {"b.txt", "a.txt"});
    MakeFiles(f.Folder("t/sub10"), {"z.txt"});
    MakeFiles(f.Folder("t/sub9/deeper"), {"y.txt"});
    MakeFiles(f.Folder("t/.hidden"), {"h.txt"});
    QFile::link(f.Folder("t/sub10"), f.Folder("t/link"));
    f.log.folderAnswer = f.Folder("t");
    QAction* menuItem = w.findChild<QAction*>("addFolderTreeAction");
    QVERIFY(menuItem);
    // The window goes on handling its events while the folders are read.
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(0);
    menuItem->trigger();
    ticker.stop();
    QVERIFY(ticks > 0);
    QCOMPARE(f.log.folderCaption, U("请选择一个目录"));
    QCOMPARE(f.Column(0), QStringList({"a.txt", "b.txt", "y.txt", "z.txt"}));
    const QString t = f.Folder("t/");
    QCOMPARE(f.Column(2), QStringList({t, t, t + "sub9/deeper/", t + "sub10/"}));
    // Numbered on across the folders, in list order.
    QCOMPARE(f.Column(1), QStringList({"0.txt", "1.txt", "2.txt", "3.txt"}));
    QCOMPARE(w.statusPane(0)->text(), U("4个文件"));
    QVERIFY(f.Enabled(MainWindow::kToolRename));
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QVERIFY(f.log.messages.isEmpty());

    // A folder that is gone is reported once; the list keeps what it had.
    f.log.folderAnswer = f.Folder("gone");
    menuItem->trigger();
    QCOMPARE(f.log.messages.size(), 1);
    QCOMPARE(f.log.messages[0].icon, QMessageBox::Warning);
    QVERIFY(f.log.messages[0].text.startsWith(U("有 1 个目录无法读取，已跳过")));
    QCOMPARE(w.listModel()->rowCount(), 4);

    // `tessarn -r PATH`: files first, then the folder with its subfolders.
    w.ClearList();
    const std::string folder = QFile::encodeName(f.Folder("t/sub9")).toStdString();
    const std::string file = QFile::encodeName(f.Folder("t/b.txt")).toStdString();
    w.AddDropped({folder, file}, true);
    QCOMPARE(f.Column(0), QStringList({"b.txt", "y.txt"}));
  }

  void onlyTheShownPageApplies() {
    Fixture f;
    MainWindow& w = f.window;
    w.settings().autoPreview = true;
    f.AddFolderOf("s", {"a.txt"});
    QTest::keyClicks(Find(w, "文件名编辑框"), "m");
    w.optionTabs()->setCurrentIndex(1);
    QTest::keyClicks(Find(w, "查找内容编辑框"), "a");
    QTest::keyClicks(Find(w, "替换为编辑框"), "b");
    QCOMPARE(Cell(w, 0, 1), QString("b.txt"));
    w.optionTabs()->setCurrentIndex(0);
    QCOMPARE(Cell(w, 0, 1), QString("m0.txt"));
    w.optionTabs()->setCurrentIndex(3);
    QCOMPARE(Cell(w, 0, 1), QString("A.TXT"));
  }

  void chineseNamesRoundTrip() {
    Fixture f;
    MainWindow& w = f.window;
    w.settings().autoPreview = true;
    f.AddFolderOf(U("中文"), {U("歌曲.txt")});
    QCOMPARE(Cell(w, 0, 0), U("歌曲.txt"));
    QCOMPARE(Cell(w, 0, 2), f.Folder(U("中文")) + "/");
    w.optionTabs()->setCurrentIndex(2);
    Find(w, "插入到文件名的字符编辑框")->setText(U("新"));
    Find<QRadioButton>(w, "插入文件名尾单选框")->click();
    QCOMPARE(Cell(w, 0, 1), U("歌曲新.txt"));
    w.toolbarAction(MainWindow::kToolRename)->trigger();
    QCOMPARE(FilesIn(f.Folder(U("中文"))), QStringList({U("歌曲新.txt")}));
  }

  void mp3PageNamesAndPrunesUntaggedRows() {
    Fixture f;
    MainWindow& w = f.window;
    w.settings().autoPreview = true;
    MakeFiles(f.Folder("mp3"), {"a.txt", "b.mp3"});
    // c.mp3 carries an ID3v1 block with the artist "Singer".
    QByteArray block("TAG");
    block += QByteArray(30, '\0') + QByteArray("Singer").leftJustified(30, '\0');
    block += QByteArray(30 + 4 + 30, '\0') + QByteArray(1, '\xff');
    QFile c(f.Folder("mp3/c.mp3"));
    QVERIFY(c.open(QIODevice::WriteOnly));
    c.write(QByteArray(256, 'x') + block);
    c.close();
    f.log.folderAnswer = f.Folder("mp3");
    w.toolbarAction(MainWindow::kToolFolder)->trigger();
    w.optionTabs()->setCurrentIndex(static_cast<int>(tessarn::OptionPage::kMp3));
    QTest::keyClicks(Find(w, "MP3命名规则编辑框"), "#1");
    QCOMPARE(f.Column(1), QStringList({"", "", "Singer.mp3"}));
    QCOMPARE(f.Column(4), QStringList({U("非MP3文件"), U("无标签"), ""}));

    w.UpdateContextMenu();
    QAction* prune = nullptr;
    for (QAction* a : w.contextMenu()->actions())
      if (a->text() == U("删除无MP3标签项目(&M)")) prune = a;
    QVERIFY(prune && prune->isEnabled());
    prune->trigger();
    QCOMPARE(f.Column(0), QStringList({"c.mp3"}));
    QCOMPARE(w.statusPane(0)->text(), U("1个文件"));
  }

  void clearRunsExactlyOnePass() {
    Fixture f;
    MainWindow& w = f.window;
    w.settings().autoPreview = true;
    f.AddFolderOf("c", {"a.txt", "b.txt"});
    QTest::keyClicks(Find(w, "文件名前缀编辑框"), "p");
    QTest::keyClicks(Find(w, "文件名后缀编辑框"), "s");
    Find(w, "增量编辑框")->setText("5");
    QCOMPARE(Cell(w, 1, 1), QString("p5s.txt"));

    QSignalSpy passes(w.listModel(), &QAbstractItemModel::dataChanged);
    Find<QPushButton>(w, "常规清空按钮")->click();
    QCOMPARE(passes.count(), 1);
    for (const char* name : {"文件名前缀编辑框", "文件名编辑框", "文件名位数调节编辑框",
                             "文件名后缀编辑框", "扩展名前缀编辑框", "新扩展名编辑框",
                             "扩展名位数调节编辑框", "扩展名后缀编辑框", "起始量编辑框"})
      QVERIFY2(Find(w, name)->text().isEmpty(), name);
    QCOMPARE(Find(w, "增量编辑框")->text(), QString("5"));
    QVERIFY(w.settings().autoPreview);
    QCOMPARE(Cell(w, 1, 1), QString("5.txt"));
  }

  void addFilesRemembersTheFolder() {
    Fixture f;
    MainWindow& w = f.window;
    MakeFiles(f.Folder("pick"), {"one.mp3", "semi;colon.txt"});
    f.log.filesAnswer = {f.Folder("pick") + "/semi;colon.txt", f.Folder("pick") + "/one.mp3"};
    w.toolbarAction(MainWindow::kToolAddFiles)->trigger();
    QCOMPARE(f.log.filesTitle, U("请选择文件(可多选)："));
    QVERIFY(f.log.filesFilter.startsWith(U("所有文件(")));
    QCOMPARE(f.Column(0), QStringList({"semi;colon.txt", "one.mp3"}));
    QCOMPARE(w.statusPane(0)->text(), U("2个文件"));
    QVERIFY(f.Enabled(MainWindow::kToolRename));

    QFile dirTxt(f.Folder("dir.txt"));
    QVERIFY(dirTxt.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(dirTxt.readAll()), f.Folder("pick") + "/");
    dirTxt.close();

    // Cancelling adds nothing and keeps dir.txt; the dialog opened in the folder.
    f.log.filesAnswer.clear();
    w.toolbarAction(MainWindow::kToolAddFiles)->trigger();
    QCOMPARE(f.log.filesInitialFolder, f.Folder("pick") + "/");
    QCOMPARE(w.listModel()->rowCount(), 2);
  }

  void dropAddsFilesBeforeFolders() {
    Fixture f;
    MainWindow& w = f.window;
    MakeFiles(f.Folder("parent/sub"), {"inner1.txt", "inner2.txt"});
    MakeFiles(f.Folder("parent"), {"loose.txt"});
    // What a drop's mime data carries (a synthetic drop event has no drag behind it).
    w.AddDroppedUrls({QUrl::fromLocalFile(f.Folder("parent/sub")),
                      QUrl("https://example.org/not-local"),
                      QUrl::fromLocalFile(f.Folder("parent/loose.txt"))});
    QCOMPARE(f.Column(0), QStringList({"loose.txt", "inner1.txt", "inner2.txt"}));
    QCOMPARE(w.statusPane(0)->text(), U("3个文件"));
    QVERIFY(f.Enabled(MainWindow::kToolPreview));
  }

  void contextMenuEnabling() {
    Fixture f;
    MainWindow& w = f.window;
    auto enabled = [&] {
      QStringList on;
      w.UpdateContextMenu();
      for (QAction* a : w.contextMenu()->actions())
        if (!a->isSeparator() && a->isEnabled()) on << a->text();
      return on;
    };
    QStringList all;
    for (QAction* a : w.contextMenu()->actions()) all << (a->isSeparator() ? "-" : a->text());
    QCOMPARE(all, QStringList({U("预览(&V)"), "-", U("添加整个目录(&O)"), U("加入文件(&F)"),
                               U("添加目录及子目录(&S)..."), "-", U("过滤(&L)..."), "-",
                               U("删除选择的项目(&D)"), U("清空列表(&E)"), "-", U("MP3标签信息(&I)..."), U("删除无MP3标签项目(&M)"), "-",
                               U("全选(&A)")}));
    QCOMPARE(enabled(),
             QStringList({U("添加整个目录(&O)"), U("加入文件(&F)"), U("添加目录及子目录(&S)...")}));
    // Each item answers to a key of its own.
    QSet<QChar> keys;
    for (const QString& text : all) {
      if (text == "-") continue;
      const qsizetype amp = text.indexOf('&');
      QVERIFY2(amp >= 0 && amp + 1 < text.size(), qPrintable(text));
      keys.insert(text[amp + 1].toUpper());
    }
    QCOMPARE(keys.size(), 10);

    f.AddFolderOf("m", {"a.mp3", "b.txt"});
    QCOMPARE(enabled(), QStringList({U("预览(&V)"), U("添加整个目录(&O)"), U("加入文件(&F)"),
                                     U("添加目录及子目录(&S)..."), U("过滤(&L)..."),
                                     U("清空列表(&E)"), U("全选(&A)")}));
    w.listView()->selectionModel()->select(w.listModel()->index(1, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    w.optionTabs()->setCurrentIndex(static_cast<int>(tessarn::OptionPage::kMp3));
    QVERIFY(enabled().contains(U("删除选择的项目(&D)")));
    QVERIFY(enabled().contains(U("MP3标签信息(&I)...")));
    QVERIFY(enabled().contains(U("删除无MP3标签项目(&M)")));
  }

  void keysAndDeletion() {
    Fixture f;
    MainWindow& w = f.window;
    f.AddFolderOf("k", {"1.txt", "2.txt", "3.txt", "4.txt", "5.txt"});
    FileListView* view = w.listView();
    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(view->CurrentRow(), -1);
    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(view->SelectedRows().size(), std::size_t{5});

    view->clearSelection();
    for (int r : {0, 2, 3})
      view->selectionModel()->select(w.listModel()->index(r, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QCOMPARE(view->CurrentRow(), 0);
    QTest::keyClick(view, Qt::Key_Delete, Qt::ShiftModifier);
    QCOMPARE(f.Column(0), QStringList({"2.txt", "5.txt"}));
    QCOMPARE(w.statusPane(0)->text(), U("2个文件"));
    QVERIFY(f.Enabled(MainWindow::kToolRename));

    w.SelectAllRows();
    QTest::keyClick(view, Qt::Key_Delete);
    QCOMPARE(w.listModel()->rowCount(), 0);
    QVERIFY(!f.Enabled(MainWindow::kToolRename));
    QVERIFY(!f.Enabled(MainWindow::kToolPreview));
    QVERIFY(!f.Enabled(MainWindow::kToolUndo));
  }

  // The list moves by rows: Home and End go to the first and last row, Left and
  // Right scroll the columns and keep the row, and type-ahead searches the column
  // it searched before.
  void arrowKeysMoveByWholeRows() {
    Fixture f;
    MainWindow& w = f.window;
    f.AddFolderOf("k", {"apple.txt", "banana.txt", "cherry.txt", "date.txt"});
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    FileListView* view = w.listView();
    view->setFocus();
    view->header()->resizeSection(kStatusColumn, 2000);  // room to scroll sideways
    QTest::keyClick(view, Qt::Key_Down);
    QTest::keyClick(view, Qt::Key_End);
    QCOMPARE(view->SelectedRows(), (std::vector<std::size_t>{3}));
    QTest::keyClick(view, Qt::Key_Home, Qt::ShiftModifier);
    QCOMPARE(view->SelectedRows().size(), std::size_t{4});
    QTest::keyClick(view, Qt::Key_Down);
    QTest::keyClick(view, Qt::Key_Home);
    QCOMPARE(view->SelectedRows(), (std::vector<std::size_t>{0}));
    QTest::keyClick(view, Qt::Key_Right);
    QTest::keyClick(view, Qt::Key_Right);
    QCOMPARE(view->SelectedRows(), (std::vector<std::size_t>{0}));
    QVERIFY(view->horizontalScrollBar()->value() > 0);
    QCOMPARE(view->currentIndex().column(), tessarn::kOldNameColumn);
    QTest::keyClicks(view, "ch");
    QCOMPARE(view->SelectedRows(), (std::vector<std::size_t>{2}));
  }

  // Every row has the height the view's font gives a cell with a status icon, and
  // a larger font makes the rows taller.
  void rowsFollowTheListFont() {
    Fixture f;
    f.AddFolderOf("r", Numbered("f%02d.txt", 3));
    FileListView* view = f.window.listView();
    const int height = view->RowHeight();
    QVERIFY(height >= view->fontMetrics().height());
    for (int r = 0; r < 3; ++r) QCOMPARE(view->rowHeight(r), height);
    QFont larger = view->font();
    larger.setPointSize(larger.pointSize() * 2);
    view->setFont(larger);
    QVERIFY(view->RowHeight() > height);
    QCOMPARE(view->rowHeight(2), view->RowHeight());
  }

  void clearListEndsTheUndo() {
    Fixture f;
    MainWindow& w = f.window;
    f.AddFolderOf("u", {"a.txt"});
    QTest::keyClicks(Find(w, "文件名编辑框"), "n");
    w.toolbarAction(MainWindow::kToolRename)->trigger();
    QVERIFY(f.Enabled(MainWindow::kToolUndo));
    w.ClearList();
    QVERIFY(!f.Enabled(MainWindow::kToolUndo));
    QCOMPARE(w.statusPane(0)->text(), U("0个文件"));
  }

  void doubleClickWithoutRowOpensTheFileDialog() {
    Fixture f;
    MainWindow& w = f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::mouseDClick(w.listView()->viewport(), Qt::LeftButton, {}, QPoint(20, 60));
    QCOMPARE(f.log.filesCalls, 1);
  }

  void ctrlXCutsInTextBoxesAndExitsElsewhere() {
    Fixture f;
    MainWindow& w = f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QLineEdit* prefix = Find(w, "文件名前缀编辑框");
    prefix->setText("abc");
    prefix->setFocus();
    prefix->selectAll();
    QTest::keyClick(prefix, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(prefix->text(), QString());
    QVERIFY(w.isVisible());
    QVERIFY(!QFile::exists(f.Folder("config.ini")));

    w.listView()->setFocus();
    QTest::keyClick(w.listView(), Qt::Key_X, Qt::ControlModifier);
    QVERIFY(!w.isVisible());
    QVERIFY(QFile::exists(f.Folder("config.ini")));
  }

  void closingSavesTheTenKeys() {
    Fixture f;
    f.window.close();
    QFile ini(f.Folder("config.ini"));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    const QByteArray bytes = ini.readAll();
    const QString text = QString::fromUtf8(tessarn::GbToUtf8Lossy(bytes.toStdString()));
    for (const char* line : {"自动预览=关", "全部预览=关", "预览数量=10", "背景颜色=8429696",
                             "字体颜色=8388608", "字体名称=宋体", "字体大小=10", "字体样式=常规",
                             "ID3v2写入编码=Unicode", "旧标签编码=自动"})
      QVERIFY2(text.contains(U(line)), line);
    // Stored as GBK: the bytes are not UTF-8.
    QVERIFY(!bytes.contains(U("预览").toUtf8()));
  }

  void helpWithoutItsPageSaysSo() {
    Fixture f;
    f.window.toolbarAction(MainWindow::kToolHelp)->trigger();
    // The test binary has no help beside it or in a share folder above it.
    QVERIFY(f.log.opened.isEmpty());
    QCOMPARE(f.log.messages.size(), 1);
    QCOMPARE(f.log.messages[0].icon, QMessageBox::Warning);
    QVERIFY(f.log.messages[0].text.startsWith(U("无法打开帮助文件：/")));
    QVERIFY(f.log.messages[0].text.endsWith("/share/tessarn/help/index.html"));
    QCOMPARE(f.window.statusPane(1)->text(), QString());
  }

  void helpIsFoundBesideOrInstalled() {
    QTemporaryDir root;
    const QString bin = root.path() + "/bin";
    QDir().mkpath(bin);
    QList<QUrl> opened;
    bool viewerStarts = true;
    const auto open = [&](const QUrl& url) {
      opened << url;
      return viewerStarts;
    };
    const QString installed = root.path() + "/share/tessarn/help/index.html";
    QCOMPARE(tessarn::FindHelpPage(bin), QString());
    QCOMPARE(tessarn::OpenHelpPage(bin, open), installed);  // missing: named where it belongs
    QVERIFY(opened.isEmpty());
    MakeFiles(root.path() + "/share/tessarn/help", {"index.html"});
    QCOMPARE(tessarn::FindHelpPage(bin), installed);
    QCOMPARE(tessarn::OpenHelpPage(bin, open), QString());
    QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(installed)});
    viewerStarts = false;  // no viewer on this desktop
    QCOMPARE(tessarn::OpenHelpPage(bin, open), installed);
    MakeFiles(bin + "/help", {"index.html"});
    QCOMPARE(tessarn::FindHelpPage(bin), bin + "/help/index.html");
  }

  void unreadableAndMissingPathsAreToldOnce() {
    Fixture f;
    MakeFiles(f.Folder("ok"), {"a.txt"});
    MakeFiles(f.Folder(""), {"plain.txt"});
    const auto disk = [&](const QString& name) {
      return QFile::encodeName(f.Folder(name)).toStdString();
    };
    f.window.AddStartPaths({disk("gone1"), disk("ok"), disk("gone2")});
    QCOMPARE(f.Column(tessarn::kOldNameColumn), QStringList({"a.txt"}));
    QCOMPARE(f.log.messages.size(), 1);
    QCOMPARE(f.log.messages[0].icon, QMessageBox::Warning);
    QCOMPARE(f.log.messages[0].text,
             U("文件或目录不存在：") + f.Folder("gone1") + "\n" + f.Folder("gone2"));

    // A chosen "folder" that cannot be listed (here a file) is named.
    f.log.messages.clear();
    f.log.folderAnswer = f.Folder("plain.txt");
    f.window.toolbarAction(MainWindow::kToolFolder)->trigger();
    QCOMPARE(f.log.messages.size(), 1);
    QCOMPARE(f.log.messages[0].text, U("无法读取目录：") + f.Folder("plain.txt"));
    QCOMPARE(f.Column(tessarn::kOldNameColumn), QStringList({"a.txt"}));
  }

  void firstStartShowsFifteenRows() {
    Fixture f;
    f.AddFolderOf("many", Numbered("f%02d.txt", 30));
    f.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    FileListView* view = f.window.listView();
    const int rowHeight = view->sizeHintForRow(0);
    QVERIFY(rowHeight > 0);
    QVERIFY2(
        view->viewport()->height() >= 15 * rowHeight,
        qPrintable(
            QString("%1 px for rows of %2 px").arg(view->viewport()->height()).arg(rowHeight)));
    QCOMPARE(f.window.width(), f.window.minimumWidth());
  }

  void reopensAsItWasClosed() {
    QTemporaryDir dir;
    PromptLog log;
    const int widths[] = {210, 120, 260, 90, 70};
    {
      MainWindow w(dir.path(), PromptsFor(log));
      w.show();
      QVERIFY(QTest::qWaitForWindowExposed(&w));
      w.resize(760, 530);
      for (int c = 0; c < 5; ++c) w.listView()->header()->resizeSection(c, widths[c]);
      w.close();
    }
    MainWindow again(dir.path(), PromptsFor(log));
    QCOMPARE(again.size(), QSize(760, 530));
    for (int c = 0; c < 5; ++c) QCOMPARE(again.listView()->header()->sectionSize(c), widths[c]);
    QVERIFY(!again.isMaximized());
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    again.showMaximized();
    QTRY_VERIFY(again.isMaximized());
    again.close();
    // Maximised again, and back to the size it had before when restored.
    MainWindow third(dir.path(), PromptsFor(log));
    QVERIFY(third.isMaximized());
    third.showNormal();
    QCOMPARE(third.size(), QSize(760, 530));
    // The preferences are still where they were.
    QFile ini(dir.path() + "/config.ini");
    QVERIFY(ini.open(QIODevice::ReadOnly));
    const QByteArray bytes = ini.readAll();
    QVERIFY(bytes.startsWith(tessarn::ToGb(U("[预览选项]")).c_str()));
    QVERIFY(bytes.contains(tessarn::ToGb(U("[窗口]")).c_str()));
  }

  void renameAndUndoOfAnEmptyListShowNothing() {
    Fixture f;
    f.window.RunRenameAndReport();
    f.window.UndoAndReport();
    QVERIFY(f.log.messages.isEmpty());
  }

  void menusCarryTheirShortcuts() {
    Fixture f;
    QStringList seen;
    for (QAction* top : f.window.menuBar()->actions()) {
      seen << top->text();
      for (QAction* a : top->menu()->actions())
        seen << (a->isSeparator() ? "-" : a->text() + " " + a->shortcut().toString());
    }
    QCOMPARE(seen, QStringList({U("文件(&F)"), U("选择目录(&D)... Ctrl+D"),
                                U("添加文件(&N)... Ctrl+F"), U("添加目录及子目录(&S)... "), "-",
                                U("撤消历史(&H)... "), "-", U("退出(&X) Ctrl+X"), U("选项(&O)"),
                                U("设置(&S)... Ctrl+S"), U("帮助(&H)"), U("内容(&D)... F1"),
                                U("关于(&A)... ")}));
  }

  void aboutBoxClosesOnAClick() {
    tessarn::AboutDialog about;
    QCOMPARE(about.windowTitle(), U("关于Tessarn更名器"));
    QCOMPARE(about.size(), QSize(335, 256));
    QStringList texts;
    for (QLabel* l : about.findChildren<QLabel*>()) texts << l->text();
    for (const char* t : {"软件名称：", "Tessarn批量更名器", "版本：", "1.0.0测试版"})
      QVERIFY2(texts.contains(U(t)), t);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QTest::mouseClick(&about, Qt::LeftButton, {}, QPoint(200, 100));
    QVERIFY(!about.isVisible());
    QCOMPARE(about.result(), int(QDialog::Accepted));
  }

  void commandLinePathsAreMadeAbsolute() {
    const char* argv[] = {"tessarn", "a.txt", "", "/abs/b", "sub/"};
    const std::vector<std::string> expected = {"/home/u/a.txt", "/abs/b", "/home/u/sub/"};
    QVERIFY(tessarn::CommandLinePaths(5, argv, "/home/u") == expected);
    QVERIFY(tessarn::CommandLinePaths(2, argv, "/") == std::vector<std::string>{"/a.txt"});
    QVERIFY(tessarn::CommandLinePaths(1, argv, "/").empty());

    const char* withOption[] = {"tessarn", "a", "-r", "--", "-r"};
    const tessarn::StartArguments start = tessarn::ParseStartArguments(5, withOption, "/u");
    QVERIFY(start.recursive);
    QVERIFY((start.paths == std::vector<std::string>{"/u/a", "/u/-r"}));
    QVERIFY(!tessarn::ParseStartArguments(2, withOption, "/u").recursive);
  }

  void hundredThousandRowsStayCheap() {
    Fixture f;
    MainWindow& w = f.window;
    tessarn::FileList& list = w.fileList();
    QSignalSpy inserted(w.listModel(), &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(w.listModel(), &QAbstractItemModel::dataChanged);
    for (int i = 0; i < 100000; ++i) {
      tessarn::FileEntry e;
      e.oldName = "f" + std::to_string(i);
      e.folder = list.InternDiskFolder("/x/");
      list.entries.push_back(std::move(e));
    }
    tessarn::RefreshRows(list, 5, 0, 99999, "/x/");
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(w.listModel()->rowCount(), 100000);
    QCOMPARE(Cell(w, 99999, 0), QString("f99999"));
    w.SelectAllRows();
    QCOMPARE(w.listView()->CurrentRow(), 0);
  }
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
