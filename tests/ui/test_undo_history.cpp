// The undo history as the window uses it, offscreen: a run made in the window is
// undone by tessarn-cli, a restarted window undoes the last run from "撤消历史",
// and the toolbar's undo leaves alone a file that took the place of a renamed one;
// tags written from names are a run of their own, undone from the same dialog.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <memory>

#include "ui/history_dialog.h"
#include "ui/option_tabs.h"
#include "ui_test_support.h"

using tessarn::MainWindow;

namespace {

struct Fixture {
  QTemporaryDir dir;
  PromptLog log;
  QString state = dir.path() + "/state";
  bool stateInDir = qputenv("XDG_STATE_HOME", QFile::encodeName(state));
  std::unique_ptr<MainWindow> window = std::make_unique<MainWindow>(dir.path(), PromptsFor(log));

  QString Folder() { return dir.path() + "/files"; }
  // Adds the folder's files and renames them with the prefix "x_".
  void RenameWithPrefix(const QStringList& names) {
    MakeFiles(Folder(), names);
    log.folderAnswer = Folder();
    window->toolbarAction(MainWindow::kToolFolder)->trigger();
    QTest::keyClicks(Find(*window, "文件名前缀编辑框"), "x_");
    window->toolbarAction(MainWindow::kToolRename)->trigger();
  }
  // Opens "撤消历史" from the 文件 menu and hands the open dialog to `use`.
  void WithHistoryDialog(const std::function<void(tessarn::HistoryDialog&)>& use) {
    QAction* action = window->findChild<QAction*>(QStringLiteral("historyAction"));
    QVERIFY(action != nullptr);
    QCOMPARE(action->text(), U("撤消历史(&H)..."));
    bool used = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<tessarn::HistoryDialog*>(QApplication::activeModalWidget());
      if (dialog != nullptr) {
        use(*dialog);
        used = true;
        dialog->reject();
      }
    });
    action->trigger();
    QVERIFY(used);
  }
};

QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList RowTexts(QTreeWidget* runs, int row) {
  QStringList texts;
  for (int c = 0; c < runs->columnCount(); ++c) texts << runs->topLevelItem(row)->text(c);
  return texts;
}

}  // namespace

class UndoHistoryTest : public QObject {
  Q_OBJECT

