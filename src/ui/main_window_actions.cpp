// The main window's actions on the list: adding files, the rename run and its
// undo, deleting rows, and the list's mouse and menu handling.
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QStringList>
#include <QUrl>
#include <algorithm>

#include "core/filelist/add_files.h"
#include "core/filelist/list_pruning.h"
#include "core/id3/id3v1.h"
#include "core/rules/preview_pass.h"
#include "core/rules/tag_template_rule.h"
#include "core/tagedit/tag_run.h"
#include "core/text/encoding.h"
#include "ui/file_list_view.h"
#include "ui/gb_qt.h"
#include "ui/main_window.h"
#include "ui/option_tabs.h"

namespace tessarn {

namespace {

// The busy cursor for the lifetime of one action.
class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

std::string DiskBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

// The open-file dialog's filters; each label keeps its caption and lists its
// patterns the way the dialog reads them.
QString OpenFileFilter() {
  return QString::fromUtf8(
      "所有文件(*)"
      ";;音乐文件(*.mp3 *.wav *.wma)"
      ";;图片文件(*.gif *.jpg *.jpeg *.bmp *.png)"
      ";;文本文件(*.txt)");
}

QMessageBox::Icon IconFor(MessageKind kind) {
  switch (kind) {
    case MessageKind::kWarning:
      return QMessageBox::Warning;
    case MessageKind::kError:
      return QMessageBox::Critical;
    case MessageKind::kInformation:
      break;
  }
  return QMessageBox::Information;
}

}  // namespace

void MainWindow::AddFolder(const std::string& diskFolder, bool ask) {
  std::string folder = diskFolder;
  if (ask) {
    const QString chosen = prompts_.chooseFolder(this, QString::fromUtf8("请选择一个目录"));
    folder = DiskBytes(chosen);
  }
  if (folder.empty()) return;
  BusyCursor busy;
  // The buttons come on whether or not the folder holds files.
  SetToolbarButtonEnabled(kToolPreview, true);
  SetToolbarButtonEnabled(kToolRename, true);
  std::vector<std::string> unreadable;
  tessarn::AddFolder(list_, folder, &unreadable);
  PreviewPass(false);
  UpdateStatusBar();
  WarnUnreadable(unreadable);
}

void MainWindow::AddFiles() {
  const std::string remembered = ReadRememberedFolder(configDir_);
  const QStringList picked =
      prompts_.chooseFiles(this, QString::fromUtf8("请选择文件(可多选)："), OpenFileFilter(),
                           QFile::decodeName(QByteArray::fromStdString(remembered)));
  if (picked.isEmpty()) return;
  BusyCursor busy;
  std::vector<std::string> paths;
  paths.reserve(static_cast<std::size_t>(picked.size()));
  for (const QString& p : picked) paths.push_back(DiskBytes(p));
  WriteRememberedFolder(configDir_, SelectionFolder(paths));
  tessarn::AddFiles(list_, paths);
  PreviewPass(false);
  SetToolbarButtonEnabled(kToolRename, true);
  SetToolbarButtonEnabled(kToolPreview, true);
  UpdateStatusBar();
}

void MainWindow::AddDropped(const std::vector<std::string>& diskPaths) {
  std::vector<std::string> unreadable;
  {
    BusyCursor busy;
    // Files first, shown together; then each folder in turn, each followed by the
    // same pass and status refresh.
    tessarn::AddDropped(
        list_, diskPaths,
        [this] {
          PreviewPass(false);
          SetToolbarButtonEnabled(kToolRename, true);
          SetToolbarButtonEnabled(kToolPreview, true);
          UpdateStatusBar();
        },
        &unreadable);
  }
  WarnUnreadable(unreadable);
}

void MainWindow::AddStartPaths(const std::vector<std::string>& diskPaths) {
  const std::vector<std::string> missing = MissingPaths(diskPaths);
  if (!missing.empty()) {
    // One box for all of them: a mistyped wildcard can name many.
    QStringList shown;
    for (const std::string& path : missing) shown << FromGb(DecodeDiskName(path));
    Message(QMessageBox::Warning, QString::fromUtf8("文件或目录不存在：") + shown.join('\n'));
  }
  std::vector<std::string> present;
  for (const std::string& path : diskPaths)
    if (std::find(missing.begin(), missing.end(), path) == missing.end()) present.push_back(path);
  if (!present.empty()) AddDropped(present);
}

void MainWindow::WarnUnreadable(const std::vector<std::string>& diskFolders) {
  if (diskFolders.empty()) return;
  QStringList lines;
  for (const std::string& folder : diskFolders)
    lines << QString::fromUtf8("无法读取目录：") + FromGb(DecodeDiskName(folder));
  Message(QMessageBox::Warning, lines.join('\n'));
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  if (!event->mimeData()->hasUrls()) return;
  event->acceptProposedAction();
  AddDroppedUrls(event->mimeData()->urls());
}

void MainWindow::AddDroppedUrls(const QList<QUrl>& urls) {
  std::vector<std::string> paths;
  for (const QUrl& url : urls)
    if (url.isLocalFile()) paths.push_back(DiskBytes(url.toLocalFile()));
  if (!paths.empty()) AddDropped(paths);
}

void MainWindow::RunRenameAndReport() {
  // Nothing to rename: no run, no summary.
  if (list_.count() == 0) return;
  WalkCounts counts;
  SetToolbarButtonEnabled(kToolPreview, false);
  RenamePlan plan;
  {
    BusyCursor busy;
    // Every entry gets its new name by the shown page, whatever the preview covers.
    NamingOptions options = tabs_->ReadNamingOptions();
    options.legacyEncoding = settings_.legacyEncoding;
    ComputeNewNames(list_, options, list_.count(), tagCache());
    plan = PlanRun(list_);
  }
  if (plan.conflicts > 0 &&
      Message(QMessageBox::Information, FromGb(ConflictQuestion(plan.conflicts)),
              QMessageBox::Yes | QMessageBox::No, QString::fromUtf8("询问：")) != QMessageBox::Yes) {
    ShowPlanConflicts(list_, plan);  // where they are
    SetToolbarButtonEnabled(kToolPreview, true);
    return;
  }
  {
    BusyCursor busy;
    RenameHooks hooks;
    hooks.progress = [this](const std::string& text) { SetPaneText(1, FromGb(text)); };
    counts = RunRename(list_, undo_, plan, hooks);
  }
  SetToolbarButtonEnabled(kToolPreview, true);
  SetToolbarButtonEnabled(kToolUndo, undo_.available);
  ShowMessage(RunSummary(counts));
}

void MainWindow::UndoAndReport() {
  if (list_.count() == 0) return;
  if (Message(QMessageBox::Information, FromGb(UndoQuestion()), QMessageBox::Yes | QMessageBox::No,
              QString::fromUtf8("询问：")) != QMessageBox::Yes)
    return;
  WalkCounts counts;
  {
    BusyCursor busy;
    RenameHooks hooks;
    hooks.progress = [this](const std::string& text) { SetPaneText(1, FromGb(text)); };
    counts = UndoLastRun(list_, undo_, hooks);
  }
  SetToolbarButtonEnabled(kToolUndo, undo_.available);
  ShowMessage(UndoSummary(counts));
}

void MainWindow::WriteTagsFromNamesAndReport() {
  const NamingOptions options = tabs_->ReadNamingOptions();
  ParsedTemplate parsed;
  if (!ParseTagTemplate(options.tagTemplate, parsed)) {
    Message(QMessageBox::Warning, QString::fromUtf8("请先在“命名规则”中填写模板，例如 #1-#2。"));
    return;
  }
  // What each name would give shows in the tag-status column before the question,
  // and stays there when the answer is no.
  const std::vector<std::size_t> fits = PreviewNameTags(list_, parsed);
  ShowTagStatuses(list_);
  if (fits.empty()) {
    Message(QMessageBox::Information, QString::fromUtf8("没有文件名与命名规则相符。"));
    return;
  }
  if (Message(QMessageBox::Information, FromGb(NameTagQuestion(fits.size())),
              QMessageBox::Yes | QMessageBox::No, QString::fromUtf8("询问：")) != QMessageBox::Yes)
    return;
  std::size_t succeeded = 0;
  {
    BusyCursor busy;
    // With "ID3v1.x优先" ID3v1 must take the fields too; otherwise it takes them
    // where they fit.
    const NameTagTargets targets{true,
                                 options.v1First ? Id3v1Share::kRequired : Id3v1Share::kWhereFits};
    const Id3v2WriteOptions text{settings_.tagWriteEncoding, settings_.legacyEncoding};
    for (const NameTagFile& file : WriteNameTags(list_, fits, parsed, targets, text))
      if (file.outcome.ok) ++succeeded;
  }
  // An in-place write may keep a file's size; the naming page must not go by the
  // modification time alone.
  if (succeeded > 0) tagCache()->Clear();
  ShowTagStatuses(list_);
  ShowMessage(TagRunSummary(fits.size(), succeeded));
}

void MainWindow::ShowMessage(const UserMessage& message) {
  // The texts break their lines with CR LF; a message box wants LF.
  QString text = FromGb(message.text);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  Message(IconFor(message.kind), text);
}

void MainWindow::ListBecameEmpty() {
  listings_ = FolderListings();  // no folder to keep a listing of
  SetToolbarButtonEnabled(kToolPreview, false);
  SetToolbarButtonEnabled(kToolRename, false);
  SetToolbarButtonEnabled(kToolUndo, false);
}

void MainWindow::DeleteSelectedRows() {
  BusyCursor busy;
  tessarn::DeleteSelectedRows(list_, view_->SelectedRows(), undo_);
  UpdateStatusBar();
  if (list_.count() == 0) ListBecameEmpty();
}

void MainWindow::ClearList() {
  tessarn::ClearList(list_, undo_);
  UpdateStatusBar();
  ListBecameEmpty();
}

void MainWindow::DeleteUntaggedRows() {
  BusyCursor busy;
  view_->clearSelection();
  tessarn::DeleteUntaggedRows(list_, undo_);
  UpdateStatusBar();
  if (list_.count() == 0) ListBecameEmpty();
}

void MainWindow::SelectAllRows() { view_->SelectAllRows(); }

void MainWindow::UpdateContextMenu() {
  const bool hasRows = list_.count() > 0;
  const bool hasCurrent = view_->CurrentRow() >= 0;
  ctxPreview_->setEnabled(hasRows);
  ctxAddFolder_->setEnabled(true);
  ctxAddFiles_->setEnabled(true);
  ctxFilter_->setEnabled(hasRows);
  ctxDeleteSelected_->setEnabled(hasCurrent);
  ctxClear_->setEnabled(hasRows);
  ctxTagInfo_->setEnabled(hasCurrent);
  ctxDeleteUntagged_->setEnabled(hasRows && tabs_->currentIndex() == 4);
  ctxSelectAll_->setEnabled(hasRows);
}

void MainWindow::ShowContextMenu(const QPoint& pos) {
  UpdateContextMenu();
  contextMenu_->popup(view_->viewport()->mapToGlobal(pos));
}

void MainWindow::OnListDoubleClicked() {
  const int row = view_->CurrentRow();
  if (row < 0) {
    ToolbarClicked(kToolAddFiles);
    return;
  }
  if (HasExtension(list_.CellText(static_cast<std::size_t>(row), kOldNameColumn), "MP3"))
    openTagEditor(row);
}

}  // namespace tessarn
