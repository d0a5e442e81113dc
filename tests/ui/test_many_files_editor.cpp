// The tag editor's many-files form, offscreen over small MP3 files: shared values
// and "<多个值>", an update of only the changed box, per-file copies and removal.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>

#include "core/id3/id3v1.h"
#include "core/id3/id3v2.h"
#include "core/text/encoding.h"
#include "ui/tag_editor_dialog.h"

using namespace tessarn;

namespace {

const std::string kAudio = std::string("\xFF\xFB\x90\x64", 4) + std::string(300, '\x55');

// Three songs of one artist with their own titles in both tags, and the form over them.
struct Fixture {
  QTemporaryDir dir;
  std::vector<std::string> paths;
  std::vector<QString> shown;
  std::unique_ptr<TagEditorDialog> dialog;

  Fixture() {
    for (const char* title : {"One", "Two", "Three"}) {
      const std::string path = dir.filePath(QString::fromUtf8(title) + ".mp3").toStdString();
      std::ofstream(path, std::ios::binary) << kAudio;
      Id3v1Input v1;
      v1.title = title;
      v1.artist = "Band";
      TagFields v2;
      v2.title = title;
      v2.artist = "Band";
      if (!WriteId3v1(path, v1) || !WriteId3v2(path, v2)) qFatal("write");
      paths.push_back(path);
    }
    auto record = [this](QWidget*, QMessageBox::Icon, const QString&, const QString& text,
                         QMessageBox::StandardButtons) {
      shown.push_back(text);
      return QMessageBox::Ok;
    };
    dialog = std::make_unique<TagEditorDialog>(paths[0], Gb("3 个文件"), record, nullptr);
    if (!dialog->LoadMany(paths)) qFatal("load");
  }
  template <typename T = QLineEdit>
  T* find(const char* name) {
    T* w = dialog->findChild<T*>(QString::fromUtf8(name));
    if (!w) qFatal("no control %s", name);
    return w;
  }
  void Type(const char* box, const char* text) {
    QLineEdit* edit = find(box);
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromUtf8(text));
  }
  void Update() { find<QPushButton>("更新按钮")->click(); }
  TagFields Read(std::size_t i, bool v2) {
    TagFields f;
    v2 ? ReadId3v2(paths[i], f) : ReadId3v1(paths[i], f);
    return f;
  }
};

const char* const kTitles[] = {"One", "Two", "Three"};

}  // namespace

class ManyFilesEditorTest : public QObject {
  Q_OBJECT
 private slots:
  void sharedValuesAndHints() {
    Fixture f;
    QCOMPARE(f.find("歌曲名2编辑框")->text(), QString());
    QCOMPARE(f.find("歌曲名2编辑框")->placeholderText(), QStringLiteral("<多个值>"));
    QCOMPARE(f.find("艺术家2编辑框")->text(), QStringLiteral("Band"));
    QCOMPARE(f.find("艺术家2编辑框")->placeholderText(), QString());
    QCOMPARE(f.find("歌曲名1编辑框")->placeholderText(), QStringLiteral("<多个值>"));
    QVERIFY(f.find<QCheckBox>("ID3v1选择框")->isChecked());
    QVERIFY(!f.find<QPushButton>("更新按钮")->isEnabled());
  }

  // Only the album is changed: every file keeps its own title, in both tags.
  void onlyTheChangedBoxIsWritten() {
    Fixture f;
    f.Type("专辑2编辑框", "Best");
    f.Update();
    QCOMPARE(f.shown.size(), std::size_t{1});
    QCOMPARE(f.shown[0], QStringLiteral("标签写入完毕！"));
    for (std::size_t i = 0; i < 3; ++i) {
      QCOMPARE(f.Read(i, true).album, std::string("Best"));
      QCOMPARE(f.Read(i, true).title, std::string(kTitles[i]));
      QCOMPARE(f.Read(i, false).title, std::string(kTitles[i]));
      QCOMPARE(f.Read(i, false).album, std::string());
    }
    QVERIFY(f.dialog->fileWritten());
    // The form shows the files as they are now.
    QCOMPARE(f.find("专辑2编辑框")->text(), QStringLiteral("Best"));
  }

  void copyAndRemoveActOnEachFile() {
    Fixture f;
    f.Type("歌曲名2编辑框", "Same");                 // every file's ID3v2 title...
    f.find<QPushButton>("v2复制到v1按钮")->click();  // ...then each file's ID3v2 into its ID3v1
    f.Update();
    for (std::size_t i = 0; i < 3; ++i) QCOMPARE(f.Read(i, false).title, std::string("Same"));
    f.find<QCheckBox>("ID3v1选择框")->click();
    f.Update();
    for (const std::string& path : f.paths) {
      QVERIFY(!HasId3v1(path));
      QVERIFY(HasId3v2(path));
    }
  }
};

QTEST_MAIN(ManyFilesEditorTest)
#include "test_many_files_editor.moc"
