#include "ui/tag_editor_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "core/id3/genre_table.h"
#include "core/id3/id3v1.h"
#include "core/id3/id3v2.h"
#include "core/id3/tag_file_io.h"
#include "core/history/tag_history.h"
#include "core/tagedit/many_files_edit.h"
#include "core/tagedit/tag_edit.h"
#include "core/tagedit/tag_run.h"
#include "core/tagedit/tag_update.h"
#include "core/text/encoding.h"
#include "ui/byte_limit_validator.h"
#include "ui/byte_limited_text_edit.h"
#include "ui/gb_qt.h"

namespace tessarn {

namespace {

const char* const kTitle = "Tessarn批量更名器";
constexpr int kId3v1TextBytes = 30;
constexpr int kId3v1YearBytes = 4;
constexpr int kTrackLength = 2;
// Backgrounds of a tag's text boxes with its check box cleared and ticked.
const QColor kAbsentBackground(0xC0, 0xC0, 0xC0);
const QColor kPresentBackground(0xFF, 0xFF, 0xFF);
// The path box's text, colour value 0x000080: dark red.
const QColor kPathColour(0x80, 0x00, 0x00);

// The text goes black with it, so that a dark desktop theme keeps the boxes legible.
void SetBackground(QWidget* box, const QColor& colour) {
  QPalette p = box->palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    p.setColor(group, QPalette::Base, colour);
    p.setColor(group, QPalette::Text, Qt::black);
  }
  box->setPalette(p);
}

QString BoxText(const QWidget* box) {
  if (auto* line = qobject_cast<const QLineEdit*>(box)) return line->text();
  if (auto* edit = qobject_cast<const ByteLimitedTextEdit*>(box)) return edit->text();
  return QString();
}

std::string GbOf(const QWidget* box) { return ToGb(BoxText(box)); }

// A filled line box keeps its cursor at the end and shows the end of a long text;
// a title reads from its start.
void ShowTextStarts(const QWidget* root) {
  for (QLineEdit* box : root->findChildren<QLineEdit*>()) box->setCursorPosition(0);
}

template <typename Box>
Box* Named(Box* box, const char* name) {
  box->setObjectName(QString::fromUtf8(name));
  return box;
}

void FillGenreItems(QComboBox* box) {
  for (const GenreComboItem& item : GenreComboItems())
    box->addItem(QString::fromLatin1(item.text), item.value);
  box->setMaxVisibleItems(20);
}

}  // namespace

TagEditorDialog::TagEditorDialog(const std::string& diskPath, const std::string& shownPath,
                                 MessageFn message, QWidget* parent, const Id3v2WriteOptions& text)
    : QDialog(parent),
      diskPath_(diskPath),
      shownPath_(shownPath),
      message_(std::move(message)),
      text_(text) {
  setWindowTitle(QStringLiteral("MP3标签信息"));
  setModal(true);
  BuildControls();
}

QWidget* TagEditorDialog::BuildId3v1Frame() {
  auto* frame = Named(new QGroupBox(QStringLiteral("ID3v1"), this), "分组框1");
  check_[kId3v1] = Named(new QCheckBox(QStringLiteral("ID3v1 标签"), frame), "ID3v1选择框");
  // The limits count the bytes a text takes in the block: one a character for a
  // text written as Latin-1.
  const ByteMeasure blockBytes = [legacy = text_.legacy](const QString& text) {
    return static_cast<int>(Id3v1TextBytes(ToGb(text), legacy));
  };
  auto line = [&](int maxBytes, const char* name) {
    return Named(new ByteLimitedLineEdit(maxBytes, frame, blockBytes), name);
  };
  title1_ = line(kId3v1TextBytes, "歌曲名1编辑框");
  artist1_ = line(kId3v1TextBytes, "艺术家1编辑框");
  album1_ = line(kId3v1TextBytes, "专辑1编辑框");
  year1_ = line(kId3v1YearBytes, "年代1编辑框");
  comment1_ = Named(new ByteLimitedTextEdit(kId3v1TextBytes, frame, blockBytes), "注释1编辑框");
  track1_ = Named(new ByteLimitedLineEdit(kTrackLength, frame), "音轨1编辑框");
  track1_->setDigitsOnly(true);
  genre1_ = Named(new QComboBox(frame), "流派1组合框");
  FillGenreItems(genre1_);
  genre1_->setCurrentIndex(-1);

  comment1_->setFixedHeight(44);
  track1_->setFixedWidth(40);
  auto* grid = new QGridLayout(frame);
  grid->addWidget(check_[kId3v1], 0, 1, 1, 3);
  int row = 1;
  auto add = [&](const QString& caption, QWidget* box) {
    grid->addWidget(new QLabel(caption, frame), row, 0);
    grid->addWidget(box, row, 1, 1, 3);
    ++row;
  };
  add(QStringLiteral("歌曲名"), title1_);
  add(QStringLiteral("艺术家"), artist1_);
  add(QStringLiteral("专辑"), album1_);
  add(QStringLiteral("年代"), year1_);
  add(QStringLiteral("注释"), comment1_);
  grid->addWidget(new QLabel(QStringLiteral("音轨 #"), frame), row, 0);
  grid->addWidget(track1_, row, 1);
  grid->addWidget(new QLabel(QStringLiteral("流派"), frame), row, 2);
  grid->addWidget(genre1_, row, 3);
  grid->setColumnStretch(3, 1);
  return frame;
}

