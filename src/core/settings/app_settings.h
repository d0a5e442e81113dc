// The user's preferences: preview behaviour, the list's colours and font, and how
// tag text is read and written.
#pragma once

#include <cstdint>
#include <string>

#include "core/text/legacy_text.h"

namespace tessarn {

struct AppSettings {
  bool autoPreview = false;
  bool previewAll = false;
  std::int32_t previewCount = 0;
  std::int32_t textColour = 0;  // 0x00BBGGRR
  std::int32_t backColour = 0;  // 0x00BBGGRR
  std::string fontName;         // GB18030 text
  std::int32_t fontSize = 0;
  bool bold = false;
  bool italic = false;
  // Section "标签": "ID3v2写入编码" is "Unicode" or "GBK"; "旧标签编码" is "自动",
  // "GBK" or "Latin-1". An unknown value counts as the default.
  TagWriteEncoding tagWriteEncoding = TagWriteEncoding::kUnicode;
  LegacyEncoding legacyEncoding = LegacyEncoding::kAuto;
  // Section "撤消历史", key "大小上限MB": how much room the undo history's records
  // may take together, in MiB (at least 1; default 1024).
  std::int32_t historyLimitMiB = 1024;
};

// The undo history's size bound in bytes.
std::uint64_t HistoryLimitBytes(const AppSettings& settings);

// Defaults: preview off, all off, 10 rows, back 8429696, text 8388608, "宋体" 10, regular;
// tags written as Unicode, legacy tag text read as "自动".
void SetDefaultSettings(AppSettings& settings);

// Reads config.ini at `path` (GBK); defaults for a missing file, section or key.
void LoadSettings(const std::string& path, AppSettings& settings);

// Writes its keys into config.ini at `path`, keeping everything else in the
// file. A failed write is ignored.
void SaveSettings(const std::string& path, const AppSettings& settings);

// The folder that holds config.ini and dir.txt: the program's own folder when it is
// writable, otherwise $XDG_CONFIG_HOME/Tessarn (default ~/.config/Tessarn), created
// on demand. Ends without "/" (except for the root folder "/").
std::string ConfigDirectory(const std::string& programDir);

// A file in a folder: one "/" between them, also when the folder is "/" or already
// ends with one ("config.ini", "dir.txt").
std::string ConfigFilePath(const std::string& directory, const std::string& fileName);

// A number as config.ini holds it: decimal, any fraction cut toward zero, kept within
// the 32-bit range; text that is not a number gives 0 (or its leading number).
std::int32_t ProfileNumber(const std::string& text);

}  // namespace tessarn
