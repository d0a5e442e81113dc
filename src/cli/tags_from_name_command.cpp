// tags from-name: the MP3 page's template read backwards, as the window's
// "从文件名写入标签" does, over the files and folders given.
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/exit_status.h"
#include "cli/json.h"
#include "cli/path_arguments.h"
#include "core/filelist/file_list.h"
#include "core/id3/id3v1.h"
#include "core/tagedit/name_fields.h"
#include "core/tagedit/tag_run.h"
#include "core/text/encoding.h"

namespace tessarn::cli {
namespace {

// The fields a name gave, as JSON: {"artist":"邓丽君","title":"..."}.
void AppendFieldsJson(std::string& buf, const TagEdits& fields) {
  buf += '{';
  bool first = true;
  auto add = [&](const char* key, const std::optional<std::string>& value) {
    if (!value) return;
    if (!first) buf += ',';
    first = false;
    AppendJsonString(buf, key);
    buf += ':';
    AppendJsonGbString(buf, *value);
  };
  add("artist", fields.artist);
  add("title", fields.title);
  add("album", fields.album);
  add("track", fields.track);
  add("year", fields.year);
  add("genre", fields.genre);
  buf += '}';
}

// --v1 and --v2 choose the tags; without either ID3v2 is written and ID3v1 too when
// the fields fit it, as the window does with "ID3v2.x优先".
NameTagTargets TargetsOf(const Arguments& args) {
  if (!args.v1 && !args.v2) return {true, Id3v1Share::kWhereFits};
  return {args.v2, args.v1 ? Id3v1Share::kRequired : Id3v1Share::kNone};
}

// One row: the file's outcome, UTF-8 texts.
struct Row {
  std::string path;  // raw
  std::optional<TagEdits> fields;
  std::string status;  // "不匹配", "非MP3文件", "标签写入成功", "标签写入失败"; none in a dry run
  std::string reason;
  bool ok = true;
};

void PrintRows(Output& out, bool json, const std::vector<Row>& rows, const std::string& summary) {
  std::string& buf = out.buffer();
  if (json) {
    buf += "{\"files\":[";
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const Row& r = rows[i];
      if (i > 0) buf += ',';
      buf += "\n{\"file\":";
      AppendJsonGbString(buf, DecodeDiskName(r.path));
      buf += ",\"match\":";
      buf += r.fields ? "true" : "false";
      if (r.fields) {
        buf += ",\"fields\":";
        AppendFieldsJson(buf, *r.fields);
      }
      if (!r.status.empty()) {
        buf += ",\"ok\":";
        buf += r.ok ? "true" : "false";
        buf += ",\"status\":";
        AppendJsonString(buf, r.status);
      }
      if (!r.reason.empty()) {
        buf += ",\"reason\":";
        AppendJsonString(buf, r.reason);
      }
      buf += '}';
      out.MaybeFlush();
    }
    buf += "\n],\"summary\":";
    AppendJsonString(buf, summary);
    buf += "}\n";
    return;
  }
  for (const Row& r : rows) {
    buf += ShowPath(r.path);
    buf += '\n';
    buf += "  ";
    buf += GbToUtf8Lossy(r.fields ? NameFieldsPreview(*r.fields) : std::string());
    if (!r.status.empty()) {
      if (r.fields) buf += "  ";
      buf += r.status;
    }
    if (!r.reason.empty()) buf += "（" + r.reason + "）";
    buf += '\n';
    out.MaybeFlush();
  }
  if (!summary.empty()) {
    if (!rows.empty()) buf += '\n';
    buf += summary;
    buf += '\n';
  }
}

// The summary box's text for a terminal: LF line breaks.
std::string TerminalText(const std::string& gb) {
  std::string text = GbToUtf8Lossy(gb), lf;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lf += text[i];
  return lf;
}

}  // namespace

int RunTagsFromNameCommand(const Arguments& args, Output& out, Output& err) {
  std::string error;
  if (!CheckPathsExist(args.paths, error)) {
    PrintError(err, error);
    return kExitUsage;
  }
  FileList list;
  for (const std::string& folder : AddPathArguments(list, args.paths))
    PrintError(err, "无法读取目录：" + folder);
  ParsedTemplate parsed;
  ParseTagTemplate(args.options.tagTemplate, parsed);

  // Files the template fits are written; the others are only reported.
  std::vector<Row> rows(list.entries.size());
  std::vector<std::string> paths, names;
  std::vector<std::size_t> written;  // rows of the files to write
  for (std::size_t i = 0; i < list.entries.size(); ++i) {
    const FileEntry& e = list.entries[i];
    Row& row = rows[i];
    row.path = list.DiskPath(e);
    if (!HasExtension(e.oldName, "MP3")) {
      row.status = GbToUtf8Lossy(NotMp3StatusText());
      continue;
    }
    row.fields = NameTagFields(e.oldName, parsed);
    if (!row.fields) {
      row.status = GbToUtf8Lossy(NoMatchStatusText());
      continue;
    }
    paths.push_back(row.path);
    names.push_back(e.oldName);
    written.push_back(i);
  }

  int status = kExitOk;
  std::string summary;
  if (written.empty()) {
    PrintError(err, "没有文件名与模板相符，没有写入任何标签");
    status = kExitFailed;
  } else if (!args.dryRun) {
    const Id3v2WriteOptions text{.legacy = args.options.legacyEncoding};
    std::vector<NameTagFile> files;
    if (!RunTagsForUndo(
            [&](const TagFileTried& tried) {
              files = WriteTagsFromNames(paths, names, parsed, TargetsOf(args), text, tried);
            },
            err))
      return kExitFailed;
    std::size_t succeeded = 0;
    for (std::size_t k = 0; k < files.size(); ++k) {
      Row& row = rows[written[k]];
      row.ok = files[k].outcome.ok;
      row.status = GbToUtf8Lossy(row.ok ? TagWrittenStatusText() : TagFailedStatusText());
      row.reason = GbToUtf8Lossy(files[k].outcome.reason);
      if (row.ok) ++succeeded;
    }
    summary = TerminalText(TagRunSummary(files.size(), succeeded).text);
    if (succeeded < files.size()) status = kExitFailed;
  }
  PrintRows(out, args.json, rows, summary);
  return status;
}

}  // namespace tessarn::cli
