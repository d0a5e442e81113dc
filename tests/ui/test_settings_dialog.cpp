// Drives the settings dialog offscreen: which button presses store, what they store,
// and when the list is re-applied.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "core/settings/app_settings.h"
#include "core/text/encoding.h"
#include "ui/colour_button.h"
#include "ui/file_list_view.h"
#include "ui/main_window.h"
#include "ui/settings_dialog.h"

using namespace tessarn;

namespace {

bool operator==(const AppSettings& a, const AppSettings& b) {
  return a.autoPreview == b.autoPreview && a.previewAll == b.previewAll &&
         a.previewCount == b.previewCount && a.textColour == b.textColour &&
         a.backColour == b.backColour && a.fontName == b.fontName && a.fontSize == b.fontSize &&
         a.bold == b.bold && a.italic == b.italic && a.tagWriteEncoding == b.tagWriteEncoding &&
         a.legacyEncoding == b.legacyEncoding && a.historyLimitMiB == b.historyLimitMiB;
}

// Settings that differ from the defaults in every field.
AppSettings Custom() {
  AppSettings s;
  s.autoPreview = true;
  s.previewAll = false;
  s.previewCount = 7;
  s.textColour = 0x0000FF;
  s.backColour = 0x00FF00;
  s.fontName = "Serif";
  s.fontSize = 14;
  s.bold = false;
  s.italic = false;
  s.historyLimitMiB = 64;
  return s;
}

AppSettings Defaults() {
  AppSettings s;
  SetDefaultSettings(s);
  return s;
}

// One dialog over one settings record, counting the apply calls.
struct Fixture {
  explicit Fixture(AppSettings initial) : settings(std::move(initial)) {
    dialog = std::make_unique<SettingsDialog>(settings, [this] { ++applied; });
  }
  template <typename T>
  T* find(const char* name) {
    T* w = dialog->findChild<T*>(QString::fromUtf8(name));
    if (!w) qFatal("no control %s", name);
    return w;
  }
  QPushButton* button(const char* name) { return find<QPushButton>(name); }

  AppSettings settings;
  int applied = 0;
  std::unique_ptr<SettingsDialog> dialog;
};

}  // namespace

class SettingsDialogTest : public QObject {
  Q_OBJECT
 private slots:
  void fillsControlsAndStartsUnchanged() {
    Fixture f(Custom());
    QCOMPARE(f.dialog->windowTitle(), QStringLiteral("设置"));
    QVERIFY(f.find<QCheckBox>("自动预览选择框")->isChecked());
    QVERIFY(f.find<QRadioButton>("预览指定数量单选框")->isChecked());
    QVERIFY(!f.find<QRadioButton>("预览全部单选框")->isChecked());
    QCOMPARE(f.find<QLineEdit>("预览数量编辑框")->text(), QStringLiteral("7"));
    QVERIFY(f.find<QLineEdit>("预览数量编辑框")->isEnabled());
    QCOMPARE(f.find<ColourButton>("超级列表框背景颜色选择器")->colourRef(), 0x00FF00);
    QCOMPARE(f.find<ColourButton>("超级列表框字体颜色选择器")->colourRef(), 0x0000FF);
    QVERIFY(!f.button("应用按钮")->isEnabled());
  }

  void okWithoutChangeStoresNothing() {
    Fixture f(Custom());
    f.settings.previewCount = 99;  // would be overwritten by a store
    f.button("确定按钮")->click();
    QCOMPARE(f.settings.previewCount, 99);
    QCOMPARE(f.applied, 0);
    QCOMPARE(f.dialog->result(), int(QDialog::Accepted));
  }

  void countChangeThenOkStoresOnce() {
    Fixture f(Custom());
    auto* box = f.find<QLineEdit>("预览数量编辑框");
    box->clear();
    QTest::keyClicks(box, "25");
    QVERIFY(f.button("应用按钮")->isEnabled());
    f.button("确定按钮")->click();
    AppSettings expected = Custom();
    expected.previewCount = 25;
    QVERIFY(f.settings == expected);
    QCOMPARE(f.applied, 1);
  }

  void countBoxTakesDigitsOnlyUpToThree() {
    Fixture f(Custom());
    auto* box = f.find<QLineEdit>("预览数量编辑框");
    box->clear();
    QTest::keyClicks(box, "9a8x76");
    QCOMPARE(box->text(), QStringLiteral("987"));
    f.button("确定按钮")->click();
    QCOMPARE(f.settings.previewCount, 987);  // outside the arrows' range, stored as typed
    Fixture g(Custom());
    g.find<QLineEdit>("预览数量编辑框")->clear();
    g.button("应用按钮")->click();
    QCOMPARE(g.settings.previewCount, 0);  // an empty box reads as 0
  }