QWidget* TagEditorDialog::BuildId3v2Frame() {
  auto* frame = Named(new QGroupBox(QStringLiteral("ID3v2"), this), "分组框2");
  check_[kId3v2] = Named(new QCheckBox(QStringLiteral("ID3v2 标签"), frame), "ID3v2选择框");
  auto name = [](TagFieldIndex k) { return kTagFieldTable[k].v2BoxName; };
  title2_ = Named(new QLineEdit(frame), name(kFieldTitle));
  artist2_ = Named(new QLineEdit(frame), name(kFieldArtist));
  album2_ = Named(new QLineEdit(frame), name(kFieldAlbum));
  year2_ = Named(new QLineEdit(frame), name(kFieldYear));
  comment2_ = Named(new ByteLimitedTextEdit(-1, frame), name(kFieldComment));
  copyright_ = Named(new QLineEdit(frame), name(kFieldCopyright));
  composer_ = Named(new QLineEdit(frame), name(kFieldComposer));
  originalArtist_ = Named(new QLineEdit(frame), name(kFieldOriginalArtist));
  url_ = Named(new QLineEdit(frame), name(kFieldUrl));
  encoder_ = Named(new QLineEdit(frame), name(kFieldEncoder));
  track2_ = Named(new ByteLimitedLineEdit(kTrackLength, frame), name(kFieldTrack));
  genre2_ = Named(new QComboBox(frame), name(kFieldGenre));
  v2Boxes_ = {title2_,   artist2_,  album2_,         track2_,    year2_, genre2_,
              comment2_, composer_, originalArtist_, copyright_, url_,   encoder_};
  genre2_->setEditable(true);
  genre2_->setInsertPolicy(QComboBox::NoInsert);
  // The box keeps what the user types: no completion that turns "Rock" into
  // "Rock & Roll" on Tab or Enter. Choosing an item from the list still works.
  genre2_->setCompleter(nullptr);
  FillGenreItems(genre2_);
  genre2_->setCurrentIndex(-1);

  comment2_->setFixedHeight(44);
  track2_->setFixedWidth(40);
  auto* grid = new QGridLayout(frame);
  grid->addWidget(check_[kId3v2], 0, 1, 1, 3);
  int row = 1;
  auto add = [&](const QString& caption, QWidget* box) {
    grid->addWidget(new QLabel(caption, frame), row, 0);
    grid->addWidget(box, row, 1, 1, 3);
    ++row;
  };
  add(QStringLiteral("歌曲名"), title2_);
  add(QStringLiteral("艺术家"), artist2_);
  add(QStringLiteral("专辑"), album2_);
  add(QStringLiteral("年代"), year2_);
  add(QStringLiteral("注释"), comment2_);
  grid->addWidget(new QLabel(QStringLiteral("音轨 #"), frame), row, 0);
  grid->addWidget(track2_, row, 1);
  grid->addWidget(new QLabel(QStringLiteral("流派"), frame), row, 2);
  grid->addWidget(genre2_, row, 3);
  ++row;
  add(QStringLiteral("版权"), copyright_);
  add(QStringLiteral("作曲家"), composer_);
  add(QStringLiteral("原创者"), originalArtist_);
  add(QStringLiteral("URL"), url_);
  add(QStringLiteral("编码者"), encoder_);
  grid->setColumnStretch(3, 1);
  return frame;
}

