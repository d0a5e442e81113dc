// The main window: toolbar, the option tab control, the file list, the status bar,
// the menus and the list's pop-up menu. It owns the FileList and the settings
// record, and turns every user action into calls of the core.
#pragma once

#include <QList>
#include <QMainWindow>
#include <QUrl>
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "core/filelist/file_list.h"
#include "core/filelist/folder_tree.h"
#include "core/filelist/rename_plan.h"
#include "core/filelist/rename_run.h"
#include "core/id3/genre_table.h"
#include "core/metadata/metadata_cache.h"
#include "core/rules/preview_pass.h"
#include "core/rules/tag_cache.h"
#include "core/rules/naming_options.h"
#include "core/history/undo_runs.h"
#include "core/settings/app_settings.h"
#include "ui/ui_prompts.h"

class QAction;
class QLabel;
class QMenu;
class QTimer;

namespace tessarn {

class FileListModel;
class FileListView;
class OptionTabs;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  // Toolbar positions; 2 and 6 are separators.
  enum ToolbarIndex {
    kToolFolder = 0,
    kToolAddFiles = 1,
    kToolUndo = 3,
    kToolPreview = 4,
    kToolRename = 5,
    kToolHelp = 7
  };
  static constexpr int kToolbarPositions = 8;

  // `configDir` holds config.ini and dir.txt; empty means ConfigDirectory() of the
  // program's own folder. `prompts` replaces the real dialogs (tests).
  explicit MainWindow(const QString& configDir = QString(), UiPrompts prompts = DefaultPrompts(),
                      QWidget* parent = nullptr);
  ~MainWindow() override;

  // What the dialogs and the tests work with.
  FileList& fileList() { return list_; }
  AppSettings& settings() { return settings_; }
  TagCache* tagCache() { return &tagCache_; }
  MetadataCache* metadataCache() { return &metadataCache_; }
  UndoLog& undoLog() { return undo_; }
  const GenreTable& genreTable() const { return genres_; }
  FileListModel* listModel() const { return model_; }
  FileListView* listView() const { return view_; }
  OptionTabs* optionTabs() const { return tabs_; }
  UiPrompts& prompts() { return prompts_; }
  QAction* toolbarAction(int index) const { return toolActions_[static_cast<std::size_t>(index)]; }
  QLabel* statusPane(int index) const { return panes_[static_cast<std::size_t>(index)]; }
  QMenu* contextMenu() const { return contextMenu_; }
  std::string configPath() const;
  std::string dirTxtPath() const;

  // Operations the other windows call.
  void PreviewPass(bool allRows);
  void UpdateStatusBar();
  void ApplySettingsToList();
  void SetToolbarButtonEnabled(int index, bool enabled);
  void SetPaneText(int index, const QString& text);

  // Adding files.
  void AddFolder(const std::string& diskFolder, bool ask);
  // "添加目录及子目录": the folder with all its subfolders. The walk runs on a worker
  // thread; the window keeps painting and shows the rows as each folder is read.
  void AddFolderTree(const std::string& diskFolder, bool ask);
  void AddFiles();
  // `recursive`: the dropped folders with their subfolders (`tessarn -r`).
  void AddDropped(const std::vector<std::string>& diskPaths, bool recursive = false);
  // The paths given at start: those that name nothing are reported in one warning,
  // the others are added as a drop.
  void AddStartPaths(const std::vector<std::string>& diskPaths, bool recursive = false);
  // A drop's URLs: the local ones, as raw path bytes, go to AddDropped.
  void AddDroppedUrls(const QList<QUrl>& urls);
  // Rename run and undo, each followed by its summary.
  void RunRenameAndReport();
  void UndoAndReport();
  // Undoes runs of the history (UndoRuns) and shows the summary; the list follows
  // when its own run is among them. False when nothing was done (the reason was
  // shown).
  bool UndoRunsAndReport(const UndoTarget& target);
  // "从文件名写入标签": the preview of what each name gives, the question, the run.
  void WriteTagsFromNamesAndReport();
  // List operations.
  void DeleteSelectedRows();
  void ClearList();
  void DeleteUntaggedRows();
  void SelectAllRows();
  void ToolbarClicked(int index);
  // Enables the pop-up menu's items for the present state (done when it opens).
  void UpdateContextMenu();

 signals:
  // A status-bar pane shows a new text (the progress of a run comes this way).
  void statusPaneChanged(int index, const QString& text);

