// The MP3 tag editor "MP3标签信息": the ID3v1 and ID3v2 tags of one file side by
// side, editable, copyable one into the other, removable, and written back by
// "更新". Every opening is a new dialog: it reads the file once when it loads and
// opens it again only for each update, never while the user edits. An update is a
// tag run in the undo history, as every other tag change is.
#pragma once

#include <QDialog>
#include <array>
#include <string>
#include <vector>

#include "core/filelist/file_list.h"
#include "core/id3/id3v2.h"
#include "core/id3/tag_fields.h"
#include "core/tagedit/tag_edit.h"
#include "ui/ui_prompts.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QWidget;

namespace tessarn {

class ByteLimitedLineEdit;
class ByteLimitedTextEdit;

class TagEditorDialog : public QDialog {
  Q_OBJECT
 public:
  using MessageFn = decltype(UiPrompts::message);
  enum Tag { kId3v1 = 0, kId3v2 = 1 };

  // `diskPath` is the file's name on disk, byte-exact, for every file operation;
  // `shownPath` is its decoded GB18030 text, shown in the dialog and its messages.
  // `text` says how the tags are read and changed text is written (the settings).
  TagEditorDialog(const std::string& diskPath, const std::string& shownPath, MessageFn message,
                  QWidget* parent = nullptr, const Id3v2WriteOptions& text = {});

  // Reads the tags into the boxes. When the file cannot be opened it shows
  // "打开文件：" + path + "失败！" and returns false; the dialog is then not shown.
  bool Load();

  // Opens the editor for a listed file: a file whose name does not end in ".mp3"
  // (any case) gets "抱歉，该文件不是MP3文件！" when the editor was asked for from the
  // pop-up menu, and nothing from a double click. Returns true when an update wrote
  // anything to the file.
  static bool OpenForEntry(const FileList& list, const FileEntry& entry, bool fromMenu, MessageFn message,
                           QWidget* parent, const Id3v2WriteOptions& text = {});

  // The many-files form, for several selected rows: each box shows the value all
  // the MP3 files share, or stays empty with the hint "<多个值>"; "更新" writes only
  // the boxes the user changed, to every file; the copy buttons and the check boxes
  // act on each file by itself. Rows that are not MP3 files are left out; with one
  // MP3 file left the ordinary editor opens. Returns true when any file was written.
  static bool OpenForEntries(const FileList& list, const std::vector<std::size_t>& rows,
                             MessageFn message,
                             QWidget* parent, const Id3v2WriteOptions& text = {});
  // The many-files form over these files (disk paths); false when none can be read.
  bool LoadMany(const std::vector<std::string>& diskPaths);

  bool tagChanged(Tag tag) const { return tagChanged_[tag]; }
  // True once an update has written or removed a tag.
  bool fileWritten() const { return fileWritten_; }

 private:
  void BuildControls();
  QWidget* BuildId3v1Frame();
  QWidget* BuildId3v2Frame();
  void FillId3v1(const TagFields& fields);
  void FillId3v2(const TagFields& fields);
  void ApplyCheckBoxRule(Tag tag);
  void Mark(Tag tag);
  void OnGenreSelected(Tag tag, int index);
  // The ID3v2 genre box's selection: the selected item while the box shows its
  // text, none (-1) when the genre was typed or filled in as text.
  int Id3v2GenreSelection() const;
  void CopyId3v2ToId3v1();
  void CopyId3v1ToId3v2();
  void Update();
  // "转为Unicode": the legacy texts of every file's ID3v2 tag made Unicode, one run.
  void ConvertToUnicode();
  // The boxes' texts as an edit compares them: ID3v1 by kTagFieldTable index (the
  // genre its number), ID3v2 the same (the genre box's text).
  std::array<std::string, kId3v1FieldCount> Id3v1BoxTexts() const;
  std::array<std::string, kTagFieldCount> Id3v2BoxTexts() const;
  // Makes the edit to the files as one tag run in the undo history; false (and
  // said) when the run could not begin. `recordError`: the history's complaint
  // about a run that went ahead.
  bool RunRecorded(const std::vector<std::string>& paths, const TagEdit& edit,
                   std::vector<TagRunFile>& results, std::string& recordError);
  // The summary of a run over several files.
  void ReportRun(const std::vector<TagRunFile>& results, const std::string& recordError);
  // The many-files form's parts.
  void FillMany();
  void CopyMany(Tag to);
  void UpdateMany();

  std::string diskPath_;
  std::string shownPath_;
  MessageFn message_;
  Id3v2WriteOptions text_;
  std::array<bool, 2> tagChanged_{};
  std::array<int, 2> genreSelection_{-1, -1};
  // The ID3v1 genre byte the file had when it names no genre in the list (126-255);
  // written back while no genre is chosen.
  int unlistedId3v1Genre_ = 255;
  bool fileWritten_ = false;

  QLineEdit* pathBox_ = nullptr;
  QCheckBox* check_[2] = {nullptr, nullptr};
  // ID3v1
  ByteLimitedLineEdit* title1_ = nullptr;
  ByteLimitedLineEdit* artist1_ = nullptr;
  ByteLimitedLineEdit* album1_ = nullptr;
  ByteLimitedLineEdit* year1_ = nullptr;
  ByteLimitedTextEdit* comment1_ = nullptr;
  ByteLimitedLineEdit* track1_ = nullptr;
  QComboBox* genre1_ = nullptr;
  // ID3v2
  QLineEdit* title2_ = nullptr;
  QLineEdit* artist2_ = nullptr;
  QLineEdit* album2_ = nullptr;
  QLineEdit* year2_ = nullptr;
  ByteLimitedTextEdit* comment2_ = nullptr;
  QLineEdit* copyright_ = nullptr;
  QLineEdit* composer_ = nullptr;
  QLineEdit* originalArtist_ = nullptr;
  QLineEdit* url_ = nullptr;
  QLineEdit* encoder_ = nullptr;
  ByteLimitedLineEdit* track2_ = nullptr;
  QComboBox* genre2_ = nullptr;
  // The ID3v2 boxes in the order of kTagFieldTable.
  std::array<QWidget*, kTagFieldCount> v2Boxes_{};
  // The boxes' texts at loading (and after each update): a box that still shows
  // its text is not written, the file keeping what it holds.
  std::array<std::string, kId3v1FieldCount> shownV1_;
  std::array<std::string, kTagFieldCount> shownV2_;

  QPushButton* copyV1ToV2_ = nullptr;
  QPushButton* copyV2ToV1_ = nullptr;
  QPushButton* convertButton_ = nullptr;
  QPushButton* updateButton_ = nullptr;
  QPushButton* closeButton_ = nullptr;

  // The many-files form: its files, the boxes the user changed since the last
  // update, and the copies asked for. Empty for one file.
  std::vector<std::string> manyPaths_;
  std::vector<QWidget*> touched_;
  bool filling_ = false;  // the form is filling its boxes: no box counts as changed
  bool copyToV1_ = false;
  bool copyToV2_ = false;
  std::array<std::size_t, 2> presentCount_{};
};

}  // namespace tessarn