void TagEditorDialog::BuildControls() {
  auto* fileLabel = Named(new QLabel(QStringLiteral("文件："), this), "标签1");
  pathBox_ = Named(new QLineEdit(this), "MP3文件名编辑框");
  pathBox_->setReadOnly(true);
  QPalette p = pathBox_->palette();
  p.setColor(QPalette::Text, kPathColour);
  pathBox_->setPalette(p);

  QWidget* frame1 = BuildId3v1Frame();
  QWidget* frame2 = BuildId3v2Frame();
  copyV1ToV2_ =
      Named(new QPushButton(QStringLiteral("ID3v1 复制到 ID3v2"), this), "v1复制到v2按钮");
  copyV2ToV1_ =
      Named(new QPushButton(QStringLiteral("ID3v2 复制到 ID3v1"), this), "v2复制到v1按钮");
  convertButton_ =
      Named(new QPushButton(QStringLiteral("转为Unicode"), this), "转为Unicode按钮");
  convertButton_->setToolTip(
      QStringLiteral("把ID3v2标签中未注明编码的旧文字（如GBK）改写为Unicode，其他播放器也能正确显示"));
  updateButton_ = Named(new QPushButton(QStringLiteral("更新"), this), "更新按钮");
  closeButton_ = Named(new QPushButton(QStringLiteral("关闭"), this), "关闭按钮");
  for (QPushButton* b : {copyV1ToV2_, copyV2ToV1_, convertButton_, updateButton_, closeButton_})
    b->setAutoDefault(false);

  auto* top = new QHBoxLayout;
  top->addWidget(fileLabel);
  top->addWidget(pathBox_, 1);
  auto* updateRow = new QHBoxLayout;
  updateRow->addWidget(updateButton_);
  updateRow->addWidget(closeButton_);
  auto* left = new QVBoxLayout;
  left->addWidget(frame1);
  left->addSpacing(8);
  left->addWidget(copyV1ToV2_);
  left->addWidget(copyV2ToV1_);
  left->addWidget(convertButton_);
  left->addSpacing(8);
  left->addLayout(updateRow);
  left->addStretch();
  auto* columns = new QHBoxLayout;
  columns->addLayout(left, 1);
  columns->addWidget(frame2, 1);
  auto* outer = new QVBoxLayout(this);
  outer->addLayout(top);
  outer->addLayout(columns);
  resize(564, 384);

  // Marks: every text change of a tag's boxes marks that tag changed, whoever made it.
  for (QLineEdit* box : {static_cast<QLineEdit*>(title1_), static_cast<QLineEdit*>(artist1_),
                         static_cast<QLineEdit*>(album1_), static_cast<QLineEdit*>(year1_),
                         static_cast<QLineEdit*>(track1_)})
    connect(box, &QLineEdit::textChanged, this, [this] { Mark(kId3v1); });
  connect(comment1_, &QPlainTextEdit::textChanged, this, [this] { Mark(kId3v1); });
  for (QLineEdit* box : {title2_, artist2_, album2_, year2_, copyright_, composer_, originalArtist_,
                         url_, encoder_, static_cast<QLineEdit*>(track2_)})
    connect(box, &QLineEdit::textChanged, this, [this] { Mark(kId3v2); });
  connect(comment2_, &QPlainTextEdit::textChanged, this, [this] { Mark(kId3v2); });
  connect(genre1_, &QComboBox::currentIndexChanged, this,
          [this](int index) { OnGenreSelected(kId3v1, index); });
  connect(genre2_, &QComboBox::currentIndexChanged, this,
          [this](int index) { OnGenreSelected(kId3v2, index); });
  connect(genre2_, &QComboBox::editTextChanged, this, [this] { Mark(kId3v2); });

  for (Tag tag : {kId3v1, kId3v2})
    connect(check_[tag], &QCheckBox::clicked, this, [this, tag] { ApplyCheckBoxRule(tag); });
  connect(copyV2ToV1_, &QPushButton::clicked, this, [this] { CopyId3v2ToId3v1(); });
  connect(copyV1ToV2_, &QPushButton::clicked, this, [this] { CopyId3v1ToId3v2(); });
  connect(updateButton_, &QPushButton::clicked, this, [this] { Update(); });
  connect(convertButton_, &QPushButton::clicked, this, [this] { ConvertToUnicode(); });
  connect(closeButton_, &QPushButton::clicked, this, &QDialog::reject);
}

