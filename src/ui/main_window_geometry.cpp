// The main window's size, place and column widths: restored at start from
// config.ini's section "窗口", saved there on exit. The first start, with nothing
// saved, opens at the design size grown to show a useful number of rows.
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <algorithm>

#include "core/settings/window_state.h"
#include "ui/file_list_view.h"
#include "ui/main_window.h"
#include "ui/option_tabs.h"

namespace tessarn {

namespace {

// Rows the list shows at the first start, where the screen has room for them.
constexpr int kFirstStartRows = 15;
// Room left on the screen for the window frame and title bar the desktop adds.
constexpr int kFrameAllowance = 48;

QScreen* ScreenFor(const QWidget& window) {
  if (QScreen* s = window.screen()) return s;
  return QGuiApplication::primaryScreen();
}

}  // namespace

int MainWindow::ListRowHeight() const {
  // The list is empty at start, so the height comes from its font and its
  // 16-pixel status icons, with the item's margins.
  return std::max(view_->fontMetrics().height(), 16) + 6;
}

void MainWindow::RestoreGeometry() {
  WindowState state;
  if (!LoadWindowState(configPath(), state)) {
    GrowToShowRows(kFirstStartRows);
    return;
  }
  view_->RestoreColumnWidths(
      std::vector<int>(state.columnWidths.begin(), state.columnWidths.end()));
  QRect rect(state.x, state.y, std::max(state.width, minimumWidth()),
             std::max(state.height, minimumHeight()));
  // A window saved on a screen that is no longer there comes back on this one.
  QScreen* screen = QGuiApplication::screenAt(rect.center());
  if (screen == nullptr) {
    screen = ScreenFor(*this);
    if (screen) rect.moveCenter(screen->availableGeometry().center());
  }
  if (screen)
    rect.setSize(
        rect.size().boundedTo(screen->availableGeometry().size()).expandedTo(minimumSize()));
  setGeometry(rect);
  if (state.maximised) setWindowState(windowState() | Qt::WindowMaximized);
}

void MainWindow::GrowToShowRows(int rows) {
  int others = tabs_->height() + statusBar()->sizeHint().height() + 4;
  if (menuBar()) others += menuBar()->sizeHint().height();
  for (const QToolBar* bar : findChildren<QToolBar*>()) others += bar->sizeHint().height();
  const int list =
      rows * ListRowHeight() + view_->header()->sizeHint().height() + 2 * view_->frameWidth();
  int height = std::max(minimumHeight(), others + list);
  if (const QScreen* screen = ScreenFor(*this))
    height = std::min(height, screen->availableGeometry().height() - kFrameAllowance);
  resize(minimumWidth(), std::max(height, minimumHeight()));
}

void MainWindow::SaveGeometry() {
  WindowState state;
  const bool maximised = isMaximized() || isFullScreen();
  // A maximised window keeps the size it had before, to come back to.
  const QRect normal = maximised && normalGeometry().isValid() ? normalGeometry() : geometry();
  state.x = normal.x();
  state.y = normal.y();
  state.width = normal.width();
  state.height = normal.height();
  state.maximised = maximised;
  // Widths the user set are kept; columns that share the width by themselves do so
  // again next time.
  if (view_->ColumnsSetByUser())
    for (std::size_t c = 0; c < state.columnWidths.size(); ++c)
      state.columnWidths[c] = view_->header()->sectionSize(static_cast<int>(c));
  SaveWindowState(configPath(), state);
}

}  // namespace tessarn
