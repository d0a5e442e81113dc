#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QElapsedTimer>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>
#include <atomic>
#include <thread>

#include "core/history/history_store.h"
#include "core/rules/preview_pass.h"
#include "core/rules/regex_replace.h"
#include "ui/about_dialog.h"
#include "ui/file_list_model.h"
#include "ui/file_list_view.h"
#include "ui/filter_dialog.h"
#include "ui/history_dialog.h"
#include "ui/gb_qt.h"
#include "ui/help_page.h"
#include "ui/option_tabs.h"
#include "ui/painted_icons.h"
#include "ui/settings_dialog.h"
#include "ui/tag_editor_dialog.h"

namespace tessarn {

struct MainWindow::BackgroundCheck {
  FileList copy;  // what the plan reads of each entry
  std::size_t rows = 0;
  RenamePlan plan;
  std::atomic<bool> done{false};
  std::thread worker;
};

namespace {

const char* const kTitle = "Tessarn批量更名器";

// The window was designed at 598 x 378 outside its frame; this is that size less
// the frame of the platform it was drawn on.
constexpr int kMinWidth = 590;
constexpr int kMinHeight = 344;

QString ColourName(const QColor& c) { return c.name(QColor::HexRgb); }

// Menu colours that follow the list background, with text that stays legible on it.
QString MenuStyleSheet(std::int32_t backColour) {
  const QColor back = FromColourRef(backColour);
  const bool dark = 0.299 * back.red() + 0.587 * back.green() + 0.114 * back.blue() < 128;
  const QColor text = dark ? QColor(Qt::white) : QColor(Qt::black);
  const QColor highlight = dark ? back.lighter(150) : back.darker(130);
  const QColor disabled = dark ? back.lighter(190) : back.darker(170);
  return QString(
             "QMenuBar, QMenu { background-color: %1; color: %2; }"
             "QMenuBar::item { background: transparent; padding: 2px 8px; }"
             "QMenuBar::item:selected, QMenu::item:selected { background-color: %3; color: %2; }"
             "QMenu::item { padding: 3px 24px 3px 20px; }"
             "QMenu::item:disabled { color: %4; }"
             "QMenu::separator { height: 1px; background: %4; margin: 3px 6px; }")
      .arg(ColourName(back), ColourName(text), ColourName(highlight), ColourName(disabled));
}

}  // namespace

MainWindow::MainWindow(const QString& configDir, UiPrompts prompts, QWidget* parent)
    : QMainWindow(parent), prompts_(std::move(prompts)) {
  configDir_ =
      configDir.isEmpty()
          ? ConfigDirectory(QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString())
          : QFile::encodeName(configDir).toStdString();
  setWindowIcon(AppIcon());

  // The child controls.
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 1, 0, 0);
  layout->setSpacing(1);
  tabs_ = new OptionTabs(settings_, central);
  tabs_->setFixedHeight(tabs_->tabBar()->sizeHint().height() + 126);
  view_ = new FileListView(central);
  model_ = new FileListModel(list_, this);
  view_->setModel(model_);
  const int widths[kColumnCount] = {150, 150, 200, 100, 100};
  for (int c = 0; c < kColumnCount; ++c) view_->header()->resizeSection(c, widths[c]);
  // The tab control and the list span the width; the list takes the rest of the height.
  layout->addWidget(tabs_);
  layout->addWidget(view_, 1);
  setCentralWidget(central);
  BuildMenus();
  BuildToolbar();
  BuildStatusBar();
  setMinimumSize(kMinWidth, kMinHeight);
  resize(kMinWidth, kMinHeight);

