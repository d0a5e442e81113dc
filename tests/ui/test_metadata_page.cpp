// Page "元数据" driven offscreen: the picker, the template's problems, names and
// statuses from real photos, rows without metadata marked in the preview, and a
// long list read in slices.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QToolButton>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

#include "core/filelist/rename_reason.h"
#include "ui/option_tabs.h"
#include "ui_test_support.h"

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

using tessarn::kNewNameColumn;
using tessarn::kTagStatusColumn;
using tessarn::MainWindow;

namespace {

constexpr int kMetadataPage = 5;

struct Fixture : ScratchWindow {
  QString Files() { return Folder("files"); }
  void AddFiles() {
    log.folderAnswer = Files();
    window.toolbarAction(MainWindow::kToolFolder)->trigger();
  }
  void Photo(const QString& name, const char* taken) {
    QDir().mkpath(Files());
    const QString path = Files() + "/" + name;
    QFile::copy(QString::fromUtf8(TESSARN_TEST_DATA_DIR "metadata/plain.jpg"), path);
    auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    image->readMetadata();
    image->exifData()["Exif.Photo.DateTimeOriginal"] = std::string(taken);
    image->exifData()["Exif.Image.Make"] = std::string("Canon");
    image->exifData()["Exif.Image.Model"] = std::string("Canon EOS R5");
    image->writeMetadata();
  }
  void Template(const char* utf8) {
    window.optionTabs()->setCurrentIndex(kMetadataPage);
    Find(window, "元数据模板编辑框")->setText(U(utf8));
  }
};

}  // namespace

class MetadataPageTest : public QObject {
  Q_OBJECT

 private slots:
  void pickerInsertsPlaceholdersAtTheCursor() {
    Fixture f;
    auto* tabs = f.window.optionTabs();
    QCOMPARE(tabs->tabText(kMetadataPage), U("元数据"));
    QCOMPARE(tabs->widget(kMetadataPage)->objectName(), U("元数据选项页"));
    QLineEdit* box = Find(f.window, "元数据模板编辑框");
    box->setText(U("照片_"));
    box->setCursorPosition(0);
    auto* picker = Find<QToolButton>(f.window, "元数据占位符按钮");
    QAction* taken = picker->menu()->findChild<QAction*>(U("占位符_taken"));
    QVERIFY(taken != nullptr);
    QVERIFY(taken->text().startsWith(U("拍摄时间")));
    taken->trigger();
    QCOMPARE(box->text(), U("{taken}照片_"));
    box->setCursorPosition(box->text().size());
    picker->menu()->findChild<QAction*>(U("占位符_n"))->trigger();
    QCOMPARE(box->text(), U("{taken}照片_{n}"));
    // Every placeholder is offered.
    int offered = 0;
    for (QAction* a : picker->menu()->actions()) offered += a->objectName().startsWith(U("占位符_"));
    QCOMPARE(offered, 18);
  }

  void namesPhotosAndMarksFilesWithoutTheDate() {
    Fixture f;
    f.Photo("IMG_0001.JPG", "2023:07:15 10:20:30");
    MakeFiles(f.Files(), {"notes.txt"});
    f.AddFiles();
    f.window.settings().autoPreview = true;
    f.Template("{taken:%Y-%m-%d_%H%M%S");
    QVERIFY(!Find<QLabel>(f.window, "元数据模板提示标签")->text().isEmpty());
    f.Template("{taken:%Y-%m-%d_%H%M%S}");
    QVERIFY(Find<QLabel>(f.window, "元数据模板提示标签")->text().isEmpty());
    QCOMPARE(Cell(f.window, 0, kNewNameColumn), U("2023-07-15_102030.JPG"));
    QCOMPARE(Cell(f.window, 0, kTagStatusColumn), U("JPEG 2023-07-15 10:20:30 Canon EOS R5"));
    QCOMPARE(Cell(f.window, 1, kNewNameColumn), QString());
    QCOMPARE(Cell(f.window, 1, kTagStatusColumn), U("缺少元数据（拍摄时间）"));
    const QModelIndex failed = f.window.listModel()->index(1, kNewNameColumn);
    QCOMPARE(failed.data(Qt::ToolTipRole).toString(), U("缺少元数据"));

    Find<QCheckBox>(f.window, "扩展名小写选择框")->click();
    QCOMPARE(Cell(f.window, 0, kNewNameColumn), U("2023-07-15_102030.jpg"));

    // The run renames the photo, asks about the row it cannot name, and undoes.
    f.log.answer = QMessageBox::Yes;
    f.window.toolbarAction(MainWindow::kToolRename)->trigger();
    QCOMPARE(FilesIn(f.Files()), QStringList({"2023-07-15_102030.jpg", "notes.txt"}));
    QVERIFY(f.log.messages.last().text.contains(U("缺少元数据：1 个文件")));
    f.window.toolbarAction(MainWindow::kToolUndo)->trigger();
    QCOMPARE(FilesIn(f.Files()), QStringList({"IMG_0001.JPG", "notes.txt"}));
  }

  void aLongListIsReadInSlices() {
    Fixture f;
    QStringList names;
    for (int i = 0; i < 1200; ++i) names << QString("f%1.txt").arg(i, 4, 10, QChar('0'));
    MakeFiles(f.Files(), names);
    f.AddFiles();
    f.window.settings().autoPreview = true;
    f.Template("{size}_{n:4}");
    // "f0000.txt" holds its own name: 9 bytes.
    QTRY_COMPARE_WITH_TIMEOUT(Cell(f.window, 1199, kNewNameColumn), U("9_1199.txt"), 60000);
    QCOMPARE(Cell(f.window, 0, kNewNameColumn), U("9_0000.txt"));
  }
};

QTEST_MAIN(MetadataPageTest)
#include "test_metadata_page.moc"