  void applyThenOkStoresOnlyOnce() {
    Fixture f(Custom());
    f.find<QCheckBox>("自动预览选择框")->click();
    f.button("应用按钮")->click();
    QVERIFY(!f.settings.autoPreview);
    QCOMPARE(f.applied, 1);
    QVERIFY(!f.button("应用按钮")->isEnabled());
    f.settings.previewCount = 55;  // a second store would put 7 back
    f.button("确定按钮")->click();
    QCOMPARE(f.applied, 1);
    QCOMPARE(f.settings.previewCount, 55);
  }

  void appliedValuesSurviveCancel() {
    Fixture f(Custom());
    f.find<QRadioButton>("预览全部单选框")->click();
    f.button("应用按钮")->click();
    f.button("取消按钮")->click();
    QVERIFY(f.settings.previewAll);
    QCOMPARE(f.dialog->result(), int(QDialog::Rejected));
  }

  void defaultsThenCancelChangesNothing() {
    Fixture f(Custom());
    f.button("默认按钮")->click();
    QVERIFY(f.button("应用按钮")->isEnabled());
    QVERIFY(!f.find<QCheckBox>("自动预览选择框")->isChecked());
    QVERIFY(!f.find<QLineEdit>("预览数量编辑框")->isEnabled());
    f.button("取消按钮")->click();
    QVERIFY(f.settings == Custom());
    QCOMPARE(f.applied, 0);
  }

  void defaultsThenOkStoresEveryDefault() {
    AppSettings start = Custom();
    start.bold = true;
    start.italic = true;
    start.previewAll = true;
    Fixture f(start);
    f.button("默认按钮")->click();
    f.button("确定按钮")->click();
    QVERIFY(f.settings == Defaults());
    QCOMPARE(f.settings.fontName, Gb("宋体"));
    QCOMPARE(f.applied, 1);
  }

  void enablingRuleKeepsCountBoxOffUnderPreviewAll() {
    AppSettings start = Custom();
    start.previewAll = true;
    Fixture f(start);
    auto* check = f.find<QCheckBox>("自动预览选择框");
    auto* count = f.find<QRadioButton>("预览指定数量单选框");
    auto* all = f.find<QRadioButton>("预览全部单选框");
    auto* box = f.find<QLineEdit>("预览数量编辑框");
    QVERIFY(!box->isEnabled());
    check->click();
    QVERIFY(!count->isEnabled() && !all->isEnabled() && !box->isEnabled());
    check->click();
    QVERIFY(count->isEnabled() && all->isEnabled());
    QVERIFY(!box->isEnabled());
    count->click();
    QVERIFY(box->isEnabled());
    QVERIFY(f.button("应用按钮")->isEnabled());
  }

  void colourPickerStoresPickedColour() {
    Fixture f(Custom());
    int asked = 0;
    f.dialog->SetColourChooser([&](const QColor& initial, QWidget*) -> std::optional<QColor> {
      ++asked;
      if (initial != QColor(0, 255, 0)) return std::nullopt;  // the back colour 0x00FF00
      return QColor(0x12, 0x34, 0x56);
    });
    f.button("超级列表框字体颜色选择器")->click();  // seeded red: cancelled
    QVERIFY(!f.button("应用按钮")->isEnabled());
    f.button("超级列表框背景颜色选择器")->click();
    QCOMPARE(asked, 2);
    QVERIFY(f.button("应用按钮")->isEnabled());
    f.button("确定按钮")->click();
    QCOMPARE(f.settings.backColour, 0x563412);
    QCOMPARE(f.settings.textColour, 0x0000FF);
  }

  void fontChooserIsSeededAndItsChoiceStored() {
    AppSettings start = Custom();
    start.bold = true;
    Fixture f(start);
    QFont seen;
    f.dialog->SetFontChooser([&](const QFont& initial, QWidget*) -> std::optional<QFont> {
      seen = initial;
      QFont chosen(QStringLiteral("Monospace"));
      chosen.setPointSize(12);
      chosen.setItalic(true);
      return chosen;
    });
    f.button("字体按钮")->click();
    QCOMPARE(seen.family(), QStringLiteral("Serif"));
    QCOMPARE(seen.pointSize(), 14);
    QVERIFY(seen.bold() && !seen.italic());
    QVERIFY(f.button("应用按钮")->isEnabled());
    f.button("确定按钮")->click();
    QCOMPARE(f.settings.fontName, std::string("Monospace"));
    QCOMPARE(f.settings.fontSize, 12);
    QVERIFY(!f.settings.bold && f.settings.italic);
  }

