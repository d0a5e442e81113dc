// The rule set of page "MP3标签": names built from a file's ID3 tags through a
// template with the placeholders "#1" to "#6", followed by ".mp3"; and the helpers
// the page's widgets call (reference line, 50-byte limit, presets, placeholder
// buttons). All texts are GB18030.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/filelist/file_list.h"
#include "core/rules/naming_options.h"

namespace tessarn {

class TagCache;

// ---- The rule ------------------------------------------------------------------

// Sets newName and tagStatus of every entry of the list (this page always covers
// all rows). For each entry: a name not ending in ".mp3" (any case) gets the status
// "非MP3文件" and an empty new name; a file that cannot be opened keeps its new name
// and status; a file with neither tag gets "无标签" and an empty new name; otherwise
// the template is filled from the tag (ID3v2 first, or ID3v1 first with v1First)
// and ".mp3" appended, or the new name is empty when the filled template is. An
// empty template empties every new name and leaves the statuses. Files are opened
// by FileList::DiskPath(). `tags` may be null: the rule then reads every file.
// Column 4 ("MP3标签状态") follows the entries' tagStatus; called at the end of
// every pass of the rule, one refresh for the rows that changed.
void ApplyTagTemplateRule(FileList& list, const NamingOptions& options, TagCache* tags);
void ShowTagStatuses(FileList& list);
// The same for the entries and rows [first, end) only: a pass over a long list in
// slices, each of which leaves its entries and rows as the whole pass does.
void ApplyTagTemplateRule(FileList& list, const NamingOptions& options, TagCache* tags,
                          std::size_t first, std::size_t end);
void ShowTagStatuses(FileList& list, std::size_t first, std::size_t end);

// A template split into slots: slot k holds the text before its placeholder and the
// placeholder's digit (1..6), or 0 in the slot that ends the template (its literal
// is the text after the last placeholder). Always at least 6 slots, grown by 2 so
// that a slot follows the last placeholder.
struct ParsedTemplate {
  std::vector<std::string> literals;
  std::vector<std::uint8_t> placeholders;
};
// False only for an empty template. "#" not followed by 1..6 stays literal text.
bool ParseTagTemplate(const std::string& tagTemplate, ParsedTemplate& parsed);

// The two tag-status texts this rule writes.
const std::string& NoTagStatusText();   // "无标签"
const std::string& NotMp3StatusText();  // "非MP3文件"
// "上次写入未完成": a tag write of the file was cut short; the next write ends it.
const std::string& InterruptedWriteStatusText();

// ---- Helpers for the page's widgets ------------------------------------------

// The template box (`MP3命名规则编辑框`) holds at most this many bytes.
inline constexpr std::size_t kTagTemplateMaxBytes = 50;

// OnTemplateChanged, step 1: the text of the reference line (`参照编辑框`): every
// "#1" replaced by "艺术家", then "#2" by "歌曲名", "#3" "专辑", "#4" "音轨",
// "#5" "年代", "#6" "流派".
std::string TemplateReferenceText(const std::string& tagTemplate);

// OnTemplateChanged, step 2: the template cut to its first 50 bytes, before a
// character that would be split. When the result differs from the box's text,
// write it back into the box (which raises the change handler again), then run
// PreviewPass with allRows off.
std::string LimitTagTemplate(const std::string& tagTemplate);

// The preset list (`预定义方案组合框`, no item selected at start). OnPresetChosen:
// write the chosen preset's templateText into the template box, set the combo's
// selection back to none, focus the template box, run PreviewPass (allRows off).
struct TagTemplatePreset {
  std::string itemText;      // e.g. "艺术家-歌曲名"
  std::string templateText;  // e.g. "#1-#2"
};
const std::vector<TagTemplatePreset>& TagTemplatePresets();  // 4 items, index order

// The six placeholder buttons, side by side in one frame, in this order.
struct PlaceholderButton {
  int tag;                 // 51..56; its last digit is the placeholder it inserts
  std::string caption;     // e.g. "#1-艺术家"
  std::string word;        // e.g. "艺术家"
  const char* objectName;  // UTF-8 widget name, e.g. "艺术家超级按钮"
};
const std::vector<PlaceholderButton>& PlaceholderButtons();

// OnPlaceholderButton: the text to write into the template box after a click of
// the button with tag buttonTag: "#d" on an empty template, else template + "-#d".
// Writing it raises OnTemplateChanged, which enforces the 50-byte limit.
std::string InsertPlaceholder(const std::string& tagTemplate, int buttonTag);

}  // namespace tessarn
