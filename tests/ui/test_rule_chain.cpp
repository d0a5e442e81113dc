// The chain of rules, presets and sorting in the window, offscreen: steps added
// from the pages, switched off, moved and removed, with the preview following and
// one undo for a chain's run; a preset saved here names files as the command line
// names them with it; a broken preset changes nothing; header clicks and Ctrl+Down
// order the list that numbering then follows.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "ui/file_list_view.h"
#include "ui/option_tabs.h"
#include "ui/rule_chain_panel.h"
#include "ui_test_support.h"

using tessarn::MainWindow;

namespace {

QStringList NewNames(MainWindow& w) {
  QStringList names;
  for (int r = 0; r < w.listModel()->rowCount(); ++r) names << Cell(w, r, tessarn::kNewNameColumn);
  return names;
}

QStringList OldNames(MainWindow& w) {
  QStringList names;
  for (int r = 0; r < w.listModel()->rowCount(); ++r) names << Cell(w, r, tessarn::kOldNameColumn);
  return names;
}

struct Fixture : ScratchWindow {
  MainWindow& w = window;
  tessarn::OptionTabs& tabs = *w.optionTabs();
  QListWidget* steps = Find<QListWidget>(w, "规则链列表");
  QPushButton* add = Find<QPushButton>(w, "添加到规则链按钮");

  Fixture() {
    w.settings().autoPreview = true;
    w.settings().previewAll = true;
  }
  void AddFolder(const QStringList& names) {
    MakeFiles(Folder("files"), names);
    log.folderAnswer = Folder("files");
    w.toolbarAction(MainWindow::kToolFolder)->trigger();
  }
  // replace "IMG_" by nothing, then lower-case extensions, then number with "p".
  void BuildChain() {
    tabs.setCurrentIndex(1);
    QTest::keyClicks(Find(w, "查找内容编辑框"), "IMG_");
    add->click();
    tabs.setCurrentIndex(3);
    Find<QRadioButton>(w, "文件名全部小写单选框")->click();
    Find<QRadioButton>(w, "扩展名全部小写单选框")->click();
    add->click();
  }
};

class RuleChainTest : public QObject {
  Q_OBJECT
 private slots:
  void stepsApplyInOrderAndARunIsOneUndo() {
    Fixture f;
    f.AddFolder({"IMG_0001.JPG", "IMG_0002.JPG"});
    QVERIFY(f.steps != nullptr && f.add != nullptr);
    QCOMPARE(f.add->text(), U("添加到规则链"));
    f.BuildChain();
    QCOMPARE(f.steps->count(), 2);
    QCOMPARE(f.w.statusPane(1)->text(), U("规则链：2 步"));
    // The page shown now is the case page; the chain, not the page, names the files.
    Find<QRadioButton>(f.w, "文件名全部大写单选框")->click();
    QCOMPARE(NewNames(f.w), QStringList({"0001.jpg", "0002.jpg"}));

    // Off, the first step does nothing; the second still lowers.
    f.steps->item(0)->setCheckState(Qt::Unchecked);
    QCOMPARE(f.w.statusPane(1)->text(), U("规则链：1 步"));
    QCOMPARE(NewNames(f.w), QStringList({"img_0001.jpg", "img_0002.jpg"}));
    f.steps->item(0)->setCheckState(Qt::Checked);

    // Moved below the case step, the replace step still finds "img_" (it ignores
    // case): the same names.
    f.steps->setCurrentRow(0);
    Find<QPushButton>(f.w, "下移步骤按钮")->click();
    QVERIFY(f.steps->item(1)->text().contains(U("替换/删除")));
    QCOMPARE(NewNames(f.w), QStringList({"0001.jpg", "0002.jpg"}));

    // Edit: the step's settings on its page, put back changed.
    f.steps->setCurrentRow(1);
    Find<QPushButton>(f.w, "编辑步骤按钮")->click();
    QCOMPARE(f.tabs.currentIndex(), 1);
    QCOMPARE(Find(f.w, "查找内容编辑框")->text(), U("IMG_"));
    QCOMPARE(f.add->text(), U("更新所选步骤"));
    Find(f.w, "替换为编辑框")->setText(U("假期_"));
    f.add->click();
    QCOMPARE(f.steps->count(), 2);
    QCOMPARE(NewNames(f.w), QStringList({"假期_0001.jpg", "假期_0002.jpg"}));

    // The run renames by the chain, and one undo puts every file back.
    f.w.toolbarAction(MainWindow::kToolRename)->trigger();
    QCOMPARE(FilesIn(f.Folder("files")), QStringList({"假期_0001.jpg", "假期_0002.jpg"}));
    f.w.toolbarAction(MainWindow::kToolUndo)->trigger();
    QCOMPARE(FilesIn(f.Folder("files")), QStringList({"IMG_0001.JPG", "IMG_0002.JPG"}));
    QVERIFY(!f.w.toolbarAction(MainWindow::kToolUndo)->isEnabled());

    // Without steps the page applies again, and the pane says nothing of a chain.
    for (int i = 0; i < 2; ++i) {
      f.steps->setCurrentRow(0);
      Find<QPushButton>(f.w, "删除步骤按钮")->click();
    }
    QCOMPARE(f.steps->count(), 0);
    QCOMPARE(f.w.statusPane(1)->text(), QString());
  }

