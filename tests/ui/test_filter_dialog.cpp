// Drives the filter dialog offscreen over a small list: extension and text
// matching, keep and delete, the three refusals, and two filters in one opening.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <fstream>

#include "core/filelist/file_list.h"
#include "core/text/encoding.h"
#include "ui/filter_dialog.h"
#include "ui/main_window.h"

using namespace tessarn;

namespace {

struct Shown {
  QMessageBox::Icon icon;
  QString title;
  QString text;
};

// A list of the given names (UTF-8), one dialog over it, the messages it showed and
// the number of times it told the main window about a change.
struct Fixture {
  explicit Fixture(const QStringList& names, const std::string& folder = "/tmp/") {
    for (const QString& name : names) {
      FileEntry e;
      e.SetNames(name.toStdString(), Gb(name.toStdString()));
      e.folder = list.InternDiskFolder(folder);
      list.entries.push_back(e);
    }
    if (!names.isEmpty()) list.AppendRows(0, list.count() - 1);
    dialog = std::make_unique<FilterDialog>(list, [this] { ++changes; });
    dialog->SetMessageFn([this](QWidget*, QMessageBox::Icon icon, const QString& title,
                                const QString& text, QMessageBox::StandardButtons) {
      shown.push_back({icon, title, text});
      return QMessageBox::Ok;
    });
  }
  template <typename T>
  T* find(const char* name) {
    T* w = dialog->findChild<T*>(QString::fromUtf8(name));
    if (!w) qFatal("no control %s", name);
    return w;
  }
  QStringList Names() const {
    QStringList out;
    for (const FileEntry& e : list.entries) out << QString::fromStdString(GbToUtf8Lossy(e.oldName));
    return out;
  }
  // Chooses the operation, the extension or the text, and presses "确定".
  void Filter(int operation, const QString& extension, const QString& text = QString()) {
    find<QComboBox>("操作方式组合框")->setCurrentIndex(operation);
    if (text.isNull()) {
      find<QRadioButton>("扩展名单选框")->click();
      find<QComboBox>("扩展名组合框")->setEditText(extension);
    } else {
      find<QRadioButton>("包含内容单选框")->click();
      find<QLineEdit>("包含内容编辑框")->setText(text);
    }
    find<QPushButton>("确定按钮")->click();
  }

  FileList list;
  std::unique_ptr<FilterDialog> dialog;
  std::vector<Shown> shown;
  int changes = 0;
};

const QStringList kNames = {"song.MP3", "a.b.mp3", "song.mp3.txt", "noext", "歌.Mp3", "xABy.txt"};

}  // namespace

class FilterDialogTest : public QObject {
  Q_OBJECT
 private slots:
  void opensInItsInitialState() {
    Fixture f(kNames);
    QCOMPARE(f.dialog->windowTitle(), QStringLiteral("过滤设置"));
    auto* op = f.find<QComboBox>("操作方式组合框");
    QCOMPARE(op->count(), 2);
    QCOMPARE(op->currentText(), QStringLiteral("删除"));
    QCOMPARE(op->itemText(1), QStringLiteral("保留"));
    auto* ext = f.find<QComboBox>("扩展名组合框");
    QCOMPARE(ext->count(), 16);
    QCOMPARE(ext->itemText(0), QStringLiteral("txt"));
    QCOMPARE(ext->itemText(15), QStringLiteral("ppt"));
    QCOMPARE(ext->currentText(), QString());
    QVERIFY(f.find<QRadioButton>("扩展名单选框")->isChecked());
    QVERIFY(!f.find<QRadioButton>("包含内容单选框")->isChecked());
    QVERIFY(f.find<QCheckBox>("过滤完成后关闭对话框选择框")->isChecked());
    QVERIFY(ext->isEnabled());
    QVERIFY(!f.find<QLineEdit>("包含内容编辑框")->isEnabled());
    f.find<QRadioButton>("包含内容单选框")->click();
    QVERIFY(!ext->isEnabled());
    QVERIFY(f.find<QLineEdit>("包含内容编辑框")->isEnabled());
  }

  void filters_data() {
    QTest::addColumn<int>("operation");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("remaining");
    QTest::newRow("delete mp3") << 0 << "mp3" << QString()
                                << QStringList{"song.mp3.txt", "noext", "xABy.txt"};
    QTest::newRow("keep mp3") << 1 << "MP3" << QString()
                              << QStringList{"song.MP3", "a.b.mp3", "歌.Mp3"};
    QTest::newRow("delete .mp3 matches nothing") << 0 << ".mp3" << QString() << kNames;
    QTest::newRow("keep .mp3 keeps nothing") << 1 << ".mp3" << QString() << QStringList{};
    QTest::newRow("text ignores case")
        << 0 << QString() << "ab"
        << QStringList{"song.MP3", "a.b.mp3", "song.mp3.txt", "noext", "歌.Mp3"};
    QTest::newRow("keep text") << 1 << QString() << "SONG"
                               << QStringList{"song.MP3", "song.mp3.txt"};
    QTest::newRow("chinese text") << 1 << QString() << "歌" << QStringList{"歌.Mp3"};
  }
  void filters() {
    QFETCH(int, operation);
    QFETCH(QString, extension);
    QFETCH(QString, text);
    QFETCH(QStringList, remaining);
    Fixture f(kNames);
    QSignalSpy accepted(f.dialog.get(), &QDialog::accepted);
    f.Filter(operation, extension, text);
    QCOMPARE(f.Names(), remaining);
    QCOMPARE(f.list.RowCount(), f.list.count());
    QVERIFY(f.shown.empty());
    QCOMPARE(f.changes, 1);
    QCOMPARE(accepted.count(), 1);  // the close box is ticked
  }

