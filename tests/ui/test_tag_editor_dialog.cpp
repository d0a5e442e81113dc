// Drives the MP3 tag editor offscreen over small MP3 files built in a temporary
// folder: a few bytes of fake audio with tags written by the codec.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <fstream>
#include <iterator>

#include "core/filelist/file_list.h"
#include "core/id3/id3v1.h"
#include "core/id3/id3v2.h"
#include "core/tagedit/tag_edit.h"
#include "core/text/encoding.h"
#include "../core/id3/id3_test_util.h"
#include "ui/file_list_model.h"
#include "ui/main_window.h"
#include "ui/option_tabs.h"
#include "ui/tag_editor_dialog.h"

using namespace tessarn;

namespace {

const std::string kAudio = std::string("\xFF\xFB\x90\x64", 4) + std::string(300, '\x55');

struct Shown {
  QMessageBox::Icon icon;
  QString title;
  QString text;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Id3v1Input V1(const std::string& title, int genre) {
  Id3v1Input in;
  in.title = title;
  in.artist = "Artist1";
  in.album = "Album1";
  in.year = "1999";
  in.comment = "c1";
  in.track = "5";
  in.genre = genre;
  return in;
}

TagFields V2(const std::string& title) {
  TagFields f;
  f.title = title;
  f.artist = "Artist2";
  f.album = "Album2";
  f.track = "7/9";
  f.year = "2001-02-03";
  f.genre = "(17)Rock";
  f.comment = "comment two";
  f.composer = "Composer";
  f.originalArtist = "Original";
  f.copyright = "Copyright";
  f.url = "http://x.example/";
  f.encoder = "Encoder";
  return f;
}

class Fixture {
 public:
  Fixture() { QVERIFY(dir_.isValid()); }

  // A file of fake audio with the tags given (nullptr: no such tag).
  std::string MakeFile(const char* name, const Id3v1Input* v1, const TagFields* v2) {
    const std::string path = dir_.filePath(QString::fromUtf8(name)).toStdString();
    std::ofstream(path, std::ios::binary) << kAudio;
    if (v1 && !WriteId3v1(path, *v1)) qFatal("WriteId3v1");
    if (v2 && !WriteId3v2(path, *v2)) qFatal("WriteId3v2");
    return path;
  }

  // A loaded dialog over path.
  TagEditorDialog& Open(const std::string& path) {
    dialog_ = std::make_unique<TagEditorDialog>(path, Gb(path), Recorder(), nullptr);
    loaded_ = dialog_->Load();
    return *dialog_;
  }

  TagEditorDialog::MessageFn Recorder() {
    return [this](QWidget*, QMessageBox::Icon icon, const QString& title, const QString& text,
                  QMessageBox::StandardButtons) {
      shown.push_back({icon, title, text});
      return QMessageBox::Ok;
    };
  }

  template <typename T = QLineEdit>
  T* find(const char* name) {
    T* w = dialog_->findChild<T*>(QString::fromUtf8(name));
    if (!w) qFatal("no control %s", name);
    return w;
  }
  QPushButton* button(const char* name) { return find<QPushButton>(name); }
  QCheckBox* check(const char* name) { return find<QCheckBox>(name); }
  QString text(const char* name) {
    if (auto* edit = dialog_->findChild<QPlainTextEdit*>(QString::fromUtf8(name)))
      return edit->toPlainText();
    return find<QLineEdit>(name)->text();
  }
  bool loaded() const { return loaded_; }
  QString folder() const { return dir_.path(); }
  TagEditorDialog& dialog() { return *dialog_; }

  std::vector<Shown> shown;