 public slots:
  // Hooks for the dialogs; they are filled in where the dialogs live.
  void openFilterDialog();
  void openTagEditor(int row);
  // The editor for the selected rows: the many-files form when several are selected.
  void openTagEditorForSelection();
  void openSettingsDialog();
  void openAbout();
  void openHelp();
  void openUndoHistory();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildMenus();
  void BuildToolbar();
  void BuildStatusBar();
  void ShowContextMenu(const QPoint& pos);
  void OnListDoubleClicked();
  void ShowMessage(const UserMessage& message);
  // Walks one folder tree into the list, showing rows as they come; user input
  // waits meanwhile.
  FolderTreeResult ScanFolderTreeShowingRows(const std::string& diskFolder);
  // Adds one folder's files as AddFolder of the core does: read and sorted on a
  // worker thread, appended here in steps while the window paints; user input
  // waits meanwhile. Returns the number appended.
  std::size_t AddFolderShowingRows(const std::string& diskFolder,
                                   std::vector<std::string>* unreadable);
  // A preview of many rows runs in slices between events; the next pass, a change
  // of the list or closing the window drops the rest.
  void StartSlicedPreview(const NamingOptions& options, std::size_t rows);
  void StepSlicedPreview();
  void StopSlicedPreview();
  // Marks the shown rows whose new names cannot be had, looking at those rows only.
  void ShowPreviewConflicts(std::size_t shown);
  // The list's entries came, went or changed their disk names.
  void ListChanged();
  // Pane 1 tells why the replace page's pattern changes nothing; the text goes
  // when the pattern is mended.
  void ShowPatternError(const NamingOptions& options);
  // Tags changed on disk (a tag run, the tag editor, an undo): the MP3 page's new
  // names and statuses come from them, so that page reads every file again,
  // whatever the automatic preview says.
  void RefreshAfterTagWrite();
  // The tag-status column shows on the MP3 page only.
  void ShowTagStatusesForPage();
  // Empties pane 1 after an action, as every toolbar button does.
  void ClearProgressPane();
  void ListBecameEmpty();
  // Size, place and column widths (main_window_geometry.cpp).
  void RestoreGeometry();
  void SaveGeometry();
  void GrowToShowRows(int rows);
  int ListRowHeight() const;
  // One warning naming every folder that could not be listed; nothing when none.
  void WarnUnreadable(const std::vector<std::string>& diskFolders);
  QMessageBox::StandardButton Message(QMessageBox::Icon icon, const QString& text,
                                      QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                      const QString& title = QString());

  AppSettings settings_;
  FileList list_;
  UndoLog undo_;
  FolderListings listings_;  // what the preview knows of the listed folders
  TagCache tagCache_;
  MetadataCache metadataCache_;  // what the metadata page read of each file
  GenreTable genres_;
  std::string configDir_;
  UiPrompts prompts_;
  bool settingsSaved_ = false;
  bool scanning_ = false;  // a folder or folder tree is being read
  bool closing_ = false;   // the window was closed while a folder was being read
  EntryNameIndex entryNames_;  // which entry has which name, for the keystroke's check
  // Rows from here on hold no conflict mark (the last check looked at fewer rows).
  std::size_t markedRows_ = static_cast<std::size_t>(-1);
  std::unique_ptr<SlicedPreview> slicedPreview_;
  QTimer* sliceTimer_ = nullptr;
  // The conflict check of a sliced preview: the rows' names are copied as the
  // slices go and checked on a worker thread, so that a million rows never hold
  // the window. A check overtaken by a newer pass is dropped; its thread is
  // joined once it ends.
  struct BackgroundCheck;
  std::unique_ptr<BackgroundCheck> check_;
  std::vector<std::unique_ptr<BackgroundCheck>> droppedChecks_;
  void FinishBackgroundCheck();
  void ReapDroppedChecks(bool wait);
  QString shownPatternError_;
  std::uint64_t lastRunId_ = 0;  // the history's record of the list's last run

  OptionTabs* tabs_ = nullptr;
  FileListView* view_ = nullptr;
  FileListModel* model_ = nullptr;
  std::array<QAction*, kToolbarPositions> toolActions_{};
  std::array<QLabel*, 3> panes_{};
  QMenu* contextMenu_ = nullptr;
  QAction* ctxPreview_ = nullptr;
  QAction* ctxAddFolder_ = nullptr;
  QAction* ctxAddFiles_ = nullptr;
  QAction* ctxAddTree_ = nullptr;
  QAction* ctxFilter_ = nullptr;
  QAction* ctxDeleteSelected_ = nullptr;
  QAction* ctxClear_ = nullptr;
  QAction* ctxTagInfo_ = nullptr;
  QAction* ctxDeleteUntagged_ = nullptr;
  QAction* ctxSelectAll_ = nullptr;
};

}  // namespace tessarn