bool TagEditorDialog::Load() {
  pathBox_->setText(FromGb(shownPath_));
  tagChanged_ = {false, false};
  ReadOnlyFile file(diskPath_);
  if (!file.IsOpen()) {
    message_(parentWidget(), QMessageBox::Critical, QStringLiteral("错误"),
             QStringLiteral("打开文件：") + FromGb(shownPath_) + QStringLiteral("失败！"),
             QMessageBox::Ok);
    return false;
  }
  // Opening only looks: a write that was cut short is finished by the next update.
  if (file.Record() == RecoveryRecord::kUnfinished)
    message_(parentWidget(), QMessageBox::Warning, QStringLiteral("提示"),
             QStringLiteral("上次写入未完成：下次写入这个文件的标签时会先把它完成，现在显示的标签可能不准确。"),
             QMessageBox::Ok);
  TagFields v1;
  const bool hasV1 = ReadId3v1(file, v1, text_.legacy);
  check_[kId3v1]->setChecked(hasV1);
  // The rule also gives a tag the file has its white boxes ("更新" is disabled below).
  ApplyCheckBoxRule(kId3v1);
  if (hasV1) FillId3v1(v1);
  TagFields v2;
  const bool hasV2 = ReadId3v2(file, v2, text_.legacy);
  check_[kId3v2]->setChecked(hasV2);
  ApplyCheckBoxRule(kId3v2);
  if (hasV2) FillId3v2(v2);
  // A box shows its text as the widget keeps it (line ends and all); what the file
  // holds is kept beside it, so that a text the user leaves alone goes back as it was.
  shownV1_ = Id3v1BoxTexts();
  shownV2_ = Id3v2BoxTexts();
  genreSelection_ = {genre1_->currentIndex(), Id3v2GenreSelection()};
  updateButton_->setEnabled(false);
  ShowTextStarts(this);
  return true;
}

void TagEditorDialog::FillId3v1(const TagFields& fields) {
  title1_->setText(FromGb(fields.title));
  artist1_->setText(FromGb(fields.artist));
  album1_->setText(FromGb(fields.album));
  year1_->setText(FromGb(fields.year));
  track1_->setText(FromGb(fields.track));
  comment1_->setText(FromGb(fields.comment));
  // The reader gives the genre byte in decimal, 0 to 255.
  bool isNumber = false;
  const int genre = FromGb(fields.genre).toInt(&isNumber);
  const int position = isNumber ? GenrePosition(genre) : -1;
  if (position < 0 && isNumber && genre >= 0 && genre <= 255) unlistedId3v1Genre_ = genre;
  genre1_->setCurrentIndex(position);
}

void TagEditorDialog::FillId3v2(const TagFields& fields) {
  for (std::size_t k = 0; k < kTagFieldCount; ++k) {
    const QString text = FromGb(fields.*kTagFieldTable[k].member);
    if (auto* limited = dynamic_cast<ByteLimitedLineEdit*>(v2Boxes_[k]))
      limited->setText(text);  // its own setText: a file's text may exceed the limit
    else if (auto* line = qobject_cast<QLineEdit*>(v2Boxes_[k]))
      line->setText(text);
    else if (auto* edit = qobject_cast<ByteLimitedTextEdit*>(v2Boxes_[k]))
      edit->setText(text);
    else
      genre2_->setEditText(text);
  }
}

void TagEditorDialog::ApplyCheckBoxRule(Tag tag) {
  const bool present = check_[tag]->isChecked();
  std::vector<QWidget*> boxes;
  if (tag == kId3v1)
    boxes = {title1_, artist1_, album1_, year1_, comment1_, track1_};
  else
    boxes = {title2_,   artist2_,        album2_, year2_,   comment2_, copyright_,
             composer_, originalArtist_, url_,    encoder_, track2_};
  for (QWidget* box : boxes) {
    SetBackground(box, present ? kPresentBackground : kAbsentBackground);
    box->setEnabled(present);
  }
  (tag == kId3v1 ? genre1_ : genre2_)->setEnabled(present);
  (tag == kId3v1 ? copyV1ToV2_ : copyV2ToV1_)->setEnabled(present);
  updateButton_->setEnabled(true);
}

void TagEditorDialog::Mark(Tag tag) {
  tagChanged_[tag] = true;
  updateButton_->setEnabled(true);
}

void TagEditorDialog::OnGenreSelected(Tag tag, int index) {
  if (index == genreSelection_[tag]) return;
  genreSelection_[tag] = index;
  Mark(tag);
}

int TagEditorDialog::Id3v2GenreSelection() const {
  const int index = genre2_->currentIndex();
  if (index < 0 || genre2_->currentText() != genre2_->itemText(index)) return -1;
  return index;
}