 private:
  QTemporaryDir dir_;
  std::unique_ptr<TagEditorDialog> dialog_;
  bool loaded_ = false;
};

const char* const kV1Boxes[] = {"歌曲名1编辑框", "艺术家1编辑框", "专辑1编辑框",
                                "年代1编辑框",   "注释1编辑框",   "音轨1编辑框"};
const char* const kV2Boxes[] = {"歌曲名2编辑框", "艺术家2编辑框", "专辑2编辑框",  "年代2编辑框",
                                "注释2编辑框",   "版权编辑框",    "作曲家编辑框", "原创者编辑框",
                                "URL编辑框",     "编码者编辑框",  "音轨2编辑框"};

QColor BaseOf(QWidget* w) { return w->palette().color(QPalette::Base); }

// Types text key by key, as the keyboard (or an input method) would.
void Type(QWidget* w, const QString& text) {
  for (QChar c : text)
    QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

}  // namespace

class TagEditorDialogTest : public QObject {
  Q_OBJECT
 private slots:
  void fileWithoutTags() {
    Fixture f;
    const std::string path = f.MakeFile("none.mp3", nullptr, nullptr);
    f.Open(path);
    QVERIFY(f.loaded());
    QCOMPARE(f.dialog().windowTitle(), QStringLiteral("MP3标签信息"));
    QCOMPARE(f.text("MP3文件名编辑框"), QString::fromStdString(path));
    QVERIFY(!f.check("ID3v1选择框")->isChecked());
    QVERIFY(!f.check("ID3v2选择框")->isChecked());
    for (const char* name : kV1Boxes) {
      QWidget* box = f.dialog().findChild<QWidget*>(QString::fromUtf8(name));
      QVERIFY2(!box->isEnabled(), name);
      QCOMPARE(BaseOf(box), QColor(0xC0, 0xC0, 0xC0));
    }
    for (const char* name : kV2Boxes)
      QVERIFY2(!f.dialog().findChild<QWidget*>(QString::fromUtf8(name))->isEnabled(), name);
    QVERIFY(!f.find<QComboBox>("流派1组合框")->isEnabled());
    QVERIFY(!f.find<QComboBox>("流派2组合框")->isEnabled());
    QVERIFY(!f.button("v1复制到v2按钮")->isEnabled());
    QVERIFY(!f.button("v2复制到v1按钮")->isEnabled());
    QVERIFY(!f.button("更新按钮")->isEnabled());

    f.check("ID3v2选择框")->click();
    for (const char* name : kV2Boxes) {
      QWidget* box = f.dialog().findChild<QWidget*>(QString::fromUtf8(name));
      QVERIFY2(box->isEnabled(), name);
      QCOMPARE(BaseOf(box), QColor(0xFF, 0xFF, 0xFF));
    }
    QVERIFY(f.button("v2复制到v1按钮")->isEnabled());
    QVERIFY(f.button("更新按钮")->isEnabled());
    QVERIFY(!f.dialog().tagChanged(TagEditorDialog::kId3v2));
    f.button("更新按钮")->click();  // nothing is marked: nothing written, nothing said
    QVERIFY(f.shown.empty());
    QCOMPARE(ReadAll(path), kAudio);
  }

  void onlyId3v1RemovedByUnticking() {
    Fixture f;
    const Id3v1Input v1 = V1("Title", 17);
    const std::string path = f.MakeFile("v1.mp3", &v1, nullptr);
    f.Open(path);
    QVERIFY(f.check("ID3v1选择框")->isChecked());
    QVERIFY(!f.check("ID3v2选择框")->isChecked());
    QCOMPARE(f.text("歌曲名1编辑框"), QStringLiteral("Title"));
    QCOMPARE(f.text("年代1编辑框"), QStringLiteral("1999"));
    QCOMPARE(f.text("音轨1编辑框"), QStringLiteral("5"));
    QCOMPARE(f.text("注释1编辑框"), QStringLiteral("c1"));
    QVERIFY(f.dialog().tagChanged(TagEditorDialog::kId3v1));   // marked by the fill
    QVERIFY(!f.dialog().tagChanged(TagEditorDialog::kId3v2));  // the file has none
    QVERIFY(!f.button("更新按钮")->isEnabled());
    f.check("ID3v1选择框")->click();
    QVERIFY(f.button("更新按钮")->isEnabled());
    f.button("更新按钮")->click();
    QVERIFY(f.shown.empty());
    QCOMPARE(ReadAll(path), kAudio);
  }