  // The keystroke's conflict check keeps an index of every entry's name; rows that
  // come or go make it stale, and a sliced preview stops with them.
  connect(model_, &QAbstractItemModel::rowsInserted, this, [this] { ListChanged(); });
  connect(model_, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] { ListChanged(); });
  connect(model_, &QAbstractItemModel::modelAboutToBeReset, this, [this] { ListChanged(); });
  sliceTimer_ = new QTimer(this);
  sliceTimer_->setInterval(0);
  connect(sliceTimer_, &QTimer::timeout, this, &MainWindow::StepSlicedPreview);

  connect(tabs_, &OptionTabs::passRequested, this, [this] { PreviewPass(false); });
  connect(tabs_, &OptionTabs::nameTagsRequested, this, &MainWindow::WriteTagsFromNamesAndReport);
  connect(tabs_, &QTabWidget::currentChanged, this, [this] {
    ShowTagStatusesForPage();
    PreviewPass(false);
  });
  connect(view_, &QWidget::customContextMenuRequested, this, &MainWindow::ShowContextMenu);
  connect(view_, &FileListView::doubleClickedAnywhere, this, &MainWindow::OnListDoubleClicked);
  connect(view_, &FileListView::deleteKeyPressed, this, &MainWindow::DeleteSelectedRows);

  // Start-up, in order: settings, their look, the toolbar, the greyed extension row,
  // the genre table, the drop target, the title.
  LoadSettings(configPath(), settings_);
  ApplySettingsToList();
  for (int index : {kToolUndo, kToolPreview, kToolRename}) SetToolbarButtonEnabled(index, false);
  tabs_->ApplyNumberingScope(NumberingScope::kFileName);
  FillGenreTable(genres_);
  setAcceptDrops(true);
  setWindowTitle(QString::fromUtf8(kTitle));
  RestoreGeometry();
}

MainWindow::~MainWindow() {
  StopSlicedPreview();
  ReapDroppedChecks(true);
  // The model is a listener of the list; it must go before the list does.
  view_->setModel(nullptr);
  delete model_;
  model_ = nullptr;
}

std::string MainWindow::configPath() const { return ConfigFilePath(configDir_, "config.ini"); }
std::string MainWindow::dirTxtPath() const { return ConfigFilePath(configDir_, "dir.txt"); }

void MainWindow::BuildMenus() {
  QMenuBar* bar = menuBar();
  QMenu* file = bar->addMenu(QString::fromUtf8("文件(&F)"));
  QAction* a = file->addAction(QString::fromUtf8("选择目录(&D)..."));
  a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
  connect(a, &QAction::triggered, this, [this] { ToolbarClicked(kToolFolder); });
  a = file->addAction(QString::fromUtf8("添加文件(&N)..."));
  a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
  connect(a, &QAction::triggered, this, [this] { ToolbarClicked(kToolAddFiles); });
  a = file->addAction(QString::fromUtf8("添加目录及子目录(&S)..."));
  a->setObjectName(QStringLiteral("addFolderTreeAction"));
  connect(a, &QAction::triggered, this, [this] {
    AddFolderTree(std::string(), true);
    ClearProgressPane();
  });
  file->addSeparator();
  a = file->addAction(QString::fromUtf8("撤消历史(&H)..."));
  a->setObjectName(QStringLiteral("historyAction"));
  connect(a, &QAction::triggered, this, &MainWindow::openUndoHistory);
  file->addSeparator();
  a = file->addAction(QString::fromUtf8("退出(&X)"));
  a->setObjectName(QStringLiteral("exitAction"));
  // Text boxes take Ctrl+X for themselves (cut) while they have the focus.
  a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
  connect(a, &QAction::triggered, this, &QWidget::close);

  QMenu* options = bar->addMenu(QString::fromUtf8("选项(&O)"));
  a = options->addAction(QString::fromUtf8("设置(&S)..."));
  a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  connect(a, &QAction::triggered, this, &MainWindow::openSettingsDialog);

  QMenu* help = bar->addMenu(QString::fromUtf8("帮助(&H)"));
  a = help->addAction(QString::fromUtf8("内容(&D)..."));
  a->setShortcut(QKeySequence(Qt::Key_F1));
  connect(a, &QAction::triggered, this, [this] { ToolbarClicked(kToolHelp); });
  a = help->addAction(QString::fromUtf8("关于(&A)..."));
  connect(a, &QAction::triggered, this, &MainWindow::openAbout);

  // The list's pop-up menu; it never shows in the menu bar.
  contextMenu_ = new QMenu(QString::fromUtf8("右键菜单"), this);
  contextMenu_->setObjectName(QString::fromUtf8("右键菜单"));
  auto add = [this](const char* text, auto slot) {
    QAction* action = contextMenu_->addAction(QString::fromUtf8(text));
    connect(action, &QAction::triggered, this, slot);
    return action;
  };
  ctxPreview_ = add("预览(&V)", [this] { ToolbarClicked(kToolPreview); });
  contextMenu_->addSeparator();
  ctxAddFolder_ = add("添加整个目录(&O)", [this] { ToolbarClicked(kToolFolder); });
  ctxAddFiles_ = add("加入文件(&F)", [this] { ToolbarClicked(kToolAddFiles); });
  ctxAddTree_ = add("添加目录及子目录(&S)...", [this] {
    AddFolderTree(std::string(), true);
    ClearProgressPane();
  });
  contextMenu_->addSeparator();
  ctxFilter_ = add("过滤(&L)...", [this] { openFilterDialog(); });
  contextMenu_->addSeparator();
  ctxDeleteSelected_ = add("删除选择的项目(&D)", [this] { DeleteSelectedRows(); });
  ctxClear_ = add("清空列表(&E)", [this] { ClearList(); });
  contextMenu_->addSeparator();
  ctxTagInfo_ = add("MP3标签信息(&I)...", [this] { openTagEditorForSelection(); });
  // Every item has its own key, "(M)" and "全选" too, so each can be picked by key.
  ctxDeleteUntagged_ = add("删除无MP3标签项目(&M)", [this] { DeleteUntaggedRows(); });
  contextMenu_->addSeparator();
  ctxSelectAll_ = add("全选(&A)", [this] { SelectAllRows(); });
  // Shown beside the item; the list view itself handles the key.
  ctxSelectAll_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
  ctxSelectAll_->setShortcutContext(Qt::WidgetShortcut);
}

