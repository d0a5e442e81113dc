// A tag run: the same kind of tag change made to many files, one file after
// another, each file all or nothing. Tags from names and the many-files form of
// the tag editor are runs, and so are the command line's tag commands. For every
// file written the run keeps what it takes to put the old tags back later.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/filelist/file_list.h"
#include "core/filelist/user_message.h"
#include "core/rules/tag_template_rule.h"
#include "core/tagedit/tag_edits.h"
#include "core/tagedit/tag_update.h"

namespace tessarn {

// The file as the run left it, and the exact tag bytes it had before: enough to
// give the old tags back while nothing else has changed the file since.
struct TagFileUndo {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;  // after the write
  std::int64_t mtimeSeconds = 0;
  std::int64_t mtimeNanoseconds = 0;
  // The modification time before the write, given back with the old bytes so that
  // an earlier run's undo still finds the file as that run left it.
  std::int64_t oldMtimeSeconds = 0;
  std::int64_t oldMtimeNanoseconds = 0;
  std::string oldId3v2;  // the old tag's region at the start of the file; empty without one
  std::string oldId3v1;  // the old 128-byte block; empty without one
};

// One file's outcome. The reason is GB18030, empty when it worked.
struct TagRunFile {
  bool ok = false;
  std::string reason;
  std::optional<TagFileUndo> undo;  // set when the file was written
};

// Sees each file of a run right after it was tried, so that the run's record in
// the undo history holds every file written even when the run is cut short. A
// reason (GB18030) stops the run there: the files not yet tried fail with it and
// stay untouched.
using TagFileTried =
    std::function<std::optional<std::string>(const std::string& path, const TagRunFile& outcome)>;

// Carries out one file's update, noting its old tag bytes first. A file the
// update did not have to touch gets no undo. The second form also gives the
// update's own results, for messages per tag.
TagRunFile RunTagUpdate(const std::string& path, const TagUpdateRequest& request);
TagRunFile RunTagUpdate(const std::string& path, const TagUpdateRequest& request,
                        TagUpdateResults& results);

// The same with the update planned from the file's tags as they are under the
// write's lock, the file opened once for all of it; `run` is shared by the files of
// one run. `plan` gives the reason (GB18030) a file cannot be updated, which
// becomes its outcome's, or nullopt with the request filled.
using TagUpdatePlanner =
    std::function<std::optional<std::string>(ByteSource& file, TagUpdateRequest& request)>;
TagRunFile RunPlannedTagUpdate(const std::string& path, const TagUpdatePlanner& plan,
                               TagWriteRun& run, TagUpdateResults& results);

// Which tags take the fields a name gives. ID3v2 holds any text. ID3v1 holds 30
// bytes of title, artist and album, a four-byte year, a track 0..255 and a genre of
// its list only: with kWhereFits it takes the fields when all of them fit and is
// otherwise left as it is; with kRequired a file whose fields do not fit fails.
enum class Id3v1Share { kNone, kWhereFits, kRequired };
struct NameTagTargets {
  bool id3v2 = true;
  Id3v1Share id3v1 = Id3v1Share::kWhereFits;
};

// The update that writes a name's fields into the file's tags, keeping its other
// fields; or the reason (GB18030) it cannot.
std::optional<std::string> PlanNameTags(const std::string& path, const TagEdits& fields,
                                        const NameTagTargets& targets,
                                        const Id3v2WriteOptions& text, TagUpdateRequest& request);
std::optional<std::string> PlanNameTags(ByteSource& file, const TagEdits& fields,
                                        const NameTagTargets& targets,
                                        const Id3v2WriteOptions& text, TagUpdateRequest& request);

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
