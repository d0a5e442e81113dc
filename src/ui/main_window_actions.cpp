// The main window's actions on the list: adding files, the rename run and its
// undo, deleting rows, and the list's mouse and menu handling.
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include "core/filelist/add_files.h"
#include "core/filelist/memory_hints.h"
#include "core/filelist/folder_scan.h"
#include "core/filelist/folder_tree.h"
#include "core/filelist/list_pruning.h"
#include "core/history/history_store.h"
#include "core/history/rename_history.h"
#include "core/history/tag_history.h"
#include "core/history/undo_runs.h"
#include "core/id3/id3v1.h"
#include "core/rules/preview_pass.h"
#include "core/rules/tag_template_rule.h"
#include "core/tagedit/tag_run.h"
#include "core/text/encoding.h"
#include "core/rules/regex_replace.h"
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
  // One folder at a time: a second add waits for the user to ask again.
  if (scanning_) return;
  std::string folder = diskFolder;
  if (ask) {
    const QString chosen = prompts_.chooseFolder(this, QString::fromUtf8("请选择一个目录"));
    folder = DiskBytes(chosen);
  }
  if (folder.empty()) return;
  std::vector<std::string> unreadable;
  {
    BusyCursor busy;
    // The buttons come on whether or not the folder holds files.
    SetToolbarButtonEnabled(kToolPreview, true);
    SetToolbarButtonEnabled(kToolRename, true);
    AddFolderShowingRows(folder, &unreadable);
    if (closing_) return;
    PreviewPass(false);
    UpdateStatusBar();
  }
  // The folder's names, read, sorted and handed over in steps, leave free pages.
  ReturnFreeMemory();
  WarnUnreadable(unreadable);
}

std::size_t MainWindow::AddFolderShowingRows(const std::string& diskFolder,
                                             std::vector<std::string>* unreadable) {
  StopSlicedPreview();
  const std::string folder = WithTrailingSlash(diskFolder);
  // The worker lists, decodes and sorts into a result of its own; this thread
  // alone touches the list, moving the files in a step at a time so that the
  // window paints and the count follows in between.
  struct Handover {
    std::mutex mutex;
    bool done = false;
    FolderScan scan;
  } handover;
  std::thread worker([&handover, folder] {
    FolderScan scan = ReadSortedFolder(folder);
    std::lock_guard lock(handover.mutex);
    handover.scan = std::move(scan);
    handover.done = true;
  });
  const std::size_t first = list_.count();
  bool read = false, finished = false;
  std::size_t next = 0;  // the first file not yet in the list
  // Every step's rows make the view lay out all rows again before it paints: the
  // steps are large enough that a million files take some sixty of them.
  constexpr std::size_t kRowsPerStep = 16384;
  auto step = [&] {
    if (!read) {
      std::lock_guard lock(handover.mutex);
      if (!handover.done) return;
      read = true;
      ReserveEntries(list_, handover.scan.files.names.size());
      // The first keystroke's conflict check need not read the folder again.
      if (handover.scan.listing) listings_.Adopt(folder, std::move(handover.scan.listing));
    }
    SortedFolderFiles& files = handover.scan.files;
    const std::size_t start = list_.count();
    next += AppendSortedFiles(list_, files, next, next + kRowsPerStep);
    // Also when the folder holds nothing: it clears the statuses of the last run.
    RefreshRows(list_, kRefreshAppend | kRefreshFolder, static_cast<long long>(start),
                static_cast<long long>(list_.count()) - 1, files.folder);
    UpdateStatusBar();
    finished = next >= files.names.size();
  };
  scanning_ = true;
  {
    QEventLoop loop;
    QTimer timer;
    timer.setInterval(0);
    connect(&timer, &QTimer::timeout, this, [&] {
      if (!closing_) step();
      if (finished || closing_) loop.quit();
    });
    timer.start();
    // The window paints and follows its size meanwhile; clicks and keys wait, so
    // nothing else changes the list while the folder fills it.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
  }
  worker.join();
  scanning_ = false;
  // The loop may have been ended from outside (the program quitting) before the
  // end: the rest goes in at once unless the window is closing.
  while (!closing_ && !finished) step();
  if (closing_) {
    // Closed meanwhile: the program ends once its main loop runs.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    return list_.count() - first;
  }
  if (handover.scan.unreadable && unreadable) unreadable->push_back(diskFolder);
  return list_.count() - first;
}

void MainWindow::AddFolderTree(const std::string& diskFolder, bool ask) {
  if (scanning_) return;
  std::string folder = diskFolder;
  if (ask) {
    const QString chosen = prompts_.chooseFolder(this, QString::fromUtf8("请选择一个目录"));
    folder = DiskBytes(chosen);
  }
  if (folder.empty() || scanning_) return;
  FolderTreeResult result;
  {
    BusyCursor busy;
    SetToolbarButtonEnabled(kToolPreview, true);
    SetToolbarButtonEnabled(kToolRename, true);
    result = ScanFolderTreeShowingRows(folder);
    PreviewPass(false);
    UpdateStatusBar();
  }
  ReturnFreeMemory();
  if (result.unreadable > 0) ShowMessage(UnreadableFoldersMessage(result));
}