void TagEditorDialog::CopyId3v2ToId3v1() {
  if (!manyPaths_.empty()) return CopyMany(kId3v1);
  check_[kId3v1]->setChecked(true);
  ApplyCheckBoxRule(kId3v1);
  TagFields v2;
  v2.track = GbOf(track2_);
  v2.title = GbOf(title2_);
  v2.artist = GbOf(artist2_);
  v2.album = GbOf(album2_);
  v2.year = GbOf(year2_);
  v2.comment = GbOf(comment2_);
  const Id3v1Texts v1 = Id3v1TextsFromId3v2(v2, text_.legacy);
  track1_->setText(FromGb(v1.track));
  title1_->setText(FromGb(v1.title));
  artist1_->setText(FromGb(v1.artist));
  album1_->setText(FromGb(v1.album));
  year1_->setText(FromGb(v1.year));
  genre1_->setCurrentIndex(Id3v2GenreSelection());
  comment1_->setText(FromGb(v1.comment));
  ShowTextStarts(this);
}

void TagEditorDialog::CopyId3v1ToId3v2() {
  if (!manyPaths_.empty()) return CopyMany(kId3v2);
  check_[kId3v2]->setChecked(true);
  ApplyCheckBoxRule(kId3v2);
  track2_->setText(track1_->text());
  title2_->setText(title1_->text());
  artist2_->setText(artist1_->text());
  album2_->setText(album1_->text());
  year2_->setText(year1_->text());
  genre2_->setCurrentIndex(genre1_->currentIndex());
  comment2_->setText(comment1_->text());
  ShowTextStarts(this);
}

std::array<std::string, kId3v1FieldCount> TagEditorDialog::Id3v1BoxTexts() const {
  std::array<std::string, kId3v1FieldCount> texts;
  texts[kFieldTitle] = GbOf(title1_);
  texts[kFieldArtist] = GbOf(artist1_);
  texts[kFieldAlbum] = GbOf(album1_);
  texts[kFieldTrack] = GbOf(track1_);
  texts[kFieldYear] = GbOf(year1_);
  texts[kFieldComment] = GbOf(comment1_);
  // The genre number; the file's own byte while no genre of the list is chosen.
  const int genre =
      genre1_->currentIndex() >= 0 ? genre1_->currentData().toInt() : unlistedId3v1Genre_;
  texts[kFieldGenre] = genre == kNoGenreByte ? std::string() : std::to_string(genre);
  return texts;
}

std::array<std::string, kTagFieldCount> TagEditorDialog::Id3v2BoxTexts() const {
  std::array<std::string, kTagFieldCount> texts;
  for (std::size_t k = 0; k < kTagFieldCount; ++k)
    texts[k] = k == kFieldGenre ? ToGb(genre2_->currentText()) : GbOf(v2Boxes_[k]);
  return texts;
}

void TagEditorDialog::Update() {
  if (!manyPaths_.empty()) return UpdateMany();
  // Only what the user changed since the boxes were filled is written; every other
  // field keeps what the file holds when it is written, so that a change made
  // meanwhile by another program or run is not undone.
  TagEdit edit;
  const auto v1 = Id3v1BoxTexts();
  const auto v2 = Id3v2BoxTexts();
  if (tagChanged_[kId3v1]) {
    edit.writeId3v1 = check_[kId3v1]->isChecked();
    edit.removeId3v1 = !edit.writeId3v1;
    if (edit.writeId3v1)
      for (std::size_t k = 0; k < kId3v1FieldCount; ++k)
        if (v1[k] != shownV1_[k]) edit.id3v1[k] = v1[k];
    // With a track the block keeps 28 bytes of comment: the box's comment is cut to
    // them, as the box allows 30.
    constexpr std::size_t kCommentWithTrack = 28;
    const std::string& comment = v1[kFieldComment];
    if (edit.writeId3v1 && v1[kFieldTrack].find_first_not_of('0') != std::string::npos &&
        Id3v1TextBytes(comment, text_.legacy) > kCommentWithTrack)
      edit.id3v1[kFieldComment] =
          std::string(CutToId3v1Bytes(comment, kCommentWithTrack, text_.legacy));
  }
  if (tagChanged_[kId3v2]) {
    edit.writeId3v2 = check_[kId3v2]->isChecked();
    edit.removeId3v2 = !edit.writeId3v2;
    if (edit.writeId3v2)
      for (std::size_t k = 0; k < kTagFieldCount; ++k) {
        if (v2[k] == shownV2_[k]) continue;
        // The genre box gives "(17)Rock" for a chosen item, else its text as it stands.
        const int selection = Id3v2GenreSelection();
        edit.id3v2[k] = k == kFieldGenre ? EditorGenreText(
                                               selection >= 0 ? genre2_->itemData(selection).toInt() : -1,
                                               v2[k])
                                         : v2[k];
      }
  }
  if (IsEmpty(edit)) return;
  std::vector<TagRunFile> results;
  std::string recordError;
  if (!RunRecorded({diskPath_}, edit, results, recordError)) return;
  const TagRunFile& result = results.front();
  if (result.ok) {
    // The file holds the boxes now: a later change is measured from them.
    shownV1_ = v1;
    shownV2_ = v2;
  }
  // One box for the whole update, every line and the reason in it.
  if (auto box = TagUpdateMessageBox(result.results)) {
    QString text = FromGb(box->text);
    if (!recordError.empty())
      text += QString::fromUtf8("\n\n这次修改无法记入撤消历史：") + FromGb(recordError);
    message_(this, box->isError ? QMessageBox::Critical : QMessageBox::NoIcon,
             QString::fromUtf8(kTitle), text, QMessageBox::Ok);
  }
}

