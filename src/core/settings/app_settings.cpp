#include "core/settings/app_settings.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "core/settings/ini_file.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

constexpr std::int32_t kDefaultPreviewCount = 10;
constexpr std::int32_t kDefaultBackColour = 8429696;  // 0x80A080, grey green
constexpr std::int32_t kDefaultTextColour = 8388608;  // 0x800000, dark blue
constexpr std::int32_t kDefaultFontSize = 10;
constexpr std::int32_t kDefaultHistoryLimitMiB = 1024;

// The section and key names, the on/off words and the style words, as the file holds
// them (GBK).
struct Words {
  std::string preview = Gb("预览选项");
  std::string autoPreview = Gb("自动预览");
  std::string previewAll = Gb("全部预览");
  std::string previewCount = Gb("预览数量");
  std::string colour = Gb("颜色");
  std::string backColour = Gb("背景颜色");
  std::string textColour = Gb("字体颜色");
  std::string font = Gb("字体");
  std::string fontName = Gb("字体名称");
  std::string fontSize = Gb("字体大小");
  std::string fontStyle = Gb("字体样式");
  std::string on = Gb("开");
  std::string off = Gb("关");
  std::string regular = Gb("常规");
  std::string bold = Gb("粗体");
  std::string italic = Gb("斜体");
  std::string boldItalic = Gb("粗斜体");
  std::string defaultFont = Gb("宋体");
  std::string tags = Gb("标签");
  std::string writeEncoding = Gb("ID3v2写入编码");
  std::string unicode = "Unicode";
  std::string gbk = "GBK";
  std::string legacyEncoding = Gb("旧标签编码");
  std::string automatic = Gb("自动");
  std::string latin1 = "Latin-1";
  std::string history = Gb("撤消历史");
  std::string historyLimit = Gb("大小上限MB");
};

const Words& W() {
  static const Words words;
  return words;
}

const std::string& StyleWord(bool bold, bool italic) {
  if (bold && italic) return W().boldItalic;
  if (bold) return W().bold;
  if (italic) return W().italic;
  return W().regular;
}

const std::string& LegacyWord(LegacyEncoding legacy) {
  switch (legacy) {
    case LegacyEncoding::kGbk:
      return W().gbk;
    case LegacyEncoding::kLatin1:
      return W().latin1;
    case LegacyEncoding::kAuto:
      break;
  }
  return W().automatic;
}

}  // namespace

std::int32_t ProfileNumber(const std::string& text) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Digits accumulate only while they can still change the clamped result; the
  // fraction after a "." is simply not read (cut toward zero).
  std::int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    if (magnitude <= kMax + 1) magnitude = magnitude * 10 + (text[i] - '0');
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value > kMax) return static_cast<std::int32_t>(kMax);
  if (value < kMin) return static_cast<std::int32_t>(kMin);
  return static_cast<std::int32_t>(value);
}

void SetDefaultSettings(AppSettings& settings) {
  settings.autoPreview = false;
  settings.previewAll = false;
  settings.previewCount = kDefaultPreviewCount;
  settings.backColour = kDefaultBackColour;
  settings.textColour = kDefaultTextColour;
  settings.fontName = W().defaultFont;
  settings.fontSize = kDefaultFontSize;
  settings.bold = false;
  settings.italic = false;
  settings.tagWriteEncoding = TagWriteEncoding::kUnicode;
  settings.legacyEncoding = LegacyEncoding::kAuto;
  settings.historyLimitMiB = kDefaultHistoryLimitMiB;
}

std::uint64_t HistoryLimitBytes(const AppSettings& settings) {
  return static_cast<std::uint64_t>(std::max<std::int32_t>(settings.historyLimitMiB, 1)) << 20;
}

void LoadSettings(const std::string& path, AppSettings& settings) {
  std::string content;
  if (!ReadWholeFile(path, content)) {
    SetDefaultSettings(settings);
    return;
  }
  const IniFile ini = ParseIni(content);
  const Words& w = W();
  settings.autoPreview = IniGetOr(ini, w.preview, w.autoPreview, w.off) == w.on;
  settings.previewAll = IniGetOr(ini, w.preview, w.previewAll, w.off) == w.on;
  settings.previewCount = ProfileNumber(IniGetOr(ini, w.preview, w.previewCount, "10"));
  settings.backColour = ProfileNumber(IniGetOr(ini, w.colour, w.backColour, "8429696"));
  settings.textColour = ProfileNumber(IniGetOr(ini, w.colour, w.textColour, "8388608"));
  settings.fontName = IniGetOr(ini, w.font, w.fontName, w.defaultFont);
  settings.fontSize = ProfileNumber(IniGetOr(ini, w.font, w.fontSize, "10"));
  const std::string style = IniGetOr(ini, w.font, w.fontStyle, w.regular);
  settings.bold = style == w.bold || style == w.boldItalic;
  settings.italic = style == w.italic || style == w.boldItalic;
  settings.tagWriteEncoding = IniGetOr(ini, w.tags, w.writeEncoding, w.unicode) == w.gbk
                                  ? TagWriteEncoding::kGbk
                                  : TagWriteEncoding::kUnicode;
  const std::string legacy = IniGetOr(ini, w.tags, w.legacyEncoding, w.automatic);
  settings.legacyEncoding = legacy == w.gbk      ? LegacyEncoding::kGbk
                            : legacy == w.latin1 ? LegacyEncoding::kLatin1
                                                 : LegacyEncoding::kAuto;
  settings.historyLimitMiB = std::max<std::int32_t>(
      ProfileNumber(IniGetOr(ini, w.history, w.historyLimit,
                             std::to_string(kDefaultHistoryLimitMiB))),
      1);
}

void SaveSettings(const std::string& path, const AppSettings& settings) {
  IniFile ini;
  if (FileExists(path)) {
    std::string content;
    // A file that is there but cannot be read is left alone rather than replaced by
    // one that holds only these ten keys.
    if (!ReadWholeFile(path, content)) return;
    ini = ParseIni(content);
  }
  const Words& w = W();
  IniSet(ini, w.preview, w.autoPreview, settings.autoPreview ? w.on : w.off);
  IniSet(ini, w.preview, w.previewAll, settings.previewAll ? w.on : w.off);
  IniSet(ini, w.preview, w.previewCount, std::to_string(settings.previewCount));
  IniSet(ini, w.colour, w.backColour, std::to_string(settings.backColour));
  IniSet(ini, w.colour, w.textColour, std::to_string(settings.textColour));
  IniSet(ini, w.font, w.fontName, settings.fontName);
  IniSet(ini, w.font, w.fontSize, std::to_string(settings.fontSize));
  IniSet(ini, w.font, w.fontStyle, StyleWord(settings.bold, settings.italic));
  IniSet(ini, w.tags, w.writeEncoding,
         settings.tagWriteEncoding == TagWriteEncoding::kGbk ? w.gbk : w.unicode);
  IniSet(ini, w.tags, w.legacyEncoding, LegacyWord(settings.legacyEncoding));
  IniSet(ini, w.history, w.historyLimit, std::to_string(settings.historyLimitMiB));
  WriteFileReplacing(path, IniText(ini));  // a failed write is not reported
}

}  // namespace tessarn
