// "从文件名写入标签" on page "MP3标签", driven offscreen: the preview in the
// tag-status column, the question, the per-row outcomes and the summary.
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "core/id3/id3v1.h"
#include "core/id3/id3v2.h"
#include "core/text/encoding.h"
#include "ui/option_tabs.h"
#include "ui_test_support.h"

using tessarn::Gb;
using tessarn::kTagStatusColumn;
using tessarn::MainWindow;
using tessarn::TagFields;

namespace {

struct Fixture {
  QTemporaryDir dir;
  PromptLog log;
  MainWindow window{dir.path(), PromptsFor(log)};

  QString Folder() { return dir.path() + "/files"; }
  QByteArray Path(const QString& name) { return (Folder() + "/" + name).toUtf8(); }
  void AddFolder(const QStringList& names) {
    MakeFiles(Folder(), names);
    log.folderAnswer = Folder();
    window.toolbarAction(MainWindow::kToolFolder)->trigger();
  }
  void Press(const char* tagTemplate) {
    window.optionTabs()->setCurrentIndex(static_cast<int>(tessarn::OptionPage::kMp3));
    Find(window, "MP3命名规则编辑框")->setText(U(tagTemplate));
    Find<QPushButton>(window, "从文件名写入标签按钮")->click();
  }
  QStringList Statuses() {
    QStringList out;
    for (int r = 0; r < window.listModel()->rowCount(); ++r)
      out << Cell(window, r, kTagStatusColumn);
    return out;
  }
};

}  // namespace

class NameTagsTest : public QObject {
  Q_OBJECT

 private slots:
  void previewThenNoLeavesFilesAlone() {
    Fixture f;
    f.AddFolder({"a.txt", "邓丽君-月亮代表我的心.mp3", "无分隔.mp3"});
    auto* button = Find<QPushButton>(f.window, "从文件名写入标签按钮");
    QCOMPARE(button->text(), U("从文件名写入标签"));
    // The button sits wholly inside its page, below the placeholder buttons.
    f.window.optionTabs()->setCurrentIndex(static_cast<int>(tessarn::OptionPage::kMp3));
    f.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    QVERIFY(button->parentWidget()->rect().contains(button->geometry()));
    QVERIFY(button->isVisible());
    f.log.answer = QMessageBox::No;
    f.Press("#1-#2");
    QCOMPARE(f.log.messages.size(), 1);
    QCOMPARE(f.log.messages[0].title, U("询问："));
    QCOMPARE(f.log.messages[0].text, U("将为 1 个文件写入标签，是否继续？"));
    QCOMPARE(f.log.messages[0].buttons, QMessageBox::Yes | QMessageBox::No);
    // The non-MP3 row keeps its status; the others show what their names give.
    QCOMPARE(f.Statuses(),
             QStringList({"", U("艺术家=邓丽君 歌曲名=月亮代表我的心"), U("不匹配")}));
    QVERIFY(!tessarn::HasId3v2(f.Path(U("邓丽君-月亮代表我的心.mp3")).toStdString()));
  }

  void yesWritesAndReportsEachRow() {
    Fixture f;
    f.AddFolder({"邓丽君-月亮代表我的心.mp3", "王菲-红豆.mp3"});
    QFile::remove(f.Folder() + "/" + U("王菲-红豆.mp3"));  // gone since it was listed
    f.Press("#1-#2");
    QCOMPARE(f.Statuses(), QStringList({U("标签写入成功"), U("标签写入失败")}));
    const QString tip =
        f.window.listModel()->index(1, kTagStatusColumn).data(Qt::ToolTipRole).toString();
    QVERIFY2(!tip.isEmpty() && tip != U("标签写入失败"), qPrintable(tip));
    QVERIFY(f.window.listModel()->index(0, kTagStatusColumn).data(Qt::ToolTipRole).toString() ==
            U("标签写入成功"));
    QCOMPARE(f.log.messages.size(), 2);
    QCOMPARE(f.log.messages[1].icon, QMessageBox::Warning);
    QVERIFY2(f.log.messages[1].text.contains(U("1 个文件标签写入失败！")),
             qPrintable(f.log.messages[1].text));
    TagFields v1, v2;
    const std::string song = f.Path(U("邓丽君-月亮代表我的心.mp3")).toStdString();
    QVERIFY(tessarn::ReadId3v2(song, v2));
    QCOMPARE(v2.artist, Gb("邓丽君"));
    QCOMPARE(v2.title, Gb("月亮代表我的心"));
    QVERIFY(tessarn::ReadId3v1(song, v1));
    QCOMPARE(v1.title, Gb("月亮代表我的心"));
  }

  // A title too long for ID3v1: with ID3v2 first it goes to ID3v2 alone; with
  // "ID3v1.x优先" the file fails and stays as it was.
  void priorityDecidesWhatALongTextDoes() {
    const QString name = U("A-这是一个非常非常非常长的歌曲名字啊.mp3");
    for (bool v1First : {false, true}) {
      Fixture f;
      f.AddFolder({name});
      Find<QRadioButton>(f.window, v1First ? "V1优先单选框" : "V2优先单选框")->click();
      f.Press("#1-#2");
      const std::string path = f.Path(name).toStdString();
      QCOMPARE(f.Statuses(), QStringList({U(v1First ? "标签写入失败" : "标签写入成功")}));
      QCOMPARE(tessarn::HasId3v2(path), !v1First);
      QVERIFY(!tessarn::HasId3v1(path));
    }
  }

  // The list follows the run and its undo, automatic preview or not: the new
  // names come from the tags just written, the statuses from the run, and after
  // the undo from the files as they are again. Tag statuses show on this page only.
  void theListFollowsTheRunAndItsUndo() {
    Fixture f;
    f.window.settings().autoPreview = false;
    f.AddFolder({"a.txt", "邓丽君-月亮代表我的心.mp3"});
    f.Press("#1-#2");
    QCOMPARE(Cell(f.window, 1, tessarn::kNewNameColumn), U("邓丽君-月亮代表我的心.mp3"));
    QCOMPARE(f.Statuses(), QStringList({U("非MP3文件"), U("标签写入成功")}));
    f.window.optionTabs()->setCurrentIndex(0);
    QCOMPARE(f.Statuses(), QStringList({"", ""}));
    f.window.optionTabs()->setCurrentIndex(static_cast<int>(tessarn::OptionPage::kMp3));
    QCOMPARE(f.Statuses(), QStringList({U("非MP3文件"), U("标签写入成功")}));
    QVERIFY(f.window.UndoRunsAndReport(tessarn::UndoTarget{}));
    QVERIFY(!tessarn::HasId3v2(f.Path(U("邓丽君-月亮代表我的心.mp3")).toStdString()));
    QCOMPARE(f.Statuses(), QStringList({U("非MP3文件"), U("无标签")}));
    QCOMPARE(Cell(f.window, 1, tessarn::kNewNameColumn), QString());
  }

  void emptyTemplateOrNoMatchAsksNothing() {
    Fixture f;
    f.AddFolder({"song.mp3"});
    f.Press("");
    f.Press("#1-#2");
    QCOMPARE(f.log.messages.size(), 2);
    QCOMPARE(f.log.messages[0].icon, QMessageBox::Warning);
    QCOMPARE(f.log.messages[1].text, U("没有文件名与命名规则相符。"));
    QCOMPARE(f.Statuses(), QStringList({U("不匹配")}));
  }
};

QTEST_MAIN(NameTagsTest)
#include "test_name_tags.moc"
