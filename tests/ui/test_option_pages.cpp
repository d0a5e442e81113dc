// The five option pages of the real window: controls, defaults, number boxes, the
// enabling rules, the keep-same link, the shared handlers, the MP3 page's helpers
// and what ReadNamingOptions reads.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTest>

#include "core/text/encoding.h"
#include "ui/number_box.h"
#include "ui/option_tabs.h"
#include "ui_test_support.h"

using tessarn::MainWindow;
using tessarn::NumberBox;

namespace {

struct Fixture {
  QTemporaryDir dir;
  PromptLog log;
  MainWindow window{dir.path(), PromptsFor(log)};
  tessarn::OptionTabs& tabs = *window.optionTabs();
};

const QColor kGrey(0x80, 0x80, 0x80);
const QColor kBlack(0, 0, 0);

}  // namespace

class OptionPagesTest : public QObject {
  Q_OBJECT

 private slots:
  void controlsStartWithTheirDefaults() {
    Fixture f;
    QStringList captions;
    for (int i = 0; i < f.tabs.count(); ++i) captions << f.tabs.tabText(i);
    QCOMPARE(captions,
             QStringList({U("常规"), U("替换/删除"), U("插入"), U("大小写"), U("MP3标签"), U("元数据")}));
    QCOMPARE(f.tabs.objectName(), U("选择夹"));

    const struct {
      const char* name;
      const char* text;
    } edits[] = {{"文件名前缀编辑框", ""},
                 {"文件名编辑框", ""},
                 {"文件名位数调节编辑框", "1"},
                 {"文件名后缀编辑框", ""},
                 {"扩展名前缀编辑框", ""},
                 {"新扩展名编辑框", ""},
                 {"扩展名位数调节编辑框", ""},
                 {"扩展名后缀编辑框", ""},
                 {"起始量编辑框", "0"},
                 {"增量编辑框", "1"},
                 {"查找内容编辑框", ""},
                 {"替换为编辑框", ""},
                 {"插入到文件名的字符编辑框", ""},
                 {"插入到扩展名的字符编辑框", ""},
                 {"插入文件名位置编辑框", "1"},
                 {"插入扩展名位置编辑框", "1"},
                 {"MP3命名规则编辑框", ""},
                 {"参照编辑框", ""}};
    for (const auto& e : edits) {
      QLineEdit* box = Find(f.window, e.name);
      QVERIFY2(box, e.name);
      QCOMPARE(box->text(), U(e.text));
    }
    const char* checked[] = {"常规文件名单选框",     "仅文件名单选框",       "插入文件名位置单选框",
                             "插入扩展名位置单选框", "文件名全部大写单选框", "扩展名全部大写单选框",
                             "V2优先单选框"};
    const char* unchecked[] = {
        "常规扩展名单选框",     "常规全部单选框",         "仅扩展名单选框",
        "替换删除全部单选框",   "插入文件名尾单选框",     "插入扩展名尾单选框",
        "文件名全部小写单选框", "文件名首字母大写单选框", "文件名首字母小写单选框",
        "扩展名全部小写单选框", "扩展名首字母大写单选框", "扩展名首字母小写单选框",
        "V1优先单选框"};
    for (const char* n : checked) QVERIFY2(Find<QRadioButton>(f.window, n)->isChecked(), n);
    for (const char* n : unchecked) QVERIFY2(!Find<QRadioButton>(f.window, n)->isChecked(), n);
    for (const char* n : {"区分大小写选择框", "保持一致选择框"})
      QVERIFY2(!Find<QCheckBox>(f.window, n)->isChecked(), n);

    auto* presets = Find<QComboBox>(f.window, "预定义方案组合框");
    QCOMPARE(presets->currentIndex(), -1);
    QCOMPARE(presets->count(), 4);
    QCOMPARE(presets->itemText(3), U("艺术家-专辑-年代-歌曲名-音轨"));
    QVERIFY(Find(f.window, "参照编辑框")->isReadOnly());
    QCOMPARE(Find(f.window, "新扩展名编辑框")->palette().color(QPalette::Text), QColor(255, 0, 0));

    const char* buttons[] = {"艺术家超级按钮", "歌曲名超级按钮", "专辑超级按钮",
                             "音轨超级按钮",   "年代超级按钮",   "流派超级按钮"};
    for (int i = 0; i < 6; ++i) {
      auto* b = Find<QPushButton>(f.window, buttons[i]);
      QVERIFY2(b, buttons[i]);
      QCOMPARE(b->property("tag").toInt(), 51 + i);
      QVERIFY(b->text().startsWith(QString("#%1-").arg(i + 1)));
    }
    // Each box's label is its buddy.
    for (QLabel* l : f.tabs.findChildren<QLabel*>())
      if (l->text() == U("起始量：")) QCOMPARE(l->buddy(), Find(f.window, "起始量编辑框"));
  }