FolderTreeResult MainWindow::ScanFolderTreeShowingRows(const std::string& diskFolder) {
  StopSlicedPreview();
  // The worker reads folder after folder into a list of its own and hands each
  // folder's entries over; this thread moves them into the list and shows them in
  // steps, so that it is never busy for long. Only this thread ever touches list_.
  struct Handover {
    std::mutex mutex;
    std::deque<EntryBatch> folders;
    bool done = false;
    FolderTreeResult result;
  } handover;
  std::thread worker([&handover, diskFolder] {
    FileList staging;
    const FolderTreeResult result =
        ScanFolderTree(staging, diskFolder, FolderTreeOptions{}, [&](std::size_t) {
          std::lock_guard lock(handover.mutex);
          handover.folders.push_back(staging.TakeEntries());
        });
    std::lock_guard lock(handover.mutex);
    handover.result = result;
    handover.done = true;
  });
  const std::size_t first = list_.count();
  QEventLoop loop;
  // Every new row makes the view lay out all rows again before it paints: rows
  // are taken over a few times a second, not at every tick, and no more at once
  // than this thread moves in a moment.
  QElapsedTimer sinceStep;
  sinceStep.start();
  auto takeOver = [&](bool all) {
    constexpr qint64 kStepMilliseconds = 150;
    constexpr std::size_t kMostPerStep = 15000;
    std::vector<EntryBatch> taken;
    bool finished = false;
    {
      std::lock_guard lock(handover.mutex);
      if (!all && !handover.done && sinceStep.elapsed() < kStepMilliseconds) return;
      std::size_t n = 0;
      while (!handover.folders.empty() && (all || n < kMostPerStep)) {
        n += handover.folders.front().entries.size();
        taken.push_back(std::move(handover.folders.front()));
        handover.folders.pop_front();
      }
      finished = handover.done && handover.folders.empty();
    }
    if (!taken.empty()) {
      const std::size_t start = list_.count();
      std::size_t n = 0;
      for (const EntryBatch& folder : taken) n += folder.entries.size();
      ReserveEntries(list_, n);
      for (EntryBatch& folder : taken) list_.AppendBatch(std::move(folder));
      ShowTreeRows(list_, start);
      UpdateStatusBar();
    }
    sinceStep.restart();
    if (finished) loop.quit();
  };
  QTimer timer;
  timer.setInterval(20);
  connect(&timer, &QTimer::timeout, this, [&] { takeOver(false); });
  timer.start();
  scanning_ = true;
  // The window paints and follows its size meanwhile; clicks and keys wait, so
  // nothing else changes the list while the walk fills it.
  loop.exec(QEventLoop::ExcludeUserInputEvents);
  scanning_ = false;
  timer.stop();
  worker.join();
  takeOver(true);  // what is left when the loop was ended from outside (the program quitting)
  if (list_.count() == first) ShowTreeRows(list_, first);  // clears the last run's statuses
  return handover.result;
}