bool TagEditorDialog::RunRecorded(const std::vector<std::string>& paths, const TagEdit& edit,
                                  std::vector<TagRunFile>& results, std::string& recordError) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const RecordedTagRun recorded =
      RunTagsRecorded(StateDirectory(), FrontEnd::kWindow, [&](const TagFileTried& tried) {
        results = EditTags(paths, edit, text_, tried);
      });
  QApplication::restoreOverrideCursor();
  if (!recorded.started) {
    message_(this, QMessageBox::Warning, QString::fromUtf8(kTitle),
             QString::fromUtf8("无法记入撤消历史，没有修改任何文件：") + FromGb(recorded.error),
             QMessageBox::Ok);
    return false;
  }
  recordError = recorded.error;
  for (const TagRunFile& r : results)
    if (r.undo) fileWritten_ = true;
  return true;
}

void TagEditorDialog::ReportRun(const std::vector<TagRunFile>& results,
                                const std::string& recordError) {
  std::size_t succeeded = 0;
  std::string firstReason;
  for (const TagRunFile& r : results) {
    if (r.ok) ++succeeded;
    if (!r.ok && firstReason.empty()) firstReason = r.reason;
  }
  const UserMessage summary = TagRunSummary(results.size(), succeeded);
  QString text = FromGb(summary.text);
  if (!firstReason.empty()) text += QStringLiteral("\n\n") + FromGb(firstReason);
  if (!recordError.empty())
    text += QString::fromUtf8("\n\n这次修改无法记入撤消历史：") + FromGb(recordError);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  message_(this,
           summary.kind == MessageKind::kInformation ? QMessageBox::NoIcon : QMessageBox::Warning,
           QString::fromUtf8(kTitle), text, QMessageBox::Ok);
}

void TagEditorDialog::ConvertToUnicode() {
  TagEdit edit;
  edit.convertToUnicode = true;
  const std::vector<std::string> paths =
      manyPaths_.empty() ? std::vector<std::string>{diskPath_} : manyPaths_;
  std::vector<TagRunFile> results;
  std::string recordError;
  if (!RunRecorded(paths, edit, results, recordError)) return;
  if (!manyPaths_.empty()) return ReportRun(results, recordError);
  const TagRunFile& result = results.front();
  if (!result.ok) {
    if (auto box = TagUpdateMessageBox(result.results))
      message_(this, QMessageBox::Critical, QString::fromUtf8(kTitle), FromGb(box->text),
               QMessageBox::Ok);
    return;
  }
  QString text = result.undo ? QString::fromUtf8("ID3v2标签中的旧文字已转为Unicode！")
                             : QString::fromUtf8("没有需要转为Unicode的文字。");
  if (!recordError.empty())
    text += QString::fromUtf8("\n\n这次修改无法记入撤消历史：") + FromGb(recordError);
  message_(this, QMessageBox::NoIcon, QString::fromUtf8(kTitle), text, QMessageBox::Ok);
}

