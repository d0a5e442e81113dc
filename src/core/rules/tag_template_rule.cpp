#include "core/rules/tag_template_rule.h"

#include <algorithm>
#include <span>

#include "core/filelist/file_system.h"
#include "core/id3/id3v1.h"
#include "core/rules/tag_cache.h"
#include "core/text/encoding.h"
#include "core/text/gb_text.h"

namespace tessarn {
namespace {

constexpr std::size_t kInitialSlots = 6;
constexpr std::size_t kSlotGrowth = 2;
// From how many files of one folder in a row an uncached pass lists the folder
// rather than looking for a record beside each: a listing costs a few lookups'
// time, and each name about half a lookup.
constexpr std::size_t kListedRun = 32;

// Replaces every occurrence of from in text, left to right.
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// The name one file gets from the template, before ".mp3", into name.
void FillTemplate(const ParsedTemplate& parsed, const NamingTags& tags, bool v2,
                  std::string& name) {
  name.clear();
  for (std::size_t k = 0; k < parsed.literals.size(); ++k) {
    name += parsed.literals[k];
    if (parsed.placeholders[k] == 0) break;
    name += tags.Field(v2, parsed.placeholders[k]);
  }
}

}  // namespace

const std::string& NoTagStatusText() {
  static const std::string text = Gb("无标签");
  return text;
}

const std::string& InterruptedWriteStatusText() {
  static const std::string text = ReasonText(RenameReason::kInterruptedWrite);
  return text;
}

const std::string& NotMp3StatusText() {
  static const std::string text = Gb("非MP3文件");
  return text;
}

bool ParseTagTemplate(const std::string& tagTemplate, ParsedTemplate& parsed) {
  parsed.literals.assign(kInitialSlots, std::string());
  parsed.placeholders.assign(kInitialSlots, 0);
  if (tagTemplate.empty()) return false;
  std::size_t k = 0;  // next slot
  std::size_t literalStart = 0;
  bool afterHash = false;
  for (std::size_t i = 0; i < tagTemplate.size(); ++i) {
    const char c = tagTemplate[i];
    if (c == '#') {
      afterHash = true;
    } else if (afterHash && c >= '1' && c <= '6') {
      // Keep a slot free after every placeholder for the text that follows it.
      if (k + 1 >= parsed.literals.size()) {
        parsed.literals.resize(parsed.literals.size() + kSlotGrowth);
        parsed.placeholders.resize(parsed.placeholders.size() + kSlotGrowth, 0);
      }
      // The literal runs up to this placeholder's "#"; a "#" before it stays text.
      parsed.literals[k] = tagTemplate.substr(literalStart, i - 1 - literalStart);
      parsed.placeholders[k] = static_cast<std::uint8_t>(c - '0');
      ++k;
      literalStart = i + 1;
      afterHash = false;
    } else {
      afterHash = false;
    }
  }
  if (literalStart < tagTemplate.size()) parsed.literals[k] = tagTemplate.substr(literalStart);
  return true;
}

void ApplyTagTemplateRule(FileList& list, const NamingOptions& options, TagCache* tags) {
  ApplyTagTemplateRule(list, options, tags, 0, list.count());
}

void ApplyTagTemplateRule(FileList& list, const NamingOptions& options, TagCache* tags,
                          std::size_t first, std::size_t end) {
  end = std::min(end, list.count());
  if (first >= end) return;
  const auto entries = std::span(list.entries).subspan(first, end - first);
  ParsedTemplate parsed;
  if (!ParseTagTemplate(options.tagTemplate, parsed)) {
    for (auto& entry : entries) entry.newName.clear();
    return;
  }
  NamingTags uncached;
  if (tags) tags->SetLegacyEncoding(options.legacyEncoding);
  // Reused for every entry: a pass runs on every keystroke over the whole list.
  std::string path, name;
  HeldFolder folder;  // files are opened by name inside it: no path walk per file
  // Without a cache every MP3 file is read: a folder whose files come in a long
  // run is listed once for records of interrupted tag writes, instead of a lookup
  // beside each file (see FolderHoldsNoRecoveryRecord).
  std::int64_t runFolder = -1;  // the folder of the run being read, none yet
  RecoveryLookup lookup = RecoveryLookup::kLookUp;
  for (std::size_t k = 0; k < entries.size(); ++k) {
    FileEntry& entry = entries[k];
    if (!HasExtension(entry.oldName, "MP3")) {
      entry.ShareText(&EntryTexts::tagStatus, NotMp3StatusText());  // one text for every row
      entry.newName.clear();
      continue;
    }
    path.assign(list.DiskFolder(entry)).append(entry.DiskName());
    const NamingTags* found = nullptr;
    const int folderFd = folder.Get(list.DiskFolder(entry));
    if (tags) {
      found = tags->Get(folderFd, entry.DiskName(), path);
    } else {
      if (entry.folder != runFolder) {
        runFolder = entry.folder;
        std::size_t run = 0;
        for (std::size_t j = k; j < entries.size() && entries[j].folder == runFolder; ++j)
          run += HasExtension(entries[j].oldName, "MP3");
        lookup = run >= kListedRun && FolderHoldsNoRecoveryRecord(folderFd, run + run / 2)
                     ? RecoveryLookup::kFolderHasNone
                     : RecoveryLookup::kLookUp;
      }
      if (ReadNamingTags(folderFd, entry.DiskName(), path, uncached, options.legacyEncoding,
                         lookup))
        found = &uncached;
    }
    if (!found) continue;           // cannot be opened: the row keeps what it shows
    if (found->interruptedWrite) {  // its tags are not to be trusted until it is finished
      entry.ShareText(&EntryTexts::tagStatus, InterruptedWriteStatusText());
      entry.newName.clear();
      continue;
    }
    // Finished since: the row is named again.
    if (entry.texts().tagStatus == InterruptedWriteStatusText())
      entry.SetText(&EntryTexts::tagStatus, std::string_view());
    bool useV2;
    if (options.v1First)
      useV2 = !found->hasV1 && found->hasV2;
    else
      useV2 = found->hasV2;
    if (!found->hasV1 && !found->hasV2) {
      entry.ShareText(&EntryTexts::tagStatus, NoTagStatusText());
      entry.newName.clear();
      continue;
    }
    FillTemplate(parsed, *found, useV2, name);
    if (!name.empty()) name += ".mp3";
    if (entry.newName != name) entry.newName = name;
  }
  ShowTagStatuses(list, first, end);
}

void ShowTagStatuses(FileList& list) { ShowTagStatuses(list, 0, list.count()); }

void ShowTagStatuses(FileList& list, std::size_t first, std::size_t end) {
  const std::size_t n = std::min({end, list.count(), list.RowCount()});
  std::size_t changedFirst = n;
  std::size_t changedLast = 0;
  for (std::size_t r = first; r < n; ++r) {
    const std::string& status = list.entries[r].texts().tagStatus;
    if (list.CellText(r, kTagStatusColumn) == status) continue;
    list.SetCellText(r, kTagStatusColumn, status);
    if (changedFirst == n) changedFirst = r;
    changedLast = r;
  }
  if (changedFirst < n) list.NotifyRowsChanged(changedFirst, changedLast);
}

std::string TemplateReferenceText(const std::string& tagTemplate) {
  std::string text = tagTemplate;
  for (const PlaceholderButton& b : PlaceholderButtons())
    text = ReplaceAll(std::move(text), std::string("#") + char('0' + b.tag % 10), b.word);
  return text;
}

std::string LimitTagTemplate(const std::string& tagTemplate) {
  return std::string(CutToBytes(tagTemplate, kTagTemplateMaxBytes));
}

const std::vector<TagTemplatePreset>& TagTemplatePresets() {
  static const std::vector<TagTemplatePreset> presets = {
      {Gb("艺术家-歌曲名"), "#1-#2"},
      {Gb("艺术家-专辑-歌曲名"), "#1-#3-#2"},
      {Gb("艺术家-专辑-年代-歌曲名"), "#1-#3-#5-#2"},
      {Gb("艺术家-专辑-年代-歌曲名-音轨"), "#1-#3-#5-#2-#4"},
  };
  return presets;
}

const std::vector<PlaceholderButton>& PlaceholderButtons() {
  static const std::vector<PlaceholderButton> buttons = {
      {51, Gb("#1-艺术家"), Gb("艺术家"), "艺术家超级按钮"},
      {52, Gb("#2-歌曲名"), Gb("歌曲名"), "歌曲名超级按钮"},
      {53, Gb("#3-专辑"), Gb("专辑"), "专辑超级按钮"},
      {54, Gb("#4-音轨"), Gb("音轨"), "音轨超级按钮"},
      {55, Gb("#5-年代"), Gb("年代"), "年代超级按钮"},
      {56, Gb("#6-流派"), Gb("流派"), "流派超级按钮"},
  };
  return buttons;
}

std::string InsertPlaceholder(const std::string& tagTemplate, int buttonTag) {
  const std::string placeholder = std::string("#") + char('0' + buttonTag % 10);
  return tagTemplate.empty() ? placeholder : tagTemplate + "-" + placeholder;
}

}  // namespace tessarn