  void searchesTheNameOnlyAndWholeCharacters() {
    // "丄" is 81 41 in GBK: its second byte is the letter A, which is no match.
    Fixture f({"丄.txt", "b.txt"}, "/ab/");
    f.Filter(0, QString(), "a");
    QCOMPARE(f.Names(), (QStringList{"丄.txt", "b.txt"}));
    f.Filter(0, QString(), "丄");
    QCOMPARE(f.Names(), (QStringList{"b.txt"}));
  }

  void refusals_data() {
    QTest::addColumn<QString>("operation");
    QTest::addColumn<bool>("byText");
    QTest::addColumn<QString>("message");
    QTest::newRow("typed operation") << "删掉" << false << "请选择操作方式！";
    QTest::newRow("empty extension") << "删除" << false << "扩展名不能空！";
    QTest::newRow("empty text") << "保留" << true << "'包含内容'不能空！";
  }
  void refusals() {
    QFETCH(QString, operation);
    QFETCH(bool, byText);
    QFETCH(QString, message);
    Fixture f(kNames);
    QSignalSpy accepted(f.dialog.get(), &QDialog::accepted);
    f.find<QComboBox>("操作方式组合框")->setEditText(operation);
    if (byText) f.find<QRadioButton>("包含内容单选框")->click();
    f.find<QComboBox>("扩展名组合框")->setEditText(byText ? "mp3" : "");
    f.find<QPushButton>("确定按钮")->click();
    QCOMPARE(f.shown.size(), std::size_t{1});
    QCOMPARE(f.shown[0].icon, QMessageBox::Warning);
    QCOMPARE(f.shown[0].title, QStringLiteral("过滤设置"));
    QCOMPARE(f.shown[0].text, message);
    QCOMPARE(f.Names(), kNames);
    QCOMPARE(f.changes, 0);
    QCOMPARE(accepted.count(), 0);
  }

  void twoFiltersInOneOpening() {
    Fixture f(kNames);
    QSignalSpy accepted(f.dialog.get(), &QDialog::accepted);
    f.find<QCheckBox>("过滤完成后关闭对话框选择框")->setChecked(false);
    f.Filter(0, "mp3");
    f.Filter(0, "TXT");
    QCOMPARE(f.Names(), QStringList{"noext"});
    QCOMPARE(f.changes, 2);
    QCOMPARE(accepted.count(), 0);
    f.Filter(0, QString(), "no");
    QVERIFY(f.list.entries.empty());
    QCOMPARE(f.list.RowCount(), std::size_t{0});
  }

  void cancelChangesNothing() {
    Fixture f(kNames);
    f.find<QComboBox>("扩展名组合框")->setEditText("mp3");
    f.find<QPushButton>("取消按钮")->click();
    QCOMPARE(f.Names(), kNames);
    QCOMPARE(f.changes, 0);
  }

  // From the window's pop-up item: a filter that empties the list greys "预览" and
  // "开始命名" and leaves "撤消" as it was.
  void emptyingTheListFromTheWindow() {
    QTemporaryDir dir;
    std::vector<std::string> paths;
    for (const char* name : {"a.mp3", "b.MP3"}) {
      paths.push_back(dir.filePath(name).toStdString());
      std::ofstream(paths.back()) << "x";
    }
    UiPrompts prompts = DefaultPrompts();
    prompts.message = [](QWidget*, QMessageBox::Icon, const QString&, const QString&,
                         QMessageBox::StandardButtons) { return QMessageBox::Ok; };
    MainWindow w(dir.path(), prompts);
    w.AddDropped(paths);
    QCOMPARE(w.fileList().count(), std::size_t{2});
    w.SetToolbarButtonEnabled(MainWindow::kToolUndo, true);
    bool filtered = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<FilterDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      dialog->findChild<QComboBox*>(QStringLiteral("扩展名组合框"))->setEditText("mp3");
      dialog->findChild<QPushButton*>(QStringLiteral("确定按钮"))->click();
      filtered = true;
    });
    w.openFilterDialog();
    QVERIFY(filtered);
    QCOMPARE(w.fileList().count(), std::size_t{0});
    QVERIFY(!w.toolbarAction(MainWindow::kToolPreview)->isEnabled());
    QVERIFY(!w.toolbarAction(MainWindow::kToolRename)->isEnabled());
    QVERIFY(w.toolbarAction(MainWindow::kToolUndo)->isEnabled());
    QVERIFY(w.statusPane(0)->text().startsWith("0"));
  }
};

QTEST_MAIN(FilterDialogTest)
#include "test_filter_dialog.moc"