bool TagEditorDialog::OpenForEntry(const FileList& list, const FileEntry& entry, bool fromMenu, MessageFn message,
                                   QWidget* parent, const Id3v2WriteOptions& text) {
  if (!HasExtension(entry.oldName, "MP3")) {
    if (fromMenu)
      message(parent, QMessageBox::Warning, QString::fromUtf8(kTitle),
              QStringLiteral("抱歉，该文件不是MP3文件！"), QMessageBox::Ok);
    return false;
  }
  TagEditorDialog dialog(list.DiskPath(entry), list.FolderText(entry) + entry.oldName, std::move(message), parent,
                         text);
  if (!dialog.Load()) return false;
  dialog.exec();
  return dialog.fileWritten();
}

// ---- The many-files form ------------------------------------------------------

namespace {

// The ID3v1 boxes in the order of kTagFieldTable's first seven rows.
std::array<QWidget*, kId3v1FieldCount> Id3v1Boxes(QWidget* title, QWidget* artist, QWidget* album,
                                                  QWidget* track, QWidget* year, QWidget* genre,
                                                  QWidget* comment) {
  return {title, artist, album, track, year, genre, comment};
}

// Shows a shared value, or nothing with the hint where the files differ.
void ShowShared(QWidget* box, const std::optional<std::string>& value) {
  const QString hint = FromGb(ManyValuesHint());
  const QString text = value ? FromGb(*value) : QString();
  if (auto* limited = dynamic_cast<ByteLimitedLineEdit*>(box)) {
    limited->setText(text);
    limited->setPlaceholderText(value ? QString() : hint);
  } else if (auto* line = qobject_cast<QLineEdit*>(box)) {
    line->setText(text);
    line->setPlaceholderText(value ? QString() : hint);
  } else if (auto* edit = qobject_cast<ByteLimitedTextEdit*>(box)) {
    edit->setText(text);
    edit->setPlaceholderText(value ? QString() : hint);
  } else if (auto* combo = qobject_cast<QComboBox*>(box)) {
    combo->setPlaceholderText(value ? QString() : hint);
    if (combo->isEditable()) {
      combo->setCurrentIndex(-1);
      combo->setEditText(text);
      combo->lineEdit()->setPlaceholderText(value ? QString() : hint);
    } else {
      bool isNumber = false;
      const int genre = text.toInt(&isNumber);
      combo->setCurrentIndex(isNumber ? GenrePosition(genre) : -1);
    }
  }
}

}  // namespace

bool TagEditorDialog::OpenForEntries(const FileList& list, const std::vector<std::size_t>& rows,
                                     MessageFn message, QWidget* parent,
                                     const Id3v2WriteOptions& text) {
  std::vector<const FileEntry*> shown, mp3;
  for (std::size_t row : rows)
    if (row < list.count()) shown.push_back(&list.entries[row]);
  for (const FileEntry* e : shown)
    if (HasExtension(e->oldName, "MP3")) mp3.push_back(e);
  if (shown.empty()) return false;
  if (mp3.size() <= 1)
    return OpenForEntry(list, mp3.empty() ? *shown.front() : *mp3.front(), true,
                        std::move(message), parent, text);
  std::vector<std::string> paths;
  for (const FileEntry* e : mp3) paths.push_back(list.DiskPath(*e));
  TagEditorDialog dialog(paths.front(), std::to_string(paths.size()) + Gb(" 个文件"),
                         std::move(message), parent, text);
  if (!dialog.LoadMany(paths)) return false;
  dialog.exec();
  return dialog.fileWritten();
}

bool TagEditorDialog::LoadMany(const std::vector<std::string>& diskPaths) {
  manyPaths_ = diskPaths;
  pathBox_->setText(FromGb(shownPath_));
  // Every change of a box after the form is filled marks that box for writing.
  auto touch = [this](QWidget* box) {
    if (!filling_ && std::find(touched_.begin(), touched_.end(), box) == touched_.end())
      touched_.push_back(box);
  };
  for (QLineEdit* box : findChildren<QLineEdit*>())
    if (box != pathBox_ && box != genre2_->lineEdit())
      connect(box, &QLineEdit::textEdited, this, [touch, box] { touch(box); });
  for (ByteLimitedTextEdit* box : findChildren<ByteLimitedTextEdit*>())
    connect(box, &QPlainTextEdit::textChanged, this, [touch, box] { touch(box); });
  connect(genre1_, &QComboBox::activated, this, [touch, this] { touch(genre1_); });
  connect(genre2_, &QComboBox::activated, this, [touch, this] { touch(genre2_); });
  connect(genre2_->lineEdit(), &QLineEdit::textEdited, this, [touch, this] { touch(genre2_); });
  FillMany();
  return true;
}