void MainWindow::BuildToolbar() {
  QToolBar* bar = addToolBar(QString::fromUtf8("工具条"));
  bar->setObjectName(QString::fromUtf8("工具条"));
  bar->setMovable(false);
  bar->setFloatable(false);
  bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  bar->setIconSize(QSize(16, 16));
  bar->setContextMenuPolicy(Qt::PreventContextMenu);
  struct Button {
    int index;
    const char* caption;
    ToolbarImage image;
  };
  const Button buttons[] = {{kToolFolder, "选择目录", ToolbarImage::kFolder},
                            {kToolAddFiles, "加入多个文件", ToolbarImage::kAddFiles},
                            {kToolUndo, "撤消", ToolbarImage::kUndo},
                            {kToolPreview, "预览", ToolbarImage::kPreview},
                            {kToolRename, "开始命名", ToolbarImage::kRename},
                            {kToolHelp, "帮助", ToolbarImage::kHelp}};
  for (const Button& b : buttons) {
    if (b.index == kToolUndo || b.index == kToolHelp) bar->addSeparator();
    QAction* a = bar->addAction(ToolbarIcon(b.image), QString::fromUtf8(b.caption));
    const int index = b.index;
    connect(a, &QAction::triggered, this, [this, index] { ToolbarClicked(index); });
    toolActions_[static_cast<std::size_t>(index)] = a;
  }
}

void MainWindow::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QString::fromUtf8("状态条"));
  bar->setSizeGripEnabled(true);
  const int widths[3] = {80, 247, 80};
  const char* texts[3] = {"文件个数", "进度", "自动预览"};
  for (int i = 0; i < 3; ++i) {
    auto* pane = new QLabel(QString::fromUtf8(texts[i]), bar);
    pane->setObjectName(QStringLiteral("pane%1").arg(i));
    pane->setFrameShape(QFrame::Panel);
    pane->setFrameShadow(QFrame::Sunken);
    pane->setFixedWidth(widths[i]);
    bar->addWidget(pane);
    panes_[static_cast<std::size_t>(i)] = pane;
  }
}

void MainWindow::PreviewPass(bool allRows) {
  // A newer pass replaces a sliced one still running.
  StopSlicedPreview();
  NamingOptions options = tabs_->ReadNamingOptions();
  options.legacyEncoding = settings_.legacyEncoding;
  std::size_t rows = 0;
  if (PreviewRowCount(list_, options, settings_, allRows, rows) &&
      SlicedPreview::Worthwhile(options, rows)) {
    StartSlicedPreview(options, rows);
  } else {
    ShowPreviewConflicts(
        tessarn::PreviewPass(list_, options, settings_, allRows, tagCache(), metadataCache()));
  }
  ShowPatternError(options);
}

void MainWindow::ShowPreviewConflicts(std::size_t shown) {
  const RenamePlan plan = PlanPreview(list_, shown, listings_, &entryNames_);
  ShowPlanConflicts(list_, plan, markedRows_);
  markedRows_ = plan.rows.size();
}

void MainWindow::ListChanged() {
  entryNames_.Clear();
  StopSlicedPreview();
}

void MainWindow::StartSlicedPreview(const NamingOptions& options, std::size_t rows) {
  ReapDroppedChecks(false);
  slicedPreview_ = std::make_unique<SlicedPreview>(options, rows);
  check_ = std::make_unique<BackgroundCheck>();
  check_->copy.entries.reserve(list_.count());
  sliceTimer_->setInterval(0);
  sliceTimer_->start();
}