  void cancelledOrDiscardedFontChangesNothing() {
    Fixture f(Custom());
    f.dialog->SetFontChooser([](const QFont&, QWidget*) { return std::optional<QFont>(); });
    f.button("字体按钮")->click();
    QVERIFY(!f.button("应用按钮")->isEnabled());
    f.dialog->SetFontChooser([](const QFont&, QWidget*) {
      QFont bold(QStringLiteral("Sans"));
      bold.setBold(true);
      return std::optional<QFont>(bold);
    });
    f.button("字体按钮")->click();
    f.button("取消按钮")->click();
    QVERIFY(f.settings == Custom());
    QCOMPARE(f.applied, 0);
  }

  // The two tag settings: shown, stored by "应用", put back by "恢复默认".
  void tagEncodings() {
    AppSettings initial = Custom();
    initial.tagWriteEncoding = TagWriteEncoding::kGbk;
    initial.legacyEncoding = LegacyEncoding::kLatin1;
    Fixture f(initial);
    auto* group = f.find<QGroupBox>("ID3v2写入编码分组框");
    QCOMPARE(group->title(), QStringLiteral("ID3v2写入编码"));
    auto* unicode = f.find<QRadioButton>("Unicode写入单选框");
    auto* gbk = f.find<QRadioButton>("GBK写入单选框");
    auto* legacy = f.find<QComboBox>("旧标签编码组合框");
    QCOMPARE(unicode->parentWidget(), group);
    QVERIFY(gbk->isChecked());
    QCOMPARE(legacy->count(), 3);
    QCOMPARE(legacy->currentText(), QStringLiteral("Latin-1"));
    QVERIFY(!f.button("应用按钮")->isEnabled());

    unicode->click();
    legacy->setCurrentIndex(1);
    QVERIFY(f.button("应用按钮")->isEnabled());
    f.button("应用按钮")->click();
    QCOMPARE(f.settings.tagWriteEncoding, TagWriteEncoding::kUnicode);
    QCOMPARE(f.settings.legacyEncoding, LegacyEncoding::kGbk);

    gbk->click();
    f.button("默认按钮")->click();
    QVERIFY(unicode->isChecked());
    QCOMPARE(legacy->currentText(), QStringLiteral("自动"));
    f.button("确定按钮")->click();
    QCOMPARE(f.settings.legacyEncoding, LegacyEncoding::kAuto);
  }

  void historyBound() {
    AppSettings initial = Custom();
    initial.historyLimitMiB = 300;
    Fixture f(initial);
    auto* limit = f.find<QSpinBox>("撤消历史上限框");
    QCOMPARE(limit->value(), 300);
    QCOMPARE(limit->minimum(), 1);
    QVERIFY(!f.button("应用按钮")->isEnabled());
    limit->setValue(50);
    QVERIFY(f.button("应用按钮")->isEnabled());
    f.button("确定按钮")->click();
    QCOMPARE(f.settings.historyLimitMiB, 50);
    Fixture again(initial);
    again.button("默认按钮")->click();
    QCOMPARE(again.find<QSpinBox>("撤消历史上限框")->value(), 1024);
  }

  // "恢复默认" then "确定" from the window's menu: the list and the status bar follow.
  void defaultsReachTheWindow() {
    QTemporaryDir dir;
    UiPrompts prompts = DefaultPrompts();
    MainWindow w(dir.path(), prompts);
    w.settings() = Custom();
    w.ApplySettingsToList();
    QCOMPARE(w.statusPane(2)->text(), QStringLiteral("自动预览－开"));
    bool pressed = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<SettingsDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      dialog->findChild<QPushButton*>(QStringLiteral("默认按钮"))->click();
      dialog->findChild<QPushButton*>(QStringLiteral("确定按钮"))->click();
      pressed = true;
    });
    w.openSettingsDialog();
    QVERIFY(pressed);
    QVERIFY(w.settings() == Defaults());
    QCOMPARE(w.statusPane(2)->text(), QStringLiteral("自动预览－关"));
    QCOMPARE(w.listView()->palette().color(QPalette::Base), QColor(0x80, 0xA0, 0x80));
    QCOMPARE(w.listView()->palette().color(QPalette::Text), QColor(0x00, 0x00, 0x80));
    QCOMPARE(w.listView()->font().pointSize(), 10);
  }
};

QTEST_MAIN(SettingsDialogTest)
#include "test_settings_dialog.moc"