void TagEditorDialog::FillMany() {
  filling_ = true;
  const CommonTags common = CommonTagsOf(manyPaths_, text_.legacy);
  presentCount_ = {common.id3v1.present, common.id3v2.present};
  const auto v1Boxes = Id3v1Boxes(title1_, artist1_, album1_, track1_, year1_, genre1_, comment1_);
  check_[kId3v1]->setChecked(common.id3v1.present > 0);
  ApplyCheckBoxRule(kId3v1);
  for (std::size_t k = 0; k < kId3v1FieldCount; ++k) ShowShared(v1Boxes[k], common.id3v1.fields[k]);
  check_[kId3v2]->setChecked(common.id3v2.present > 0);
  ApplyCheckBoxRule(kId3v2);
  for (std::size_t k = 0; k < kTagFieldCount; ++k) ShowShared(v2Boxes_[k], common.id3v2.fields[k]);
  touched_.clear();
  copyToV1_ = copyToV2_ = false;
  tagChanged_ = {false, false};
  updateButton_->setEnabled(false);
  ShowTextStarts(this);
  filling_ = false;
}

// The copy is each file's own: the target boxes show what the source boxes show,
// and stop counting as changed, so that the copy and not the box is written.
void TagEditorDialog::CopyMany(Tag to) {
  const auto v1Boxes = Id3v1Boxes(title1_, artist1_, album1_, track1_, year1_, genre1_, comment1_);
  filling_ = true;
  check_[to]->setChecked(true);
  ApplyCheckBoxRule(to);
  for (std::size_t k = 0; k < kId3v1FieldCount; ++k) {
    QWidget* from = to == kId3v1 ? v2Boxes_[k] : v1Boxes[k];
    QWidget* into = to == kId3v1 ? v1Boxes[k] : v2Boxes_[k];
    if (k == kFieldGenre) {
      auto* source = qobject_cast<QComboBox*>(from);
      qobject_cast<QComboBox*>(into)->setCurrentIndex(source->currentIndex());
    } else {
      const QString text = BoxText(from);
      if (auto* line = qobject_cast<QLineEdit*>(into)) line->setText(text);
      if (auto* edit = qobject_cast<ByteLimitedTextEdit*>(into)) edit->setText(text);
    }
    touched_.erase(std::remove(touched_.begin(), touched_.end(), into), touched_.end());
  }
  filling_ = false;
  (to == kId3v1 ? copyToV1_ : copyToV2_) = true;
  Mark(to);
  ShowTextStarts(this);
}

void TagEditorDialog::UpdateMany() {
  const auto v1Boxes = Id3v1Boxes(title1_, artist1_, album1_, track1_, year1_, genre1_, comment1_);
  auto changed = [this](QWidget* box) {
    return std::find(touched_.begin(), touched_.end(), box) != touched_.end();
  };
  TagEdit edit;
  for (std::size_t k = 0; k < kId3v1FieldCount; ++k) {
    if (!changed(v1Boxes[k])) continue;
    if (k == kFieldGenre)
      edit.id3v1[k] = genre1_->currentIndex() >= 0 ? std::to_string(genre1_->currentData().toInt())
                                                   : std::string();
    else
      edit.id3v1[k] = GbOf(v1Boxes[k]);
  }
  for (std::size_t k = 0; k < kTagFieldCount; ++k) {
    if (!changed(v2Boxes_[k])) continue;
    if (k == kFieldGenre) {
      const int selection = Id3v2GenreSelection();
      edit.id3v2[k] = EditorGenreText(selection >= 0 ? genre2_->itemData(selection).toInt() : -1,
                                      ToGb(genre2_->currentText()));
    } else {
      edit.id3v2[k] = GbOf(v2Boxes_[k]);
    }
  }
  edit.copyId3v2ToId3v1 = copyToV1_;
  edit.copyId3v1ToId3v2 = copyToV2_;
  edit.removeId3v1 = !check_[kId3v1]->isChecked() && presentCount_[kId3v1] > 0;
  edit.removeId3v2 = !check_[kId3v2]->isChecked() && presentCount_[kId3v2] > 0;
  if (IsEmpty(edit)) return;
  std::vector<TagRunFile> results;
  std::string recordError;
  if (!RunRecorded(manyPaths_, edit, results, recordError)) return;
  ReportRun(results, recordError);
  FillMany();  // the files as they are now
}

}  // namespace tessarn