  void bothTagsWrittenAfterOneId3v1Change() {
    Fixture f;
    const Id3v1Input v1 = V1("Old", 0);
    const TagFields v2 = V2("Second title");
    const std::string path = f.MakeFile("both.mp3", &v1, &v2);
    f.Open(path);
    QCOMPARE(f.text("歌曲名2编辑框"), QStringLiteral("Second title"));
    QCOMPARE(f.find<QComboBox>("流派2组合框")->currentText(), QStringLiteral("Rock"));
    QCOMPARE(f.find<QComboBox>("流派1组合框")->currentText(), QStringLiteral("Blues"));
    QCOMPARE(f.text("URL编辑框"), QStringLiteral("http://x.example/"));
    auto* title = f.find("歌曲名1编辑框");
    title->selectAll();
    QTest::keyClicks(title, "New");
    QVERIFY(f.button("更新按钮")->isEnabled());
    f.button("更新按钮")->click();
    // One box for the update, ID3v1 first.
    QCOMPARE(f.shown.size(), std::size_t{1});
    QCOMPARE(f.shown[0].text, QStringLiteral("ID3v1标签更新成功！\nID3v2标签更新成功！"));
    for (const Shown& s : f.shown) {
      QCOMPARE(s.icon, QMessageBox::NoIcon);
      QCOMPARE(s.title, QStringLiteral("Tessarn批量更名器"));
    }
    TagFields back1, back2;
    QVERIFY(ReadId3v1(path, back1));
    QVERIFY(ReadId3v2(path, back2));
    QCOMPARE(back1.title, std::string("New"));
    QCOMPARE(back1.genre, std::string("0"));
    QCOMPARE(back2.title, std::string("Second title"));
    // The genre came from the file as a text and no item was chosen: it stays.
    QCOMPARE(back2.genre, std::string("Rock"));
    QCOMPARE(back2.encoder, std::string("Encoder"));
    // A second press writes again; the dialog stays as it was.
    f.button("更新按钮")->click();
    QCOMPARE(f.shown.size(), std::size_t{2});
    QVERIFY(f.dialog().fileWritten());
  }

  // An update after an ID3v1 change writes the ID3v2 tag too, but its frames come
  // out as they were: a v2.4 tag with UTF-8 and UTF-16 texts, a GBK text and a
  // picture stays byte for byte the same.
  void untouchedId3v2FramesKeepTheirBytes() {
    using namespace testing;
    Fixture f;
    const std::string frames =
        Frame24("TIT2", Bytes({3}) + "日本語のタイトル") +
        Frame24("TPE1", Bytes({1}) + "\xFF\xFE" + Utf16Le("月亮代表我的心")) +
        Frame24("TALB", Latin(Gb("专辑"))) + Frame24("TCON", Latin("(17)")) +
        Frame24("COMM", Bytes({3}) + "eng" + Bytes({0}) + "line 1\r\nline 2") +
        Frame24("TDRC", Latin("2019-07-01")) +
        Frame24("APIC", Bytes({0}) + "image/png" + Bytes({0, 3, 0}) + std::string(500, '\x89'));
    const std::string path = f.MakeFile("v24.mp3", nullptr, nullptr);
    {
      std::ofstream out(path, std::ios::binary);
      out << Tag(4, frames, 877) << kAudio;
    }
    f.Open(path);
    QCOMPARE(f.text("艺术家2编辑框"), QStringLiteral("月亮代表我的心"));
    f.check("ID3v1选择框")->click();
    QTest::keyClicks(f.find("歌曲名1编辑框"), "v1");
    f.button("更新按钮")->click();
    std::string after = testing::ReadAll(path);
    QCOMPARE(after.substr(0, 4), std::string("ID3\4"));
    QCOMPARE(after.substr(10, frames.size()), frames);
    QCOMPARE(after.substr(after.size() - 128 - kAudio.size(), kAudio.size()), kAudio);
    // A change of the ID3v2 URL leaves the rest too; the comment box shows the
    // comment's line break its own way, but the comment goes back as it was.
    QTest::keyClicks(f.find("URL编辑框"), "http://u");
    f.button("更新按钮")->click();
    after = testing::ReadAll(path);
    QCOMPARE(after.substr(10, frames.size()), frames);
    const std::string url = Frame24("WXXX", Bytes({0, 0}) + "http://u");
    QCOMPARE(after.substr(10 + frames.size(), url.size()), url);
  }