 private slots:
  void aWindowRunIsUndoneByTheCommandLine() {
    Fixture f;
    f.RenameWithPrefix({"a.txt", "b.txt"});
    QCOMPARE(FilesIn(f.Folder()), QStringList({"x_0.txt", "x_1.txt"}));
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_STATE_HOME", f.state);
    cli.setProcessEnvironment(env);
    cli.start(QStringLiteral(TESSARN_CLI_PATH), {"undo"});
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.exitCode(), 0);
    QCOMPARE(FilesIn(f.Folder()), QStringList({"a.txt", "b.txt"}));
    // The window's own undo then finds nothing left and says so; no file moves.
    f.window->toolbarAction(MainWindow::kToolUndo)->trigger();
    QCOMPARE(FilesIn(f.Folder()), QStringList({"a.txt", "b.txt"}));
    QCOMPARE(f.log.messages.last().text, U("没有可撤消的更名操作。"));
    QVERIFY(!f.window->toolbarAction(MainWindow::kToolUndo)->isEnabled());
  }

  void aRestartedWindowUndoesTheLastRunFromTheHistory() {
    Fixture f;
    f.RenameWithPrefix({"a.txt", "b.txt", "c.txt"});
    f.window.reset();  // closed (or crashed): the list and its undo are gone
    f.window = std::make_unique<MainWindow>(f.dir.path(), PromptsFor(f.log));
    QVERIFY(!f.window->toolbarAction(MainWindow::kToolUndo)->isEnabled());
    f.log.messages.clear();
    f.WithHistoryDialog([&](tessarn::HistoryDialog& dialog) {
      auto* runs = dialog.findChild<QTreeWidget*>(U("历史列表"));
      auto* undo = dialog.findChild<QPushButton*>(U("撤消按钮"));
      QCOMPARE(dialog.windowTitle(), U("撤消历史"));
      QCOMPARE(runs->topLevelItemCount(), 1);
      QStringList row = RowTexts(runs, 0);
      QCOMPARE(row[0], QString("1"));
      QCOMPARE(row[2], QString("3"));
      QCOMPARE(row[3], f.Folder() + "/");
      QCOMPARE(row[4], U("未撤消"));
      QVERIFY(undo->isEnabled());
      undo->click();
      QCOMPARE(RowTexts(runs, 0)[4], U("已撤消"));
      QVERIFY(!undo->isEnabled());
    });
    QCOMPARE(FilesIn(f.Folder()), QStringList({"a.txt", "b.txt", "c.txt"}));
    QCOMPARE(f.log.messages.size(), 2);
    QVERIFY(f.log.messages[0].text.startsWith(U("将撤消")));
    QVERIFY(f.log.messages[0].text.endsWith(U("的更名（共 3 个文件）。是否继续？")));
    QCOMPARE(f.log.messages[1].text, U("上一次的操作已经成功撤消！"));
  }

  // Selecting the oldest of three runs and pressing 撤消 asks once, naming the
  // three, then takes them all back, newest first; No changes nothing.
  void theSelectedRunIsUndoneWithEveryNewerOne() {
    Fixture f;
    f.RenameWithPrefix({"a.txt", "b.txt"});  // x_0.txt, x_1.txt
    for (const char* prefix : {"y_", "z_"}) {
      QLineEdit* box = Find(*f.window, "文件名前缀编辑框");
      box->clear();
      QTest::keyClicks(box, prefix);
      f.window->toolbarAction(MainWindow::kToolRename)->trigger();
    }
    QCOMPARE(FilesIn(f.Folder()), QStringList({"z_0.txt", "z_1.txt"}));
    f.log.messages.clear();
    for (QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
      f.log.answer = answer;
      f.WithHistoryDialog([&](tessarn::HistoryDialog& dialog) {
        auto* runs = dialog.findChild<QTreeWidget*>(U("历史列表"));
        QCOMPARE(runs->topLevelItemCount(), 3);
        QCOMPARE(runs->currentItem(), runs->topLevelItem(0));  // the newest left
        runs->setCurrentItem(runs->topLevelItem(2));
        dialog.findChild<QPushButton*>(U("撤消按钮"))->click();
      });
    }
    QCOMPARE(f.log.messages.size(), 3);  // the question twice, then the summary
    QVERIFY(f.log.messages[0].text.startsWith(U("将撤消 3 次操作（共 6 个文件），最早一次为 ")));
    QVERIFY(f.log.messages[0].text.endsWith(U("的更名。是否继续？")));
    QCOMPARE(FilesIn(f.Folder()), QStringList({"a.txt", "b.txt"}));
    const QString summary = f.log.messages[2].text;
    QVERIFY2(summary.startsWith(U("已成功撤消 3 次操作：")), qPrintable(summary));
    QVERIFY(summary.indexOf(U("操作 3（")) < summary.indexOf(U("操作 1（")));
    // The list shows the files as they are again.
    QCOMPARE(Cell(*f.window, 0, 0), QString("a.txt"));
  }

  void theToolbarUndoLeavesAReplacedFileAlone() {
    Fixture f;
    f.RenameWithPrefix({"a.txt", "b.txt"});
    QVERIFY(QFile::rename(f.Folder() + "/x_0.txt", f.Folder() + "/elsewhere"));
    MakeFiles(f.Folder(), {"x_0.txt"});  // another file under the new name
    f.window->toolbarAction(MainWindow::kToolUndo)->trigger();
    QCOMPARE(FilesIn(f.Folder()), QStringList({"b.txt", "elsewhere", "x_0.txt"}));
    QCOMPARE(Cell(*f.window, 0, 3), U("撤消失败"));
    QCOMPARE(f.window->listModel()->index(0, tessarn::kStatusColumn).data(Qt::ToolTipRole).toString(),
             U("文件已被替换"));
    QCOMPARE(Cell(*f.window, 1, 3), U("撤消成功"));
    QCOMPARE(Cell(*f.window, 1, 0), QString("b.txt"));
    QVERIFY(f.log.messages.last().text.contains(U("文件已被替换：1 个文件")));
    // The row is left for another try, which works once the file is back.
    QVERIFY(f.window->toolbarAction(MainWindow::kToolUndo)->isEnabled());
    QVERIFY(QFile::remove(f.Folder() + "/x_0.txt"));
    QVERIFY(QFile::rename(f.Folder() + "/elsewhere", f.Folder() + "/x_0.txt"));
    f.window->toolbarAction(MainWindow::kToolUndo)->trigger();
    QCOMPARE(FilesIn(f.Folder()), QStringList({"a.txt", "b.txt"}));
    QCOMPARE(Cell(*f.window, 0, 0), QString("a.txt"));
    QVERIFY(!f.window->toolbarAction(MainWindow::kToolUndo)->isEnabled());
  }
  void tagsFromNamesAreUndoneFromTheHistory() {
    Fixture f;
    const QString song = f.Folder() + "/" + U("邓丽君-月亮代表我的心.mp3");
    MakeFiles(f.Folder(), {U("邓丽君-月亮代表我的心.mp3")});
    const QByteArray old = QByteArray("TAG") + QByteArray(125, 'x') + QByteArray(300, 'A');
    {
      QFile file(song);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(old);
    }
    f.log.folderAnswer = f.Folder();
    f.window->toolbarAction(MainWindow::kToolFolder)->trigger();
    f.window->optionTabs()->setCurrentIndex(4);
    Find(*f.window, "MP3命名规则编辑框")->setText(U("#1-#2"));
    Find<QPushButton>(*f.window, "从文件名写入标签按钮")->click();
    QVERIFY(ReadBytes(song) != old);

    f.WithHistoryDialog([&](tessarn::HistoryDialog& dialog) {
      auto* runs = dialog.findChild<QTreeWidget*>(U("历史列表"));
      QCOMPARE(runs->topLevelItemCount(), 1);
      QCOMPARE(RowTexts(runs, 0)[2], QString("1"));
      QCOMPARE(RowTexts(runs, 0)[5], U("标签"));
      dialog.findChild<QPushButton*>(U("撤消按钮"))->click();
      QCOMPARE(RowTexts(runs, 0)[4], U("已撤消"));
    });
    QCOMPARE(ReadBytes(song), old);
    QCOMPARE(FilesIn(f.Folder()), QStringList({U("邓丽君-月亮代表我的心.mp3")}));
  }
};

QTEST_MAIN(UndoHistoryTest)
#include "test_undo_history.moc"