void MainWindow::AddFiles() {
  if (scanning_) return;
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

void MainWindow::AddDropped(const std::vector<std::string>& diskPaths, bool recursive) {
  if (scanning_) return;
  const auto afterStep = [this] {
    PreviewPass(false);
    SetToolbarButtonEnabled(kToolRename, true);
    SetToolbarButtonEnabled(kToolPreview, true);
    UpdateStatusBar();
  };
  if (!recursive) {
    std::vector<std::string> unreadable;
    {
      BusyCursor busy;
      // Files first, shown together; then each folder in turn, each followed by the
      // same pass and status refresh.
      const std::vector<std::string> folders = AddDroppedFiles(list_, diskPaths);
      afterStep();
      for (const std::string& folder : folders) {
        AddFolderShowingRows(folder, &unreadable);
        if (closing_) return;
        afterStep();
      }
    }
    ReturnFreeMemory();
    WarnUnreadable(unreadable);
    return;
  }
  FolderTreeResult unreadable;
  {
    BusyCursor busy;
    const std::vector<std::string> folders = AddDroppedFiles(list_, diskPaths);
    afterStep();
    for (const std::string& folder : folders) {
      const FolderTreeResult r = ScanFolderTreeShowingRows(folder);
      if (unreadable.unreadable == 0) unreadable.firstUnreadable = r.firstUnreadable;
      unreadable.unreadable += r.unreadable;
      afterStep();
    }
  }
  ReturnFreeMemory();
  // One message for all of them, at the end.
  if (unreadable.unreadable > 0) ShowMessage(UnreadableFoldersMessage(unreadable));
}

void MainWindow::AddStartPaths(const std::vector<std::string>& diskPaths, bool recursive) {
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
  if (!present.empty()) AddDropped(present, recursive);
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
  if (scanning_) return;
  std::vector<std::string> paths;
  for (const QUrl& url : urls)
    if (url.isLocalFile()) paths.push_back(DiskBytes(url.toLocalFile()));
  if (!paths.empty()) AddDropped(paths);
}

void MainWindow::RunRenameAndReport() {
  // Nothing to rename: no run, no summary. Not while a folder is being read.
  if (list_.count() == 0 || scanning_) return;
  StopSlicedPreview();
  // A pattern that does not compile names nothing: say so instead of running.
  if (const std::string error = RegexPatternError(tabs_->ReadNamingOptions()); !error.empty()) {
    Message(QMessageBox::Warning, FromGb(error));
    return;
  }
  WalkCounts counts;
  std::string boundWarning;
  SetToolbarButtonEnabled(kToolPreview, false);
  RenamePlan plan;
  {
    BusyCursor busy;
    // Every entry gets its new name by the shown page, whatever the preview covers.
    NamingOptions options = tabs_->ReadNamingOptions();
    options.legacyEncoding = settings_.legacyEncoding;
    ComputeNewNames(list_, options, list_.count(), tagCache(), metadataCache());
    plan = PlanRun(list_);
  }
  if (plan.conflicts > 0 &&
      Message(QMessageBox::Information, FromGb(ConflictQuestion(plan.conflicts)),
              QMessageBox::Yes | QMessageBox::No, QString::fromUtf8("询问：")) != QMessageBox::Yes) {
    ShowPlanConflicts(list_, plan);  // where they are
    markedRows_ = static_cast<std::size_t>(-1);
    SetToolbarButtonEnabled(kToolPreview, true);
    return;
  }
  {
    BusyCursor busy;
    RenameHooks hooks;
    hooks.progress = [this](const std::string& text) { SetPaneText(1, FromGb(text)); };
    const RecordedRun run = RunRenameRecorded(StateDirectory(), list_, undo_, plan,
                                              FrontEnd::kWindow, hooks, HistoryLimitBytes(settings_));
    boundWarning = HistoryBoundWarning(run.dropped, HistoryLimitBytes(settings_));
    if (!run.started) {
      // Without its undo record the run does not start: nothing is renamed.
      SetToolbarButtonEnabled(kToolPreview, true);
      Message(QMessageBox::Warning, FromGb(run.error) + QString::fromUtf8("\n没有更名任何文件"));
      return;
    }
    counts = run.counts;
    lastRunId_ = run.runId;
  }
  // The entries have their new names now, and their rows the run's marks.
  ListChanged();
  markedRows_ = static_cast<std::size_t>(-1);
  SetToolbarButtonEnabled(kToolPreview, true);
  SetToolbarButtonEnabled(kToolUndo, undo_.available);
  ShowMessage(RunSummary(counts));
  if (!boundWarning.empty()) Message(QMessageBox::Warning, FromGb(boundWarning));
}

bool MainWindow::UndoRunsAndReport(const UndoTarget& target) {
  if (scanning_) return false;
  StopSlicedPreview();
  UndoReport report;
  {
    BusyCursor busy;
    RenameHooks hooks;
    hooks.progress = [this](const std::string& text) { SetPaneText(1, FromGb(text)); };
    report = UndoRuns(StateDirectory(), target, hooks);
  }
  if (report.result != UndoResult::kDone) {
    const bool listsRun = target.runId != 0 && target.runId == lastRunId_;
    if (listsRun && (report.result == UndoResult::kAlreadyUndone ||
                     report.result == UndoResult::kNoSuchRun)) {
      // The list's run is undone already (from the command line, say) or no longer
      // in the history: its undo is over.
      lastRunId_ = 0;
      undo_.available = false;
      SetToolbarButtonEnabled(kToolUndo, false);
      Message(QMessageBox::Information, QString::fromUtf8("没有可撤消的更名操作。"));
    } else {
      Message(QMessageBox::Warning, FromGb(report.error));
    }
    return false;
  }
  // The rows of the list that show its run's files follow the undo. A tag run's
  // undo renames nothing: the list keeps its names, the tags are read anew.
  bool listFollowed = false;
  bool tagRunUndone = false;
  for (const RunUndone& run : report.runs) {
    if (run.outcome.kind == RunKind::kTags) {
      tagRunUndone = true;
    } else if (run.outcome.runId == lastRunId_ && lastRunId_ != 0) {
      ApplyUndoToList(run.rows, run.outcome, list_, undo_);
      listFollowed = true;
    } else {
      FollowUndoInList(run.rows, run.outcome, list_);
      listFollowed = true;
    }
  }
  if (tagRunUndone) {
    ForgetTagRunStatuses(list_);
    RefreshAfterTagWrite();
  }
  if (listFollowed) {
    ListChanged();
    markedRows_ = static_cast<std::size_t>(-1);
    SetToolbarButtonEnabled(kToolUndo, undo_.available);
    if (!undo_.available) lastRunId_ = 0;
  }
  ShowMessage(report.summary);
  return true;
}

void MainWindow::UndoAndReport() {
  if (list_.count() == 0 || scanning_) return;
  if (Message(QMessageBox::Information, FromGb(UndoQuestion()), QMessageBox::Yes | QMessageBox::No,
              QString::fromUtf8("询问：")) != QMessageBox::Yes)
    return;
  if (lastRunId_ != 0) {
    // The list's run, through its record: the same checks as any undo of the history.
    UndoRunsAndReport(UndoTarget{lastRunId_, false});
    return;
  }
  // The last run renamed nothing on disk and left no record: only the list changes.
  WalkCounts counts;
  {
    BusyCursor busy;
    RenameHooks hooks;
    hooks.progress = [this](const std::string& text) { SetPaneText(1, FromGb(text)); };
    StopSlicedPreview();
    counts = UndoLastRun(list_, undo_, hooks);
  }
  ListChanged();
  markedRows_ = static_cast<std::size_t>(-1);
  SetToolbarButtonEnabled(kToolUndo, undo_.available);
  ShowMessage(UndoSummary(counts));
}

void MainWindow::WriteTagsFromNamesAndReport() {
  if (scanning_) return;
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
  RecordedTagRun recorded;
  {
    BusyCursor busy;
    // With "ID3v1.x优先" ID3v1 must take the fields too; otherwise it takes them
    // where they fit.
    const NameTagTargets targets{true,
                                 options.v1First ? Id3v1Share::kRequired : Id3v1Share::kWhereFits};
    const Id3v2WriteOptions text{settings_.tagWriteEncoding, settings_.legacyEncoding};
    recorded = RunTagsRecorded(
        StateDirectory(), FrontEnd::kWindow,
        [&](const TagFileTried& tried) {
          for (const NameTagFile& file : WriteNameTags(list_, fits, parsed, targets, text, tried))
            if (file.outcome.ok) ++succeeded;
        },
        HistoryLimitBytes(settings_));
  }
  if (!recorded.started) {
    Message(QMessageBox::Warning,
            QString::fromUtf8("无法记入撤消历史，没有修改任何文件：") + FromGb(recorded.error));
    return;
  }
  // An in-place write may keep a file's size; the naming page must not go by the
  // modification time alone.
  if (succeeded > 0)
    RefreshAfterTagWrite();
  else
    ShowTagStatuses(list_);
  std::string notes;
  for (const std::string& note : TagRunRecordNotes(recorded, HistoryLimitBytes(settings_)))
    notes += (notes.empty() ? "" : "\n") + note;
  if (!notes.empty()) Message(QMessageBox::Warning, FromGb(notes));
  ShowMessage(TagRunSummary(fits.size(), succeeded));
}

void MainWindow::RefreshAfterTagWrite() {
  tagCache()->Clear();
  metadataCache()->Clear();
  if (!ReadsFiles(static_cast<OptionPage>(std::max(0, tabs_->currentIndex()))) ||
      list_.count() == 0)
    return;
  StopSlicedPreview();
  NamingOptions options = tabs_->ReadNamingOptions();
  options.legacyEncoding = settings_.legacyEncoding;
  const std::size_t rows = list_.count();
  if (SlicedPreview::Worthwhile(options, rows)) {
    StartSlicedPreview(options, rows);
    return;
  }
  ComputeNewNames(list_, options, rows, tagCache(), metadataCache());
  RefreshRows(list_, kRefreshNewName, 0, static_cast<long long>(rows) - 1, "");
  ShowPreviewConflicts(rows);
}

void MainWindow::ShowTagStatusesForPage() {
  if (ReadsFiles(static_cast<OptionPage>(std::max(0, tabs_->currentIndex()))))
    ShowTagStatuses(list_);
  else
    HideTagStatuses(list_);
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
  if (scanning_) return;
  BusyCursor busy;
  tessarn::DeleteSelectedRows(list_, view_->SelectedRows(), undo_);
  UpdateStatusBar();
  if (list_.count() == 0) ListBecameEmpty();
}

void MainWindow::ClearList() {
  if (scanning_) return;
  tessarn::ClearList(list_, undo_);
  UpdateStatusBar();
  ListBecameEmpty();
}

void MainWindow::DeleteUntaggedRows() {
  if (scanning_) return;
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
  ctxAddTree_->setEnabled(true);
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
