#include "core/tagedit/tag_run.h"

#include <sys/stat.h>

#include "core/id3/genre_table.h"
#include "core/id3/id3v1.h"
#include "core/id3/tag_file_io.h"
#include "core/id3/tag_region.h"
#include "core/tagedit/name_fields.h"
#include "core/text/encoding.h"

namespace tessarn {

namespace {

constexpr std::size_t kId3v1BlockBytes = 128;

// The tag bytes a write is about to replace, exactly as they are on disk.
void NoteOldTags(const std::string& path, TagFileUndo& undo) {
  ReadOnlyFile file(path);
  if (!file.IsOpen()) return;
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) {
    undo.oldMtimeSeconds = st.st_mtim.tv_sec;
    undo.oldMtimeNanoseconds = st.st_mtim.tv_nsec;
  }
  const Id3v2Region region = LocateId3v2(file);
  if (region.present && region.length > 0) file.ReadAt(0, region.length, undo.oldId3v2);
  if (file.Size() >= kId3v1BlockBytes + region.length) {
    std::string block;
    if (file.ReadAt(file.Size() - kId3v1BlockBytes, kId3v1BlockBytes, block) == kId3v1BlockBytes &&
        block.compare(0, 3, "TAG") == 0)
      undo.oldId3v1 = std::move(block);
  }
}

// Which file the write left, and when: a later undo touches it only while these
// still hold.
void NoteWrittenFile(const std::string& path, TagFileUndo& undo) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return;
  undo.device = st.st_dev;
  undo.inode = st.st_ino;
  undo.size = static_cast<std::uint64_t>(st.st_size);
  undo.mtimeSeconds = st.st_mtim.tv_sec;
  undo.mtimeNanoseconds = st.st_mtim.tv_nsec;
}

// The fields as ID3v1 can hold them, or the reason it cannot: the track without its
// total and within 0..255, the genre one of the list's.
std::optional<std::string> Id3v1Edits(TagEdits& edits) {
  if (edits.track) {
    std::string number = edits.track->substr(0, edits.track->find('/'));
    if (number.size() > 3 || std::stoi(number) > 255)
      return Gb("ID3v1 的音轨必须是 0 到 255 的数字");
    edits.track = std::to_string(std::stoi(number));
  }
  if (edits.genre && !GenreNumberOf(*edits.genre))
    return Gb("ID3v1 的流派只能是流派列表中的一项：") + *edits.genre;
  return std::nullopt;
}

}  // namespace

TagRunFile RunTagUpdate(const std::string& path, const TagUpdateRequest& request,
                        TagUpdateResults& results) {
  TagRunFile out;
  TagFileUndo undo;
  NoteOldTags(path, undo);
  results = UpdateTags(path, request);
  out.ok = !AnyFailed(results);
  if (!out.ok) {
    out.reason = Gb(TagWriteErrorText(results.reason));
    return out;
  }
  if (results.id3v1 == TagUpdateResult::kNotDue && results.id3v2 == TagUpdateResult::kNotDue)
    return out;  // nothing was written: nothing to undo
  // Tags written over with the very same bytes leave nothing to undo either.
  TagFileUndo now;
  NoteOldTags(path, now);
  if (now.oldId3v2 == undo.oldId3v2 && now.oldId3v1 == undo.oldId3v1) return out;
  NoteWrittenFile(path, undo);
  out.undo = std::move(undo);
  return out;
}

TagRunFile RunTagUpdate(const std::string& path, const TagUpdateRequest& request) {
  TagUpdateResults results;
  return RunTagUpdate(path, request, results);
}

std::optional<std::string> PlanNameTags(const std::string& path, const TagEdits& fields,
                                        const NameTagTargets& targets,
                                        const Id3v2WriteOptions& text, TagUpdateRequest& request) {
  request = {};
  request.text = text;
  if (targets.id3v1 != Id3v1Share::kNone) {
    TagEdits v1 = fields;
    std::optional<std::string> problem = Id3v1Edits(v1);
    TagUpdateRequest planned;
    if (!problem) problem = PlanTagEdits(path, v1, true, false, text, planned);
    if (problem && targets.id3v1 == Id3v1Share::kRequired) return problem;
    if (!problem) request = planned;
  }
  if (targets.id3v2) {
    // A genre outside the list is still a genre to ID3v2: it goes in as written.
    TagEdits v2 = fields;
    std::optional<std::string> freeGenre;
    if (v2.genre && !GenreNumberOf(*v2.genre)) {
      freeGenre = std::move(v2.genre);
      v2.genre.reset();
    }
    TagUpdateRequest planned;
    PlanTagEdits(path, v2, false, true, text, planned);  // ID3v2 takes any text
    request.id3v2Changed = request.id3v2Present = true;
    request.id3v2 = std::move(planned.id3v2);
    if (freeGenre) request.id3v2.genre = *freeGenre;
  }
  return std::nullopt;
}