  void aPresetSavedHereNamesAsTheCommandLineDoes() {
    Fixture f;
    f.AddFolder({"IMG_0001.JPG", "IMG_0010.JPG", "x.JPG"});
    f.BuildChain();
    f.tabs.setCurrentIndex(0);
    QTest::keyClicks(Find(f.w, "文件名前缀编辑框"), "p");
    f.add->click();
    const QStringList windowNames = NewNames(f.w);
    QCOMPARE(windowNames, QStringList({"p0.jpg", "p1.jpg", "p2.jpg"}));
    f.log.textAnswers = QStringList{U("假期")};
    Find<QPushButton>(f.w, "保存方案按钮")->click();
    const QString file = f.dir.path() + U("/presets/假期.ini");
    QVERIFY(QFile::exists(file));

    QProcess cli;
    cli.setWorkingDirectory(f.Folder("files"));
    cli.start(QStringLiteral(TESSARN_CLI_PATH), {"preview", "--preset-file", file, "."});
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.exitCode(), 0);
    const QString out = QString::fromUtf8(cli.readAllStandardOutput());
    for (int r = 0; r < 3; ++r)
      QVERIFY2(out.contains(Cell(f.w, r, 0) + U(" → ") + windowNames[r]), qPrintable(out));

    // Loaded again after the chain was taken apart: the same names.
    f.w.chainPanel()->SetChain({});
    QCOMPARE(NewNames(f.w).first(), U("p0.JPG"));
    auto* combo = Find<QComboBox>(f.w, "方案组合框");
    QCOMPARE(combo->count(), 1);
    QVERIFY(f.w.chainPanel()->LoadPreset(U("假期")));
    QCOMPARE(f.steps->count(), 3);
    QCOMPARE(NewNames(f.w), windowNames);
  }

  void aPageSettingsPresetFillsItsPage() {
    Fixture f;
    f.AddFolder({"a.txt"});
    f.tabs.setCurrentIndex(2);
    Find(f.w, "插入到文件名的字符编辑框")->setText(U("新"));
    f.log.textAnswers = QStringList{U("插入新")};
    Find<QPushButton>(f.w, "保存方案按钮")->click();
    Find(f.w, "插入到文件名的字符编辑框")->clear();
    f.tabs.setCurrentIndex(0);
    QVERIFY(f.w.chainPanel()->LoadPreset(U("插入新")));
    QCOMPARE(f.tabs.currentIndex(), 2);
    QCOMPARE(Find(f.w, "插入到文件名的字符编辑框")->text(), U("新"));
    QCOMPARE(NewNames(f.w), QStringList({U("新a.txt")}));
    QCOMPARE(f.steps->count(), 0);
  }

  void aBrokenPresetSaysWhereAndChangesNothing() {
    Fixture f;
    f.AddFolder({"IMG_1.JPG"});
    f.BuildChain();
    QDir().mkpath(f.dir.path() + "/presets");
    QFile broken(f.dir.path() + U("/presets/坏.ini"));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("kind=chain\n[step]\nrule=replace\nfnd=x\n");
    broken.close();
    f.w.chainPanel()->ReloadPresets();
    const QStringList before = NewNames(f.w);
    QVERIFY(!f.w.chainPanel()->LoadPreset(U("坏")));
    QVERIFY(!f.log.messages.isEmpty());
    const QString said = f.log.messages.last().text;
    QVERIFY2(said.contains(U("坏.ini")) && said.contains(U("第 4 行")) && said.contains(U("fnd")),
             qPrintable(said));
    QCOMPARE(f.steps->count(), 2);
    QCOMPARE(NewNames(f.w), before);
  }

  void headerClicksSortAndNumberingFollows() {
    Fixture f;
    MakeFiles(f.Folder("files"), {"b10.txt", "b9.txt", "a.txt"});
    f.w.AddDropped({(f.Folder("files") + "/b9.txt").toStdString(),
                    (f.Folder("files") + "/a.txt").toStdString(),
                    (f.Folder("files") + "/b10.txt").toStdString()});
    const QStringList added = {"b9.txt", "a.txt", "b10.txt"};
    QCOMPARE(OldNames(f.w), added);
    QTest::keyClicks(Find(f.w, "文件名前缀编辑框"), "n");
    QHeaderView* header = f.w.listView()->header();
    const QStringList ascending = {"a.txt", "b9.txt", "b10.txt"};
    emit header->sectionClicked(0);
    QCOMPARE(OldNames(f.w), ascending);
    QCOMPARE(NewNames(f.w), QStringList({"n0.txt", "n1.txt", "n2.txt"}));
    emit header->sectionClicked(0);
    QCOMPARE(OldNames(f.w), QStringList({"b10.txt", "b9.txt", "a.txt"}));
    emit header->sectionClicked(0);
    QCOMPARE(OldNames(f.w), added);
    QVERIFY(!header->isSortIndicatorShown());
    emit header->sectionClicked(0);
    QCOMPARE(OldNames(f.w), ascending);

    // Ctrl+Down (the pop-up menu's "下移") moves the selected row; the numbers
    // follow it.
    f.w.listView()->selectRow(0);
    auto* down = f.w.findChild<QAction*>(QStringLiteral("moveDownAction"));
    QVERIFY(down != nullptr);
    QCOMPARE(down->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Down));
    down->trigger();
    QCOMPARE(OldNames(f.w), QStringList({"b9.txt", "a.txt", "b10.txt"}));
    QCOMPARE(NewNames(f.w), QStringList({"n0.txt", "n1.txt", "n2.txt"}));
    QCOMPARE(f.w.listView()->SelectedRows(), std::vector<std::size_t>{1});

    QVERIFY(Find<QCheckBox>(f.w, "每个目录重新编号选择框") != nullptr);
  }
};

}  // namespace

QTEST_MAIN(RuleChainTest)
#include "test_rule_chain.moc"