  void copyId3v2ToId3v1CutsBytes() {
    Fixture f;
    TagFields v2 = V2("0123456789012345678901234567890123456789");
    v2.comment = Gb("甲乙丙丁戊己庚辛壬癸子丑寅卯辰巳");  // 32 bytes: the cut keeps 15 characters
    const std::string path = f.MakeFile("v2.mp3", nullptr, &v2);
    f.Open(path);
    QCOMPARE(f.text("音轨2编辑框"), QStringLiteral("7/9"));  // the limit holds typing only
    f.find<QComboBox>("流派2组合框")->setCurrentIndex(100);  // "Rock"
    f.button("v2复制到v1按钮")->click();
    QVERIFY(f.check("ID3v1选择框")->isChecked());
    QVERIFY(f.find("歌曲名1编辑框")->isEnabled());
    QCOMPARE(f.text("歌曲名1编辑框"), QStringLiteral("012345678901234567890123456789"));
    QCOMPARE(f.text("年代1编辑框"), QStringLiteral("2001"));
    QCOMPARE(f.text("音轨1编辑框"), QStringLiteral("7/9"));  // whole
    QCOMPARE(f.text("注释1编辑框"), QStringLiteral("甲乙丙丁戊己庚辛壬癸子丑寅卯辰"));
    QCOMPARE(f.find<QComboBox>("流派1组合框")->currentIndex(), 100);
    QVERIFY(f.dialog().tagChanged(TagEditorDialog::kId3v1));
    // A 31-byte title with a character across byte 30 loses that whole character.
    f.find("歌曲名2编辑框")->setText(QString(29, 'x') + QStringLiteral("中"));
    f.button("v2复制到v1按钮")->click();
    QCOMPARE(f.text("歌曲名1编辑框"), QString(29, 'x'));
  }

  void longTextsShowTheirStart() {
    Fixture f;
    const std::string title = "The beginning of a title far longer than its box can show";
    TagFields v2 = V2(title);
    v2.url = "http://example.com/" + std::string(80, 'u');
    f.Open(f.MakeFile("long.mp3", nullptr, &v2));
    f.dialog().show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.dialog()));
    for (const char* name : {"歌曲名2编辑框", "URL编辑框", "MP3文件名编辑框"})
      QVERIFY2(f.find(name)->cursorPosition() == 0, name);
    QLineEdit* box = f.find("歌曲名2编辑框");
    QVERIFY(box->fontMetrics().horizontalAdvance(QString::fromStdString(title)) > box->width());
    f.button("v2复制到v1按钮")->click();
    QCOMPARE(f.find("歌曲名1编辑框")->cursorPosition(), 0);
  }

