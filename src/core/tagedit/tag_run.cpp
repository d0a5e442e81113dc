#include "core/tagedit/tag_run.h"

#include "core/id3/genre_table.h"
#include "core/id3/id3v1.h"
#include "core/id3/tag_file_io.h"
#include "core/id3/tag_region.h"
#include "core/tagedit/name_fields.h"
#include "core/text/encoding.h"

namespace tessarn {

namespace {

// What an undo needs of a write that changed the file.
TagFileUndo UndoOf(const TagWriteUndo& written) {
  TagFileUndo undo;
  undo.device = written.stamp.device;
  undo.inode = written.stamp.inode;
  undo.size = written.stamp.size;
  undo.mtimeSeconds = written.stamp.mtimeSeconds;
  undo.mtimeNanoseconds = written.stamp.mtimeNanoseconds;
  undo.oldMtimeSeconds = written.oldTime.seconds;
  undo.oldMtimeNanoseconds = written.oldTime.nanoseconds;
  undo.oldId3v2 = written.oldId3v2;
  undo.oldId3v1 = written.oldId3v1;
  return undo;
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

// RunPlannedTagUpdate; a write that fails before the plan is made reports its
// failure as the steps of `unplanned` would have.
TagRunFile RunTagUpdateAs(const std::string& path, const TagUpdatePlanner& plan, TagWriteRun& run,
                          const TagUpdateRequest& unplanned, TagUpdateResults& results) {
  TagRunFile out;
  TagUpdateRequest request = unplanned;
  std::optional<std::string> problem;
  bool tooLarge = false;
  TagWriteUndo written;
  TagWriteResult result = EditTagBlocks(
      path,
      [&](ByteSource& file, TagBlockChange& id3v2, TagBlockChange& id3v1) {
        problem = plan(file, request);
        tooLarge = !problem && !TagChangesOf(file, request, id3v2, id3v1);
        return !problem && !tooLarge;
      },
      run, written);
  if (problem && result.ok()) {
    results = {};
    out.reason = *problem;
    return out;
  }
  if (tooLarge && result.ok()) result.error = TagWriteError::kTagTooLarge;
  results = TagUpdateResultsOf(request, result.error);
  out.ok = result.ok();
  if (!out.ok) {
    out.reason = Gb(TagWriteErrorText(results.reason));
    return out;
  }
  // A file left as it was (nothing due, or the very same bytes) has nothing to undo.
  if (written.written) out.undo = UndoOf(written);
  return out;
}

}  // namespace

TagRunFile RunPlannedTagUpdate(const std::string& path, const TagUpdatePlanner& plan,
                               TagWriteRun& run, TagUpdateResults& results) {
  TagUpdateRequest unplanned;
  unplanned.id3v2Changed = unplanned.id3v2Present = true;
  return RunTagUpdateAs(path, plan, run, unplanned, results);
}

TagRunFile RunTagUpdate(const std::string& path, const TagUpdateRequest& request,
                        TagUpdateResults& results) {
  TagWriteRun run;
  return RunTagUpdateAs(
      path,
      [&request](ByteSource&, TagUpdateRequest& planned) -> std::optional<std::string> {
        planned = request;
        return std::nullopt;
      },
      run, request, results);
}

TagRunFile RunTagUpdate(const std::string& path, const TagUpdateRequest& request) {
  TagUpdateResults results;
  return RunTagUpdate(path, request, results);
}

std::optional<std::string> PlanNameTags(const std::string& path, const TagEdits& fields,
                                        const NameTagTargets& targets,
                                        const Id3v2WriteOptions& text, TagUpdateRequest& request) {
  ReadOnlyFile file(path);
  return PlanNameTags(file, fields, targets, text, request);
}

std::optional<std::string> PlanNameTags(ByteSource& file, const TagEdits& fields,
                                        const NameTagTargets& targets,
                                        const Id3v2WriteOptions& text, TagUpdateRequest& request) {
  request = {};
  request.text = text;
  if (targets.id3v1 != Id3v1Share::kNone) {
    TagEdits v1 = fields;
    std::optional<std::string> problem = Id3v1Edits(v1);
    TagUpdateRequest planned;
    if (!problem) problem = PlanTagEdits(file, v1, true, false, text, planned);
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
    PlanTagEdits(file, v2, false, true, text, planned);  // ID3v2 takes any text
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
                                            const Id3v2WriteOptions& text,
                                            const TagFileTried& tried) {
  std::vector<NameTagFile> files(paths.size());
  TagWriteRun run;
  std::optional<std::string> stop;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    NameTagFile& file = files[i];
    if (stop) {
      file.outcome.reason = *stop;
      continue;
    }
    if (!HasExtension(names[i], "MP3")) {
      file.outcome.reason = NotMp3StatusText();
      continue;
    }
    file.fields = FieldsFromName(parsed, MainNameOf(names[i]));
    if (!file.fields) {
      file.outcome.reason = NoMatchStatusText();
      continue;
    }
    TagUpdateResults results;
    file.outcome = RunPlannedTagUpdate(
        paths[i],
        [&](ByteSource& source, TagUpdateRequest& request) {
          return PlanNameTags(source, *file.fields, targets, text, request);
        },
        run, results);
    if (tried) stop = tried(paths[i], file.outcome);
  }
  return files;
}

std::vector<std::size_t> PreviewNameTags(FileList& list, const ParsedTemplate& parsed) {
  std::vector<std::size_t> fits;
  for (std::size_t i = 0; i < list.entries.size(); ++i) {
    FileEntry& e = list.entries[i];
    if (!HasExtension(e.oldName, "MP3")) continue;
    EntryTexts& t = e.EditTexts();
    t.tagReason.clear();
    if (const auto fields = FieldsFromName(parsed, MainNameOf(e.oldName))) {
      t.tagStatus = NameFieldsPreview(*fields);
      fits.push_back(i);
    } else {
      t.tagStatus.share(NoMatchStatusText());  // one text for every row
    }
  }
  return fits;
}

std::vector<NameTagFile> WriteNameTags(FileList& list, const std::vector<std::size_t>& entries,
                                       const ParsedTemplate& parsed, const NameTagTargets& targets,
                                       const Id3v2WriteOptions& text, const TagFileTried& tried) {
  std::vector<std::string> paths, names;
  for (std::size_t i : entries) {
    paths.push_back(list.DiskPath(i));
    names.push_back(list.entries[i].oldName);
  }
  std::vector<NameTagFile> files = WriteTagsFromNames(paths, names, parsed, targets, text, tried);
  for (std::size_t k = 0; k < entries.size(); ++k) {
    FileEntry& e = list.entries[entries[k]];
    const TagRunFile& outcome = files[k].outcome;
    EntryTexts& t = e.EditTexts();
    t.tagStatus.share(outcome.ok ? TagWrittenStatusText() : TagFailedStatusText());
    t.tagReason = outcome.reason;
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
