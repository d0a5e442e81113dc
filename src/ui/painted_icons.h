// The program's pictures, painted at run time: the two status balls of the list,
// the toolbar's icons, the window icon and the about box's banner.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>

namespace tessarn {

// 0 = green ball (success), 1 = red ball (failure); anything else is no icon.
QIcon StatusIcon(int index);
// The red of the failure ball, also the text colour of a new name in conflict.
QColor FailureColour();

// A new name that cannot be had: a warning triangle beside it.
QIcon WarningIcon();
// A new name with a note (its encoding changes): a blue "i".
QIcon NoteIcon();

enum class ToolbarImage { kFolder, kAddFiles, kUndo, kPreview, kRename, kHelp };
QIcon ToolbarIcon(ToolbarImage image);

QIcon AppIcon();

// The about box's banner, 329 x 70.
QPixmap AboutBanner();

}  // namespace tessarn
