#include "core/settings/window_state.h"

#include <cstddef>

#include "core/settings/app_settings.h"
#include "core/settings/ini_file.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

// The section, its keys and the on/off words as the file holds them (GBK).
struct Words {
  std::string section = Gb("窗口");
  std::string left = Gb("左");
  std::string top = Gb("上");
  std::string width = Gb("宽");
  std::string height = Gb("高");
  std::string maximised = Gb("最大化");
  std::string columns = Gb("列宽");
  std::string on = Gb("开");
  std::string off = Gb("关");
};

const Words& W() {
  static const Words words;
  return words;
}

// "150,150,200,100,100,120": a width per column; a missing or unusable one stays 0
// (a file of an earlier version has five).
std::array<int, kListColumns> ParseWidths(const std::string& text) {
  std::array<int, kListColumns> widths{};
  std::size_t start = 0;
  for (int& w : widths) {
    if (start > text.size()) break;
    const std::size_t comma = text.find(',', start);
    const int value = ProfileNumber(text.substr(start, comma - start));
    w = value > 0 ? value : 0;
    start = comma == std::string::npos ? text.size() + 1 : comma + 1;
  }
  return widths;
}

}  // namespace

bool LoadWindowState(const std::string& path, WindowState& state) {
  std::string content;
  if (!ReadWholeFile(path, content)) return false;
  const IniFile ini = ParseIni(content);
  const Words& w = W();
  const auto width = IniGet(ini, w.section, w.width);
  const auto height = IniGet(ini, w.section, w.height);
  if (!width || !height || ProfileNumber(*width) <= 0 || ProfileNumber(*height) <= 0) return false;
  state.width = ProfileNumber(*width);
  state.height = ProfileNumber(*height);
  state.x = ProfileNumber(IniGetOr(ini, w.section, w.left, "0"));
  state.y = ProfileNumber(IniGetOr(ini, w.section, w.top, "0"));
  state.maximised = IniGetOr(ini, w.section, w.maximised, w.off) == w.on;
  state.columnWidths = ParseWidths(IniGetOr(ini, w.section, w.columns, ""));
  return true;
}

void SaveWindowState(const std::string& path, const WindowState& state) {
  IniFile ini;
  if (FileExists(path)) {
    std::string content;
    if (!ReadWholeFile(path, content)) return;  // never replace what cannot be read
    ini = ParseIni(content);
  }
  const Words& w = W();
  IniSet(ini, w.section, w.left, std::to_string(state.x));
  IniSet(ini, w.section, w.top, std::to_string(state.y));
  IniSet(ini, w.section, w.width, std::to_string(state.width));
  IniSet(ini, w.section, w.height, std::to_string(state.height));
  IniSet(ini, w.section, w.maximised, state.maximised ? w.on : w.off);
  bool set = false;
  for (const int width : state.columnWidths) set = set || width > 0;
  std::string columns;
  if (set)
    for (const int width : state.columnWidths)
      columns += (columns.empty() ? "" : ",") + std::to_string(width);
  IniSet(ini, w.section, w.columns, columns);
  WriteFileReplacing(path, IniText(ini));
}

}  // namespace tessarn
