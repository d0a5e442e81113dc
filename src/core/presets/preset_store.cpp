#include "core/presets/preset_store.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/filelist/file_system.h"
#include "core/filelist/natural_order.h"
#include "core/settings/ini_file.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

constexpr const char kSuffix[] = ".ini";
constexpr std::size_t kSuffixLength = sizeof kSuffix - 1;

std::string PresetPath(const std::string& configDir, const std::string& name) {
  return PresetFolder(configDir) + "/" + name + kSuffix;
}

// The one call that makes a folder, with the folders above it that are missing.
bool MakeFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST) return true;
  const std::size_t slash = path.find_last_of('/');
  if (errno != ENOENT || slash == std::string::npos || slash == 0) return false;
  return MakeFolder(path.substr(0, slash)) && (::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST);
}

}  // namespace

std::string PresetFolder(const std::string& configDir) {
  if (!configDir.empty() && configDir.back() == '/') return configDir + "presets";
  return configDir + "/presets";
}

std::string PresetNameError(const std::string& name) {
  if (name.empty()) return "方案名称不能为空";
  if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos)
    return "方案名称不能含有“/”";
  if (name.front() == '.') return "方案名称不能以“.”开头";
  if (!Utf8ToGb(name)) return "方案名称不是有效的 UTF-8 文本";
  if (name.size() + kSuffixLength > 255) return "方案名称过长";
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7F) return "方案名称不能含有控制字符";
  return std::string();
}

std::vector<std::string> ListPresets(const std::string& configDir) {
  std::vector<std::string> files, names;
  if (!ListFolderFiles(PresetFolder(configDir), files)) return names;
  for (const std::string& file : files)
    if (file.size() > kSuffixLength && file.compare(file.size() - kSuffixLength, kSuffixLength,
                                                    kSuffix) == 0 && file.front() != '.')
      names.push_back(file.substr(0, file.size() - kSuffixLength));
  std::vector<std::string> sorted;
  for (std::uint32_t i : NaturalSortOrder(names)) sorted.push_back(names[i]);
  return sorted;
}

bool PresetExists(const std::string& configDir, const std::string& name) {
  return PresetNameError(name).empty() && FileExists(PresetPath(configDir, name));
}

bool LoadPresetFile(const std::string& path, Preset& preset, std::string& error) {
  std::string text;
  const std::string shown = GbToUtf8Lossy(DecodeDiskName(path));
  if (!ReadWholeFile(path, text)) {
    error = "无法读取方案文件 " + shown;
    return false;
  }
  return ParsePreset(text, shown, preset, error);
}

bool LoadPreset(const std::string& configDir, const std::string& name, Preset& preset,
                std::string& error) {
  if (error = PresetNameError(name); !error.empty()) return false;
  if (!FileExists(PresetPath(configDir, name))) {
    error = "没有名为“" + name + "”的方案（见 tessarn-cli presets list）";
    return false;
  }
  return LoadPresetFile(PresetPath(configDir, name), preset, error);
}

bool SavePreset(const std::string& configDir, const std::string& name, const Preset& preset,
                std::string& error) {
  if (error = PresetNameError(name); !error.empty()) return false;
  if (!MakeFolder(PresetFolder(configDir)) ||
      !WriteFileReplacing(PresetPath(configDir, name), PresetText(preset))) {
    error = "无法写入方案文件 " + PresetPath(configDir, name) + "：" + std::strerror(errno);
    return false;
  }
  return true;
}

bool DeletePreset(const std::string& configDir, const std::string& name, std::string& error) {
  if (error = PresetNameError(name); !error.empty()) return false;
  if (std::remove(PresetPath(configDir, name).c_str()) != 0) {
    error = errno == ENOENT ? "没有名为“" + name + "”的方案"
                            : "无法删除方案“" + name + "”：" + std::strerror(errno);
    return false;
  }
  return true;
}

bool RenamePreset(const std::string& configDir, const std::string& from, const std::string& to,
                  std::string& error) {
  if (error = PresetNameError(to); !error.empty()) return false;
  if (!PresetExists(configDir, from)) {
    error = "没有名为“" + from + "”的方案";
    return false;
  }
  int why = 0;
  if (!RenameNoReplace(PresetPath(configDir, from), PresetPath(configDir, to), &why)) {
    error = why == EEXIST ? "已有名为“" + to + "”的方案"
                          : "无法更改方案名称：" + std::string(std::strerror(why));
    return false;
  }
  return true;
}

}  // namespace tessarn
