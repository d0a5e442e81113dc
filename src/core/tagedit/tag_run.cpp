#include "core/tagedit/tag_run.h"

#include <algorithm>

#include "core/id3/genre_table.h"
#include "core/id3/id3v1.h"
#include "core/tagedit/name_fields.h"
#include "core/tagedit/tag_edits.h"
#include "core/text/encoding.h"

namespace tessarn {

std::optional<std::string> NameTagEdit(const TagEdits& fields, const NameTagTargets& targets,
                                       TagEdit& edit) {
  edit = TagEdit{};
  edit.id3v1WhereFits = targets.id3v1 == Id3v1Share::kWhereFits;
  if (targets.id3v1 != Id3v1Share::kNone) {
    // ID3v1 takes a genre of its list only, as its number.
    TagEdits v1 = fields;
    std::optional<int> genre;
    if (v1.genre) genre = GenreNumberOf(*v1.genre);
    if (v1.genre && !genre) {
      if (targets.id3v1 == Id3v1Share::kRequired)
        return Gb("ID3v1 的流派只能是流派列表中的一项：") + *v1.genre;
    } else {
      edit = TagEditOf(v1, true, false);
      edit.id3v1WhereFits = targets.id3v1 == Id3v1Share::kWhereFits;
    }
  }
  if (targets.id3v2) {
    // A genre outside the list is still a genre to ID3v2: it goes in as written.
    TagEdits v2 = fields;
    std::optional<std::string> freeGenre;
    if (v2.genre && !GenreNumberOf(*v2.genre)) {
      freeGenre = std::move(v2.genre);
      v2.genre.reset();
    }
    const TagEdit written = TagEditOf(v2, false, true);
    edit.id3v2 = written.id3v2;
    edit.writeId3v2 = true;
    if (freeGenre) edit.id3v2[kFieldGenre] = *freeGenre;
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
  // A name that gives nothing is no try: the run's record sees written files only.
  std::vector<std::string> fitting;
  std::vector<std::size_t> at;
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
    fitting.push_back(paths[i]);
    at.push_back(i);
  }
  const std::vector<TagRunFile> outcomes =
      EachTagFile(fitting, tried, [&](std::size_t k, TagWriteRun& run) {
        TagEdit edit;
        TagRunFile refused;
        if (auto problem = NameTagEdit(*files[at[k]].fields, targets, edit)) {
          refused.reason = *problem;
          return refused;
        }
        return EditFileTags(fitting[k], edit, text, run);
      });
  for (std::size_t k = 0; k < at.size(); ++k) files[at[k]].outcome = outcomes[k];
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

void HideTagStatuses(FileList& list) {
  const std::size_t n = std::min(list.count(), list.RowCount());
  std::size_t first = n, last = 0;
  for (std::size_t r = 0; r < n; ++r) {
    if (list.CellText(r, kTagStatusColumn).empty()) continue;
    list.SetCellText(r, kTagStatusColumn, std::string());
    if (first == n) first = r;
    last = r;
  }
  if (first < n) list.NotifyRowsChanged(first, last);
}

void ForgetTagRunStatuses(FileList& list) {
  for (FileEntry& e : list.entries) {
    const std::string& status = e.texts().tagStatus;
    if (status == TagWrittenStatusText() || status == TagFailedStatusText()) {
      EntryTexts& t = e.EditTexts();
      t.tagStatus.clear();
      t.tagReason.clear();
    }
  }
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