void MainWindow::StopSlicedPreview() {
  if (!slicedPreview_ && !check_) return;
  sliceTimer_->stop();
  slicedPreview_.reset();
  if (check_ && check_->worker.joinable()) droppedChecks_.push_back(std::move(check_));
  check_.reset();
  ClearProgressPane();
}

void MainWindow::ReapDroppedChecks(bool wait) {
  std::erase_if(droppedChecks_, [wait](const std::unique_ptr<BackgroundCheck>& c) {
    if (!wait && !c->done) return false;
    c->worker.join();
    return true;
  });
}

void MainWindow::FinishBackgroundCheck() {
  if (!check_ || !check_->done) return;
  check_->worker.join();
  const std::unique_ptr<BackgroundCheck> check = std::move(check_);
  sliceTimer_->stop();
  ShowPlanConflicts(list_, check->plan, markedRows_);
  markedRows_ = check->plan.rows.size();
  ClearProgressPane();
}

void MainWindow::StepSlicedPreview() {
  if (!slicedPreview_) {
    FinishBackgroundCheck();
    return;
  }
  // A folder being read holds the list: the slices wait for it.
  if (scanning_) return;
  // As many slices as fit well inside one frame.
  constexpr qint64 kStepMilliseconds = 10;
  QElapsedTimer clock;
  clock.start();
  do {
    slicedPreview_->Step(list_, slicedPreview_->SliceRows(), tagCache(), metadataCache());
  } while (!slicedPreview_->Done() && clock.elapsed() < kStepMilliseconds);
  // What the check needs of the rows done, copied while they are at hand.
  check_->copy.AppendNamesFrom(list_,
                               slicedPreview_->Done() ? list_.count() : slicedPreview_->done());
  SetPaneText(1, FromGb(ProgressBarText(slicedPreview_->done(), slicedPreview_->rows())));
  if (!slicedPreview_->Done()) return;
  check_->rows = slicedPreview_->rows();
  slicedPreview_.reset();
  // The plan reads the folders afresh on its own: the window's kept listings
  // belong to this thread.
  check_->worker = std::thread([check = check_.get()] {
    FolderListings fresh(false);
    check->plan = PlanPreview(check->copy, check->rows, fresh);
    check->done = true;
  });
  sliceTimer_->setInterval(20);
}

void MainWindow::ShowPatternError(const NamingOptions& options) {
  const QString error = FromGb(RegexPatternError(options));
  if (!error.isEmpty()) {
    SetPaneText(1, error);
  } else if (!shownPatternError_.isEmpty() && statusPane(1)->text() == shownPatternError_) {
    SetPaneText(1, QString());
  }
  shownPatternError_ = error;
}

void MainWindow::UpdateStatusBar() {
  SetPaneText(0, FromGb(CountPaneText(list_.count())));
  SetPaneText(2, FromGb(PreviewPaneText(settings_.autoPreview)));
}

void MainWindow::ApplySettingsToList() {
  const QColor back = FromColourRef(settings_.backColour);
  const QColor text = FromColourRef(settings_.textColour);
  QPalette p = view_->palette();
  p.setColor(QPalette::Base, back);
  p.setColor(QPalette::AlternateBase, back);
  p.setColor(QPalette::Window, back);
  p.setColor(QPalette::Text, text);
  view_->setPalette(p);
  QFont font = view_->font();
  font.setFamily(FromGb(settings_.fontName));
  if (settings_.fontSize > 0) font.setPointSize(settings_.fontSize);
  font.setBold(settings_.bold);
  font.setItalic(settings_.italic);
  view_->setFont(font);
  const QString menuStyle = MenuStyleSheet(settings_.backColour);
  menuBar()->setStyleSheet(menuStyle);
  contextMenu_->setStyleSheet(menuStyle);
  PreviewPass(false);
  UpdateStatusBar();
}

void MainWindow::SetToolbarButtonEnabled(int index, bool enabled) {
  if (index < 0 || index >= kToolbarPositions) return;
  if (QAction* a = toolActions_[static_cast<std::size_t>(index)]) a->setEnabled(enabled);
}