std::optional<TagEdits> NameTagFields(const std::string& name, const ParsedTemplate& parsed) {
  if (!HasExtension(name, "MP3")) return std::nullopt;
  return FieldsFromName(parsed, MainNameOf(name));
}

std::vector<NameTagFile> WriteTagsFromNames(const std::vector<std::string>& paths,
                                            const std::vector<std::string>& names,
                                            const ParsedTemplate& parsed,
                                            const NameTagTargets& targets,
                                            const Id3v2WriteOptions& text) {
  std::vector<NameTagFile> files(paths.size());
  for (std::size_t i = 0; i < paths.size(); ++i) {
    NameTagFile& file = files[i];
    if (!HasExtension(names[i], "MP3")) {
      file.outcome.reason = NotMp3StatusText();
      continue;
    }
    file.fields = FieldsFromName(parsed, MainNameOf(names[i]));
    if (!file.fields) {
      file.outcome.reason = NoMatchStatusText();
      continue;
    }
    TagUpdateRequest request;
    if (auto problem = PlanNameTags(paths[i], *file.fields, targets, text, request)) {
      file.outcome.reason = *problem;
      continue;
    }
    file.outcome = RunTagUpdate(paths[i], request);
  }
  return files;
}

std::vector<std::size_t> PreviewNameTags(FileList& list, const ParsedTemplate& parsed) {
  std::vector<std::size_t> fits;
  for (std::size_t i = 0; i < list.entries.size(); ++i) {
    FileEntry& e = list.entries[i];
    if (!HasExtension(e.oldName, "MP3")) continue;
    e.tagReason.clear();
    if (const auto fields = FieldsFromName(parsed, MainNameOf(e.oldName))) {
      e.tagStatus = NameFieldsPreview(*fields);
      fits.push_back(i);
    } else {
      e.tagStatus = NoMatchStatusText();
    }
  }
  return fits;
}

std::vector<NameTagFile> WriteNameTags(FileList& list, const std::vector<std::size_t>& entries,
                                       const ParsedTemplate& parsed, const NameTagTargets& targets,
                                       const Id3v2WriteOptions& text) {
  std::vector<std::string> paths, names;
  for (std::size_t i : entries) {
    paths.push_back(list.DiskPath(i));
    names.push_back(list.entries[i].oldName);
  }
  std::vector<NameTagFile> files = WriteTagsFromNames(paths, names, parsed, targets, text);
  for (std::size_t k = 0; k < entries.size(); ++k) {
    FileEntry& e = list.entries[entries[k]];
    const TagRunFile& outcome = files[k].outcome;
    e.tagStatus = outcome.ok ? TagWrittenStatusText() : TagFailedStatusText();
    e.tagReason = outcome.reason;
  }
  return files;
}

std::string NameTagQuestion(std::size_t files) {
  return Gb("将为 ") + std::to_string(files) + Gb(" 个文件写入标签，是否继续？");
}

UserMessage TagRunSummary(std::size_t total, std::size_t succeeded) {
  if (succeeded == total) return {Gb("标签写入完毕！"), MessageKind::kInformation};
  return {Gb("文件总数：") + std::to_string(total) + Gb(" 个文件") + "\r\n\r\n" +
              std::to_string(succeeded) + Gb(" 个文件标签写入成功！") + "\r\n" +
              std::to_string(total - succeeded) + Gb(" 个文件标签写入失败！"),
          MessageKind::kWarning};
}

const std::string& TagWrittenStatusText() {
  static const std::string text = Gb("标签写入成功");
  return text;
}

const std::string& TagFailedStatusText() {
  static const std::string text = Gb("标签写入失败");
  return text;
}

}  // namespace tessarn