  void groupRowsSitBelowTheFrameLine() {
    Fixture f;
    for (QGroupBox* group : f.tabs.findChildren<QGroupBox*>()) {
      QStyleOptionGroupBox opt;
      opt.initFrom(group);
      opt.text = group->title();
      opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
      // The frame's top line runs just under the title.
      const int line =
          group->style()
              ->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, group)
              .bottom() +
          1;
      for (QWidget* child : group->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        QVERIFY2(child->geometry().top() > line,
                 qPrintable(group->objectName() + "/" + child->objectName()));
    }
  }

  void numberBoxesStepWithinTheirRange_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("longest");
    QTest::addColumn<bool>("signAllowed");
    QTest::newRow("start") << U("起始量编辑框") << 0 << 9999 << 8 << true;
    QTest::newRow("increment") << U("增量编辑框") << 1 << 9999 << 6 << true;
    QTest::newRow("name digits") << U("文件名位数调节编辑框") << 1 << 255 << 3 << false;
    QTest::newRow("ext digits") << U("扩展名位数调节编辑框") << 0 << 100 << 3 << false;
    QTest::newRow("name pos") << U("插入文件名位置编辑框") << 1 << 255 << 3 << false;
    QTest::newRow("ext pos") << U("插入扩展名位置编辑框") << 1 << 255 << 3 << false;
  }
  void numberBoxesStepWithinTheirRange() {
    QFETCH(QString, name);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, longest);
    QFETCH(bool, signAllowed);
    Fixture f;
    auto* box = f.window.findChild<NumberBox*>(name);
    QVERIFY(box);
    box->setEnabled(true);
    box->setText(QString::number(maximum));
    box->stepBy(1);
    QCOMPARE(box->text(), QString::number(maximum));
    box->setText(QString::number(minimum));
    box->stepBy(-1);
    QCOMPARE(box->text(), QString::number(minimum));
    box->stepBy(1);
    QCOMPARE(box->text(), QString::number(minimum + 1));
    // Typing: digits only, at most `longest` of them; the box may be emptied.
    box->clear();
    QTest::keyClicks(box, "12a345b67890");
    QCOMPARE(box->text(), QString("1234567890").left(longest));
    box->clear();
    QCOMPARE(box->text(), QString());
    QTest::keyClick(box, Qt::Key_Up);
    QCOMPARE(box->text(), QString::number(std::max(minimum, 1)));
    // A sign only leads, and only where it means something; it counts in the length.
    box->clear();
    QTest::keyClicks(box, "-1-234567890");
    QCOMPARE(box->text(), signAllowed ? QString("-1234567890").left(longest)
                                      : QString("1234567890").left(longest));
    box->clear();
    box->insert("-7");  // a paste
    QCOMPARE(box->text(), signAllowed ? QString("-7") : QString());
    if (signAllowed) {
      // The arrows step back into their range.
      box->stepBy(1);
      QCOMPARE(box->text(), QString::number(minimum));
    }
  }

  void aNegativeIncrementNumbersDownwards() {
    Fixture f;
    f.window.settings().autoPreview = true;
    MakeFiles(f.dir.path() + "/files", {"a.txt", "b.txt", "c.txt"});
    f.window.AddFolder(QFile::encodeName(f.dir.path() + "/files").toStdString(), false);
    auto* increment = Find(f.window, "增量编辑框");
    increment->clear();
    QTest::keyClicks(increment, "-1");
    auto* start = Find(f.window, "起始量编辑框");
    start->clear();
    QTest::keyClicks(start, "10");
    f.window.PreviewPass(true);
    QStringList names;
    for (int row = 0; row < 3; ++row) names << Cell(f.window, row, tessarn::kNewNameColumn);
    QCOMPARE(names, QStringList({"10.txt", "9.txt", "8.txt"}));
  }

  void scopeButtonsEnableTheirRows_data() {
    QTest::addColumn<QString>("radio");
    QTest::addColumn<bool>("nameOn");
    QTest::addColumn<bool>("extOn");
    QTest::newRow("file name") << U("常规文件名单选框") << true << false;
    QTest::newRow("extension") << U("常规扩展名单选框") << false << true;
    QTest::newRow("all") << U("常规全部单选框") << true << true;
  }
  void scopeButtonsEnableTheirRows() {
    QFETCH(QString, radio);
    QFETCH(bool, nameOn);
    QFETCH(bool, extOn);
    Fixture f;
    f.window.findChild<QRadioButton*>(U("常规全部单选框"))->click();
    f.window.findChild<QRadioButton*>(radio)->click();
    const struct {
      bool on;
      const char* group;
      const char* labels[4];
      const char* boxes[4];
    } rows[] = {
        {nameOn,
         "文件名分组框",
         {"前缀1标签", "文件名标签", "文件名位数调节标签", "后缀1标签"},
         {"文件名前缀编辑框", "文件名编辑框", "文件名位数调节编辑框", "文件名后缀编辑框"}},
        {extOn,
         "扩展名分组框",
         {"前缀2标签", "新扩展名标签", "扩展名位数标签", "后缀2标签"},
         {"扩展名前缀编辑框", "新扩展名编辑框", "扩展名位数调节编辑框", "扩展名后缀编辑框"}}};
    for (const auto& row : rows) {
      const QColor colour = row.on ? kBlack : kGrey;
      QCOMPARE(Find<QGroupBox>(f.window, row.group)->palette().color(QPalette::WindowText), colour);
      for (const char* l : row.labels)
        QCOMPARE(Find<QLabel>(f.window, l)->palette().color(QPalette::WindowText), colour);
      for (const char* b : row.boxes) QCOMPARE(Find(f.window, b)->isEnabled(), row.on);
    }
    for (const char* b : {"起始量编辑框", "增量编辑框"}) QVERIFY(Find(f.window, b)->isEnabled());
  }

  void insertPositionBoxesFollowTheirButtons() {
    Fixture f;
    QLineEdit* namePos = Find(f.window, "插入文件名位置编辑框");
    QLineEdit* extPos = Find(f.window, "插入扩展名位置编辑框");
    Find<QRadioButton>(f.window, "插入文件名尾单选框")->click();
    QVERIFY(!namePos->isEnabled());
    QVERIFY(extPos->isEnabled());
    Find<QRadioButton>(f.window, "插入扩展名尾单选框")->click();
    QVERIFY(!extPos->isEnabled());
    Find<QRadioButton>(f.window, "插入文件名位置单选框")->click();
    QVERIFY(namePos->isEnabled());
    QVERIFY(!extPos->isEnabled());
  }

  void keepSameCopiesTheNameCharacters() {
    Fixture f;
    QLineEdit* name = Find(f.window, "插入到文件名的字符编辑框");
    QLineEdit* ext = Find(f.window, "插入到扩展名的字符编辑框");
    auto* keep = Find<QCheckBox>(f.window, "保持一致选择框");
    auto* label = Find<QLabel>(f.window, "插入扩展名标签");
    ext->setText("old");
    QTest::keyClicks(name, "ab");
    QCOMPARE(ext->text(), QString("old"));
    keep->click();
    QCOMPARE(ext->text(), QString("ab"));
    QVERIFY(!ext->isEnabled());
    QCOMPARE(label->palette().color(QPalette::WindowText), kGrey);
    QTest::keyClicks(name, "c");
    QCOMPARE(ext->text(), QString("abc"));
    keep->click();
    QVERIFY(ext->isEnabled());
    QCOMPARE(ext->text(), QString("abc"));
    QCOMPARE(label->palette().color(QPalette::WindowText), kBlack);
    QTest::keyClicks(name, "d");
    QCOMPARE(ext->text(), QString("abc"));
  }

  void sharedHandlersRunOnePassPerChange() {
    Fixture f;
    QSignalSpy passes(&f.tabs, &tessarn::OptionTabs::passRequested);
    f.window.findChild<QRadioButton*>(U("常规全部单选框"))->click();
    passes.clear();
    int expected = 0;
    for (int tag = 1; tag <= 11; ++tag) {
      QLineEdit* box = nullptr;
      for (QLineEdit* e : f.tabs.findChildren<QLineEdit*>())
        if (e->property("tag").toInt() == tag) box = e;
      QVERIFY(box);
      box->setText("7");
      QCOMPARE(passes.count(), ++expected);
    }
    for (int tag = 20; tag <= 29; ++tag) {
      for (QRadioButton* r : f.tabs.findChildren<QRadioButton*>())
        if (r->property("tag").toInt() == tag) r->click();
      QCOMPARE(passes.count(), ++expected);
    }
    for (const char* n : {"仅文件名单选框", "V1优先单选框", "V2优先单选框"}) {
      Find<QRadioButton>(f.window, n)->click();
      QCOMPARE(passes.count(), ++expected);
    }
    Find<QCheckBox>(f.window, "区分大小写选择框")->click();
    QCOMPARE(passes.count(), ++expected);
    Find(f.window, "插入文件名位置编辑框")->setText("3");
    QCOMPARE(passes.count(), ++expected);
  }

  void mp3PageEditsTheTemplate() {
    Fixture f;
    QLineEdit* tmpl = Find(f.window, "MP3命名规则编辑框");
    QLineEdit* reference = Find(f.window, "参照编辑框");
    auto* presets = Find<QComboBox>(f.window, "预定义方案组合框");
    f.tabs.setCurrentIndex(4);

    presets->activated(2);
    QCOMPARE(tmpl->text(), QString("#1-#3-#5-#2"));
    QCOMPARE(reference->text(), U("艺术家-专辑-年代-歌曲名"));
    QCOMPARE(presets->currentIndex(), -1);

    tmpl->clear();
    QCOMPARE(reference->text(), QString());
    Find<QPushButton>(f.window, "艺术家超级按钮")->click();
    Find<QPushButton>(f.window, "歌曲名超级按钮")->click();
    QCOMPARE(tmpl->text(), QString("#1-#2"));
    QCOMPARE(reference->text(), U("艺术家-歌曲名"));
    tmpl->setText("#12");
    QCOMPARE(reference->text(), U("艺术家2"));

    // 49 bytes plus "-#1": cut back to the first 50 bytes.
    tmpl->setText(QString(49, 'x'));
    Find<QPushButton>(f.window, "艺术家超级按钮")->click();
    QCOMPARE(tmpl->text(), QString(49, 'x') + "-");
    // A double-byte character is never split: 49 bytes + "中" keeps 49.
    tmpl->setText(QString(49, 'y') + U("中"));
    QCOMPARE(tmpl->text(), QString(49, 'y'));
  }

  void readNamingOptionsTakesEveryControl() {
    Fixture f;
    Find<QRadioButton>(f.window, "常规全部单选框")->click();
    Find(f.window, "文件名前缀编辑框")->setText(U("前"));
    Find(f.window, "文件名编辑框")->setText("main");
    Find(f.window, "文件名位数调节编辑框")->setText("3");
    Find(f.window, "新扩展名编辑框")->setText("ext");
    Find(f.window, "扩展名位数调节编辑框")->setText("");
    Find(f.window, "起始量编辑框")->setText("12");
    Find(f.window, "增量编辑框")->setText("");
    Find(f.window, "查找内容编辑框")->setText("a");
    Find<QRadioButton>(f.window, "替换删除全部单选框")->click();
    Find<QCheckBox>(f.window, "区分大小写选择框")->click();
    Find(f.window, "插入到文件名的字符编辑框")->setText("ins");
    Find<QRadioButton>(f.window, "插入扩展名尾单选框")->click();
    Find(f.window, "插入文件名位置编辑框")->setText("4");
    Find<QRadioButton>(f.window, "文件名首字母小写单选框")->click();
    Find<QRadioButton>(f.window, "扩展名全部小写单选框")->click();
    Find(f.window, "MP3命名规则编辑框")->setText("#2");
    Find<QRadioButton>(f.window, "V1优先单选框")->click();
    f.tabs.setCurrentIndex(2);

    const tessarn::NamingOptions o = f.tabs.ReadNamingOptions();
    QCOMPARE(o.page, tessarn::OptionPage::kInsert);
    QCOMPARE(o.numberingScope, tessarn::NumberingScope::kAll);
    QCOMPARE(o.namePrefix, tessarn::Gb("前"));
    QCOMPARE(o.mainName, std::string("main"));
    QCOMPARE(o.nameDigits, std::string("3"));
    QCOMPARE(o.newExtension, std::string("ext"));
    QCOMPARE(o.extDigits, std::string());
    QCOMPARE(o.startValue, std::string("12"));
    QCOMPARE(o.increment, std::string());
    QCOMPARE(o.findText, std::string("a"));
    QCOMPARE(o.replaceScope, tessarn::ReplaceScope::kAll);
    QVERIFY(o.caseSensitive);
    QCOMPARE(o.nameInsertText, std::string("ins"));
    QCOMPARE(o.nameInsertMode, tessarn::InsertMode::kAtPosition);
    QCOMPARE(o.nameInsertPos, std::string("4"));
    QCOMPARE(o.extInsertMode, tessarn::InsertMode::kAtEnd);
    QCOMPARE(o.nameCase, tessarn::CaseRule::kFirstLower);
    QCOMPARE(o.extCase, tessarn::CaseRule::kAllLower);
    QCOMPARE(o.tagTemplate, std::string("#2"));
    QVERIFY(o.v1First);
  }
};

QTEST_MAIN(OptionPagesTest)
#include "test_option_pages.moc"
