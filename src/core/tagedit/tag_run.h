// Tags from names: the MP3 page's template read backwards into each file's tags,
// a tag run of the one tag edit (tag_edit.h) with a file's own fields. For every
// file written the run keeps what it takes to put the old tags back later.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/filelist/file_list.h"
#include "core/filelist/user_message.h"
#include "core/rules/tag_template_rule.h"
#include "core/tagedit/tag_edits.h"
#include "core/tagedit/tag_edit.h"

namespace tessarn {

// Which tags take the fields a name gives. ID3v2 holds any text. ID3v1 holds 30
// bytes of title, artist and album, a four-byte year, a track 0..255 and a genre of
// its list only: with kWhereFits it takes the fields when all of them fit and is
// otherwise left as it is; with kRequired a file whose fields do not fit fails.
enum class Id3v1Share { kNone, kWhereFits, kRequired };
struct NameTagTargets {
  bool id3v2 = true;
  Id3v1Share id3v1 = Id3v1Share::kWhereFits;
};

// The edit that writes a name's fields into a file's tags, keeping its other
// fields; or the reason (GB18030) ID3v1 cannot take them when it must.
std::optional<std::string> NameTagEdit(const TagEdits& fields, const NameTagTargets& targets,
                                       TagEdit& edit);

// Tags from names over many files. `names` are the files' names for the rules
// (GB18030, no folder part), `paths` their raw paths, in the same order. A name
// that is not an MP3 name or does not fit the template fails with "非MP3文件" or
// "不匹配" and its file is not touched.
struct NameTagFile {
  std::optional<TagEdits> fields;  // what the name gave
  TagRunFile outcome;
};
std::vector<NameTagFile> WriteTagsFromNames(const std::vector<std::string>& paths,
                                            const std::vector<std::string>& names,
                                            const ParsedTemplate& parsed,
                                            const NameTagTargets& targets,
                                            const Id3v2WriteOptions& text,
                                            const TagFileTried& tried = {});

// The fields a name gives for the preview, or nullopt when the name is not an MP3
// name or does not fit.
std::optional<TagEdits> NameTagFields(const std::string& name, const ParsedTemplate& parsed);

// The list's side of tags from names, for the window. The preview: each MP3
// entry's tagStatus becomes the fields its name gives ("艺术家=邓丽君 歌曲名=…") or
// "不匹配"; other entries keep theirs. Returns the entries the template fits, in
// list order. Refresh the column with ShowTagStatuses.
std::vector<std::size_t> PreviewNameTags(FileList& list, const ParsedTemplate& parsed);
// The run over those entries: each gets "标签写入成功" or "标签写入失败", the reason
// of a failure in tagReason. Returns the outcomes in the order of `entries`.
std::vector<NameTagFile> WriteNameTags(FileList& list, const std::vector<std::size_t>& entries,
                                       const ParsedTemplate& parsed, const NameTagTargets& targets,
                                       const Id3v2WriteOptions& text,
                                       const TagFileTried& tried = {});

// Tag statuses belong to the MP3 page: on the other pages the column is empty,
// the entries keeping their statuses for when the page is shown again
// (ShowTagStatuses).
void HideTagStatuses(FileList& list);

// After a tag run was undone: the statuses that told how a run went ("标签写入成功",
// "标签写入失败") no longer hold; the entries lose them.
void ForgetTagRunStatuses(FileList& list);

// The question before tags from names are written (Yes/No, title "询问："):
// "将为 N 个文件写入标签，是否继续？".
std::string NameTagQuestion(std::size_t files);

// The run's closing message, as the rename run's: "标签写入完毕！" when every file
// worked, else the counts of files written and failed.
UserMessage TagRunSummary(std::size_t total, std::size_t succeeded);

// The per-row statuses of a run: "标签写入成功" and "标签写入失败".
const std::string& TagWrittenStatusText();
const std::string& TagFailedStatusText();

}  // namespace tessarn