void MainWindow::SetPaneText(int index, const QString& text) {
  if (index < 0 || index > 2) return;
  QLabel* pane = panes_[static_cast<std::size_t>(index)];
  if (pane->text() == text) return;
  pane->setText(text);
  // The progress grows inside one handler; show each step as it comes.
  pane->repaint();
  emit statusPaneChanged(index, text);
}

void MainWindow::ToolbarClicked(int index) {
  switch (index) {
    case kToolFolder:
      AddFolder(std::string(), true);
      break;
    case kToolAddFiles:
      AddFiles();
      break;
    case kToolUndo:
      UndoAndReport();
      break;
    case kToolPreview:
      PreviewPass(true);
      break;
    case kToolRename:
      RunRenameAndReport();
      break;
    case kToolHelp:
      openHelp();
      break;
    default:
      break;
  }
  ClearProgressPane();
}

void MainWindow::ClearProgressPane() {
  SetPaneText(1, QString());
  // A pattern that does not compile stays reported until it is mended.
  if (!shownPatternError_.isEmpty()) SetPaneText(1, shownPatternError_);
}

void MainWindow::openFilterDialog() {
  if (scanning_) return;
  FilterDialog dialog(
      list_,
      [this] {
        UpdateStatusBar();
        // A filter leaves "撤消" as it was.
        if (list_.count() == 0) {
          SetToolbarButtonEnabled(kToolPreview, false);
          SetToolbarButtonEnabled(kToolRename, false);
        }
      },
      this);
  dialog.SetMessageFn(prompts_.message);
  dialog.exec();
}

void MainWindow::openTagEditor(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= list_.count()) return;
  // A double click comes here for MP3 files only, so a refusal is the pop-up item's.
  const FileEntry entry = list_.entries[static_cast<std::size_t>(row)];
  const Id3v2WriteOptions text{settings_.tagWriteEncoding, settings_.legacyEncoding};
  // The file's tags changed; an in-place ID3v1 write keeps the file's size, so the
  // cache is not left to notice it by the modification time alone.
  if (TagEditorDialog::OpenForEntry(list_, entry, true, prompts_.message, this, text))
    RefreshAfterTagWrite();
}

void MainWindow::openUndoHistory() {
  HistoryDialog dialog(
      StateDirectory(),
      [this](std::uint64_t runId) {
        // One question naming every run that goes back, newest first.
        const UndoTarget target{runId, true};
        const UndoSelection selection = SelectRunsToUndo(StateDirectory(), target);
        if (selection.result == UndoResult::kDone &&
            Message(QMessageBox::Information, FromGb(UndoRunsQuestion(selection)),
                    QMessageBox::Yes | QMessageBox::No,
                    QString::fromUtf8("询问：")) != QMessageBox::Yes)
          return;
        UndoRunsAndReport(target);
      },
      this);
  dialog.exec();
}

void MainWindow::openTagEditorForSelection() {
  const std::vector<std::size_t> rows = view_->SelectedRows();
  if (rows.size() <= 1) return openTagEditor(view_->CurrentRow());
  const Id3v2WriteOptions text{settings_.tagWriteEncoding, settings_.legacyEncoding};
  if (TagEditorDialog::OpenForEntries(list_, rows, prompts_.message, this, text))
    RefreshAfterTagWrite();
}

void MainWindow::openSettingsDialog() {
  SettingsDialog dialog(
      settings_, [this] { ApplySettingsToList(); }, this);
  dialog.exec();
}

void MainWindow::openAbout() {
  AboutDialog about(this);
  about.exec();
}

void MainWindow::openHelp() {
  // The viewer runs on its own; only a page or viewer that is not there is told.
  const QString failed = OpenHelpPage(QCoreApplication::applicationDirPath(), prompts_.openUrl);
  if (!failed.isEmpty())
    Message(QMessageBox::Warning, QString::fromUtf8("无法打开帮助文件：") + failed);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // What is still running stops: the rest of a sliced preview, the appending of a
  // folder being read (its reading thread ends with the read).
  StopSlicedPreview();
  if (scanning_) closing_ = true;
  if (!settingsSaved_) {
    SaveSettings(configPath(), settings_);
    SaveGeometry();
    settingsSaved_ = true;
  }
  event->accept();
}

QMessageBox::StandardButton MainWindow::Message(QMessageBox::Icon icon, const QString& text,
                                                QMessageBox::StandardButtons buttons,
                                                const QString& title) {
  return prompts_.message(this, icon, title.isEmpty() ? QString::fromUtf8(kTitle) : title, text,
                          buttons);
}

}  // namespace tessarn
