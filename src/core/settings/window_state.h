// The main window's place and shape between runs, kept in config.ini's section
// "窗口" beside the preference keys, which it never touches.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace tessarn {

// The list's columns: the five of the rows and the note column "说明".
inline constexpr std::size_t kListColumns = 6;

struct WindowState {
  int x = 0;  // top-left of the window's inside, screen pixels
  int y = 0;
  int width = 0;  // the normal (not maximised) inside size
  int height = 0;
  bool maximised = false;
  // Of the file list, left to right, as the user set them; all 0 while the columns
  // share the window's width by themselves.
  std::array<int, kListColumns> columnWidths{};
};

// Reads the section from config.ini at `path` (GBK). False, and `state` untouched,
// when the file or the section is missing or holds no usable size: the window then
// starts at its design size.
bool LoadWindowState(const std::string& path, WindowState& state);

// Writes the section into config.ini at `path`, keeping everything else in the
// file. A failed write is ignored, as for the preferences.
void SaveWindowState(const std::string& path, const WindowState& state);

}  // namespace tessarn