  void copyId3v1ToId3v2KeepsTheOtherFields() {
    Fixture f;
    const Id3v1Input v1 = V1("One", 17);
    const TagFields v2 = V2("Two");
    const std::string path = f.MakeFile("copy.mp3", &v1, &v2);
    f.Open(path);
    f.button("v1复制到v2按钮")->click();
    QCOMPARE(f.text("歌曲名2编辑框"), QStringLiteral("One"));
    QCOMPARE(f.text("年代2编辑框"), QStringLiteral("1999"));
    QCOMPARE(f.text("音轨2编辑框"), QStringLiteral("5"));
    QCOMPARE(f.text("注释2编辑框"), QStringLiteral("c1"));
    QCOMPARE(f.find<QComboBox>("流派2组合框")->currentText(), QStringLiteral("Rock"));
    QCOMPARE(f.text("版权编辑框"), QStringLiteral("Copyright"));
    f.button("更新按钮")->click();
    TagFields back;
    QVERIFY(ReadId3v2(path, back));
    QCOMPARE(back.title, std::string("One"));
    QCOMPARE(back.genre, std::string("Rock"));
    QCOMPARE(back.composer, std::string("Composer"));
  }

  void id3v1Genres_data() {
    QTest::addColumn<int>("genreByte");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("shown");
    QTest::newRow("255 names no genre") << 255 << -1 << "";
    QTest::newRow("17 is Rock") << 17 << 100 << "Rock";
    QTest::newRow("125 is Dance Hall") << 125 << 28 << "Dance Hall";
    QTest::newRow("126 has no name") << 126 << -1 << "";
  }
  void id3v1Genres() {
    QFETCH(int, genreByte);
    QFETCH(int, position);
    QFETCH(QString, shown);
    Fixture f;
    const Id3v1Input v1 = V1("G", genreByte);
    const std::string path = f.MakeFile("genre.mp3", &v1, nullptr);
    f.Open(path);
    auto* genre = f.find<QComboBox>("流派1组合框");
    QCOMPARE(genre->count(), 126);
    QCOMPARE(genre->itemText(0), QStringLiteral("A capella"));
    QCOMPARE(genre->itemData(0).toInt(), 123);
    QCOMPARE(genre->currentIndex(), position);
    QCOMPARE(genre->currentText(), shown);
    // Updating another field keeps the genre byte the file had.
    f.find("艺术家1编辑框")->setText("A");
    f.button("更新按钮")->click();
    TagFields back;
    QVERIFY(ReadId3v1(path, back));
    QCOMPARE(back.genre, std::to_string(genreByte));
  }

  void typedGenreMarksId3v2() {
    Fixture f;
    const Id3v1Input v1 = V1("T", 1);
    const std::string path = f.MakeFile("typed.mp3", &v1, nullptr);
    f.Open(path);
    f.check("ID3v2选择框")->click();
    QVERIFY(!f.dialog().tagChanged(TagEditorDialog::kId3v2));
    QTest::keyClicks(f.find<QComboBox>("流派2组合框")->lineEdit(), "Chiptune");
    QVERIFY(f.dialog().tagChanged(TagEditorDialog::kId3v2));
    f.button("更新按钮")->click();
    TagFields back;
    QVERIFY(ReadId3v2(path, back));
    QCOMPARE(back.genre, std::string("Chiptune"));
  }

