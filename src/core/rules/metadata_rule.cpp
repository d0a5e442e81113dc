#include "core/rules/metadata_rule.h"

#include <algorithm>

#include "core/filelist/file_system.h"
#include "core/metadata/metadata_cache.h"
#include "core/metadata/metadata_reader.h"
#include "core/metadata/name_template.h"
#include "core/rules/numbering_rule.h"
#include "core/rules/preview_pass.h"
#include "core/rules/tag_template_rule.h"
#include "core/text/encoding.h"
#include "core/text/gb_text.h"

namespace tessarn {
namespace {

std::string NoMetadataStatus(const std::string& what) {
  return ReasonText(RenameReason::kNoMetadata) + Gb("（") + what + Gb("）");
}

std::string DateText(const LocalTime& t) { return FormatLocalTime(t, "%Y-%m-%d %H:%M:%S"); }

// What the status column shows of a file the rule named: what was read of it.
std::string FoundStatus(const FileMetadata& m, unsigned parts) {
  std::string status = m.format;
  auto add = [&](const std::string& part) {
    if (part.empty()) return;
    status += status.empty() ? "" : " ";
    status += part;
  };
  if (m.partsRead & kAudioPart) {
    const AudioTags& a = m.audio;
    if (!a.artist.empty() && !a.title.empty())
      add(a.artist + " - " + a.title);
    else
      add(a.title.empty() ? a.artist : a.title);
  }
  if (m.partsRead & kImagePart) {
    const ImageInfo& i = m.image;
    if (i.taken) add(DateText(*i.taken));
    add(i.camera);
    if (!i.taken && i.camera.empty()) add(Gb("无EXIF"));
  }
  if (status.empty() && (parts & kStatPart) && m.modified) add(DateText(*m.modified));
  return status;
}

}  // namespace

std::string MetadataTemplateError(const NamingOptions& options) {
  NameTemplate parsed;
  return ParseNameTemplate(options.metaTemplate, parsed);
}

void ApplyMetadataRule(FileList& list, const NamingOptions& options, MetadataCache* cache,
                       std::size_t first, std::size_t end) {
  end = std::min(end, list.count());
  if (first >= end) return;
  NameTemplate parsed;
  if (options.metaTemplate.empty() || !ParseNameTemplate(options.metaTemplate, parsed).empty()) {
    for (std::size_t i = first; i < end; ++i) list.entries[i].newName.clear();
    return;
  }
  const long long start = OptionNumber(options.startValue);
  const long long step = OptionNumber(options.increment);
  const long long width = OptionNumber(options.nameDigits);
  static const std::string unreadable = NoMetadataStatus(Gb("无法读取"));  // shared by its rows
  FileMetadata uncached;
  std::string path, name;
  for (std::size_t i = first; i < end; ++i) {
    FileEntry& entry = list.entries[i];
    const FileMetadata* meta = &uncached;
    if (parsed.parts != kNoParts) {
      path.assign(list.DiskFolder(entry)).append(entry.DiskName());
      if (cache != nullptr)
        meta = cache->Get(path, entry.oldName, parsed.parts, options.legacyEncoding);
      else if (!ReadFileMetadata(path, entry.oldName, parsed.parts, uncached,
                                 options.legacyEncoding))
        meta = nullptr;
    }
    if (meta == nullptr) {
      entry.ShareText(&EntryTexts::tagStatus, unreadable);
      entry.newName.clear();
      continue;
    }
    const SplitNameResult split = SplitName(entry.oldName);
    TemplateInput input{meta, split.mainName, SequenceNumber(start, step, i), width};
    const PlaceholderInfo* missing = nullptr;
    if (!FillNameTemplate(parsed, input, name, &missing)) {
      entry.SetText(&EntryTexts::tagStatus, NoMetadataStatus(Gb(missing->caption)));
      entry.newName.clear();
      continue;
    }
    name += options.metaLowerExtension ? ToAsciiLower(split.extension) : split.extension;
    entry.newName = name;
    entry.SetText(&EntryTexts::tagStatus, FoundStatus(*meta, parsed.parts));
  }
  ShowTagStatuses(list, first, end);
}

}  // namespace tessarn