  // Typing a genre that begins like a longer one keeps what was typed, through Tab
  // and Enter; choosing an item from the list still gives its number.
  void genreBoxDoesNotComplete() {
    Fixture f;
    const Id3v1Input v1 = V1("T", 1);
    const std::string path = f.MakeFile("genre2.mp3", &v1, nullptr);
    f.Open(path);
    f.check("ID3v2选择框")->click();
    auto* genre = f.find<QComboBox>("流派2组合框");
    // Completion works on a shown box that has the focus.
    f.dialog().show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.dialog()));
    f.dialog().activateWindow();
    genre->setFocus();
    QTest::keyClicks(genre->lineEdit(), "Roc");
    QTest::keyClick(genre->lineEdit(), Qt::Key_Tab);
    QCOMPARE(genre->currentText(), QStringLiteral("Roc"));
    f.button("更新按钮")->click();
    TagFields back;
    QVERIFY(ReadId3v2(path, back));
    QCOMPARE(back.genre, std::string("Roc"));

    genre->lineEdit()->clear();
    QTest::keyClicks(genre->lineEdit(), "Rock");
    QTest::keyClick(genre->lineEdit(), Qt::Key_Return);
    QCOMPARE(genre->currentText(), QStringLiteral("Rock"));
    f.button("更新按钮")->click();
    QVERIFY(ReadId3v2(path, back));
    QCOMPARE(back.genre, std::string("Rock"));

    genre->setCurrentIndex(genre->findText(QStringLiteral("Rock & Roll")));
    f.button("更新按钮")->click();
    QVERIFY(ReadId3v2(path, back));
    QCOMPARE(back.genre, std::string("Rock & Roll"));
  }

  void boxesHoldBytesNotCharacters() {
    Fixture f;
    const Id3v1Input v1 = V1("", 1);
    const std::string path = f.MakeFile("limit.mp3", &v1, nullptr);
    f.Open(path);
    auto* title = f.find("歌曲名1编辑框");
    Type(title, QStringLiteral("一二三四五六七八九十一二三四五六七"));
    QCOMPARE(title->text(), QStringLiteral("一二三四五六七八九十一二三四五"));  // 30 bytes
    QTest::keyClicks(title, "x");
    QCOMPARE(title->text().size(), 15);
    title->clear();
    title->insert(
        QStringLiteral("ab一二三四五六七八九十一二三四五六七"));  // a paste keeps what fits
    QCOMPARE(title->text(), QStringLiteral("ab一二三四五六七八九十一二三四"));
    auto* year = f.find("年代1编辑框");
    year->clear();
    Type(year, QStringLiteral("a年代b"));
    QCOMPARE(year->text(), QStringLiteral("a年b"));  // 代 would have made 5 bytes
    auto* track = f.find("音轨1编辑框");
    track->clear();
    QTest::keyClicks(track, "a1b2c3");
    QCOMPARE(track->text(), QStringLiteral("12"));
    auto* comment = f.find<QPlainTextEdit>("注释1编辑框");
    comment->clear();
    QTest::keyClicks(comment, QString(31, 'z'));
    QCOMPARE(comment->toPlainText(), QString(30, 'z'));
    f.button("更新按钮")->click();
    TagFields back;
    QVERIFY(ReadId3v1(path, back));
    QCOMPARE(back.title, Gb("ab一二三四五六七八九十一二三四"));
  }

  // A text the block holds as Latin-1 takes one byte a character there, in the
  // boxes as in the copy from ID3v2 and the write.
  void latin1TakesOneByteACharacter() {
    Fixture f;
    TagFields v2 = V2(Gb("Café Déjà Vu, crème brûlée okay"));  // 31 characters
    v2.comment = Gb("Beyoncé, Sigur Rós, Motörhead!");  // 30
    v2.track.clear();  // a track would leave the comment 28 bytes
    const std::string path = f.MakeFile("latin.mp3", nullptr, &v2);
    f.Open(path);
    f.button("v2复制到v1按钮")->click();
    QCOMPARE(f.text("歌曲名1编辑框"), QStringLiteral("Café Déjà Vu, crème brûlée oka"));
    QCOMPARE(f.text("注释1编辑框"), QStringLiteral("Beyoncé, Sigur Rós, Motörhead!"));
    auto* artist = f.find("艺术家1编辑框");
    artist->clear();
    Type(artist, QStringLiteral("Beyoncé Beyoncé Beyoncé Beyoncé"));  // 31
    QCOMPARE(artist->text(), QStringLiteral("Beyoncé Beyoncé Beyoncé Beyonc"));
    f.button("更新按钮")->click();
    TagFields back;
    QVERIFY(ReadId3v1(path, back));
    QCOMPARE(back.title, Gb("Café Déjà Vu, crème brûlée oka"));
    QCOMPARE(back.comment, Gb("Beyoncé, Sigur Rós, Motörhead!"));
    QCOMPARE(back.artist, Gb("Beyoncé Beyoncé Beyoncé Beyonc"));
  }

  void failuresAreReportedInOrder() {
    Fixture f;
    const Id3v1Input v1 = V1("T", 1);
    const TagFields v2 = V2("T2");
    const std::string path = f.MakeFile("gone.mp3", &v1, &v2);
    f.Open(path);
    f.check("ID3v1选择框")->click();  // removal due for ID3v1, a write for ID3v2
    QVERIFY(QFile::remove(QString::fromStdString(path)));
    f.button("更新按钮")->click();
    // One box with every failure and the reason under them.
    QCOMPARE(f.shown.size(), std::size_t{1});
    QCOMPARE(f.shown[0].text,
             QStringLiteral("删除ID3v1标签失败！\nID3v2标签更新失败！\n文件不存在"));
    QCOMPARE(f.shown[0].icon, QMessageBox::Critical);
    QVERIFY(!f.dialog().fileWritten());
  }

  // Another run changes the file while the editor is open: the update writes the
  // field the user changed and keeps the other run's change.
  void updateKeepsWhatAnotherRunWroteMeanwhile() {
    Fixture f;
    const Id3v1Input v1 = V1("Old", 1);
    const TagFields v2 = V2("Old two");
    const std::string path = f.MakeFile("shared.mp3", &v1, &v2);
    f.Open(path);
    TagEdit other;
    other.id3v1[kFieldAlbum] = "Other v1";
    other.id3v2[kFieldAlbum] = "Other v2";
    QVERIFY(EditTags({path}, other, {}).front().ok);
    f.find("歌曲名2编辑框")->setText("Mine");
    f.find("歌曲名1编辑框")->setText("Mine");
    f.button("更新按钮")->click();
    TagFields back1, back2;
    QVERIFY(ReadId3v1(path, back1));
    QVERIFY(ReadId3v2(path, back2));
    QCOMPARE(back2.title, std::string("Mine"));
    QCOMPARE(back2.album, std::string("Other v2"));
    QCOMPARE(back1.title, std::string("Mine"));
    QCOMPARE(back1.album, std::string("Other v1"));
    QCOMPARE(back1.artist, std::string("Artist1"));
  }

  // "转为Unicode" over one file and over the many-files form: the GBK texts read
  // the same whichever way a reader takes legacy bytes, one tag run per press.
  void convertMakesLegacyTextUnicode() {
    Fixture f;
    TagFields gbk;
    gbk.title = Gb("月亮代表我的心");
    gbk.artist = Gb("邓丽君");
    std::vector<std::string> paths;
    for (const char* name : {"one.mp3", "two.mp3"}) {
      paths.push_back(f.MakeFile(name, nullptr, nullptr));
      QVERIFY(WriteId3v2(paths.back(), gbk, {.encoding = TagWriteEncoding::kGbk}));
    }
    auto readsAsLatin1 = [](const std::string& path) {
      TagFields back;
      ReadId3v2(path, back, LegacyEncoding::kLatin1);
      return back.title == Gb("月亮代表我的心") && back.artist == Gb("邓丽君");
    };
    QVERIFY(!readsAsLatin1(paths[0]));
    f.Open(paths[0]);
    f.button("转为Unicode按钮")->click();
    QCOMPARE(f.shown.size(), std::size_t{1});
    QCOMPARE(f.shown[0].text, QStringLiteral("ID3v2标签中的旧文字已转为Unicode！"));
    QVERIFY(readsAsLatin1(paths[0]));
    QVERIFY(f.dialog().fileWritten());
    f.button("转为Unicode按钮")->click();
    QCOMPARE(f.shown[1].text, QStringLiteral("没有需要转为Unicode的文字。"));

    QVERIFY(WriteId3v2(paths[0], gbk, {.encoding = TagWriteEncoding::kGbk}));
    TagEditorDialog many(paths[0], Gb("2 个文件"), f.Recorder(), nullptr);
    QVERIFY(many.LoadMany(paths));
    many.findChild<QPushButton*>(QStringLiteral("转为Unicode按钮"))->click();
    QCOMPARE(f.shown.size(), std::size_t{3});
    QCOMPARE(f.shown[2].text, QStringLiteral("标签写入完毕！"));
    QVERIFY(readsAsLatin1(paths[0]));
    QVERIFY(readsAsLatin1(paths[1]));
  }

  void unopenableFileIsReported() {
    Fixture f;
    f.Open("/nonexistent/dir/song.mp3");
    QVERIFY(!f.loaded());
    QCOMPARE(f.shown.size(), std::size_t{1});
    QCOMPARE(f.shown[0].icon, QMessageBox::Critical);
    QCOMPARE(f.shown[0].title, QStringLiteral("错误"));
    QCOMPARE(f.shown[0].text, QStringLiteral("打开文件：/nonexistent/dir/song.mp3失败！"));
  }

  void onlyMp3FilesOpen() {
    Fixture f;
    FileList list;
    const FileEntry& entry = list.AppendEntry("/tmp/", "notes.txt");
    QVERIFY(!TagEditorDialog::OpenForEntry(list, entry, false, f.Recorder(), nullptr));
    QVERIFY(f.shown.empty());  // a double click says nothing
    QVERIFY(!TagEditorDialog::OpenForEntry(list, entry, true, f.Recorder(), nullptr));
    QCOMPARE(f.shown.size(), std::size_t{1});
    QCOMPARE(f.shown[0].icon, QMessageBox::Warning);
    QCOMPARE(f.shown[0].title, QStringLiteral("Tessarn批量更名器"));
    QCOMPARE(f.shown[0].text, QStringLiteral("抱歉，该文件不是MP3文件！"));
  }

  // The whole road in the window: a tagged MP3 in the list, its title changed in the
  // editor opened from the list, and the MP3 page's preview showing the new title.
  void newTitleReachesTheMp3Preview() {
    Fixture f;
    const Id3v1Input v1 = V1("Old one", 17);
    const TagFields v2 = V2("Old two");
    const std::string path = f.MakeFile("song.mp3", &v1, &v2);
    UiPrompts prompts = DefaultPrompts();
    prompts.message = f.Recorder();
    MainWindow w(f.folder(), prompts);
    w.settings().autoPreview = true;
    w.AddDropped({path});
    w.optionTabs()->setCurrentIndex(4);
    w.findChild<QLineEdit*>(QStringLiteral("MP3命名规则编辑框"))->setText("#2");
    w.findChild<QRadioButton*>(QStringLiteral("V2优先单选框"))->click();
    w.PreviewPass(true);
    QVERIFY(w.listModel()->index(0, 1).data().toString().startsWith("Old two"));

    bool edited = false;
    QTimer::singleShot(0, [&] {
      auto* editor = qobject_cast<TagEditorDialog*>(QApplication::activeModalWidget());
      if (!editor) return;
      editor->findChild<QLineEdit*>(QStringLiteral("歌曲名2编辑框"))->setText("New two");
      editor->findChild<QPushButton*>(QStringLiteral("更新按钮"))->click();
      editor->findChild<QPushButton*>(QStringLiteral("关闭按钮"))->click();
      edited = true;
    });
    w.settings().autoPreview = false;  // the page follows the tags all the same
    w.openTagEditor(0);
    QVERIFY(edited);
    QCOMPARE(f.shown.size(), std::size_t{1});
    QCOMPARE(f.shown[0].text, QStringLiteral("ID3v1标签更新成功！\nID3v2标签更新成功！"));
    QVERIFY(w.listModel()->index(0, 1).data().toString().startsWith("New two"));
  }
};

QTEST_MAIN(TagEditorDialogTest)
#include "test_tag_editor_dialog.moc"
