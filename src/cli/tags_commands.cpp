// tags show, tags set and tags delete: the tag editor's work on whole lists of files.
#include <sys/stat.h>

#include <optional>
#include <string>
#include <vector>

#include "cli/audio_tags_show.h"
#include "cli/commands.h"
#include "cli/entry_printer.h"
#include "cli/exit_status.h"
#include "cli/json.h"
#include "cli/path_arguments.h"
#include "core/filelist/file_system.h"
#include "core/id3/genre_table.h"
#include "core/id3/id3v1.h"
#include "core/id3/id3v2.h"
#include "core/id3/tag_file_io.h"
#include "core/id3/tag_file_writer.h"
#include "core/metadata/audio_tags_reader.h"
#include "core/tagedit/tag_edits.h"
#include "core/tagedit/tag_run.h"
#include "core/tagedit/tag_update.h"
#include "core/text/encoding.h"
#include "core/text/gb_text.h"

namespace tessarn::cli {
namespace {

// The file a tags command may work on; otherwise the reason, UTF-8. The tag editor
// opens MP3 files only, and so does the command line.
std::optional<std::string> RefuseFile(const std::string& path) {
  if (!HasExtension(DecodeDiskName(path), "MP3")) return "抱歉，该文件不是MP3文件！";
  // Only a regular file: a FIFO named song.mp3 would otherwise be waited on.
  struct stat st;
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
    return TagWriteErrorText(TagWriteError::kNotRegular);
  ReadOnlyFile file(path);
  if (!file.IsOpen()) return "无法打开文件";
  return std::nullopt;
}

// Checks that every path exists and is not a folder; prints the problem.
bool CheckFiles(const Arguments& args, Output& err) {
  std::string error;
  if (!CheckPathsExist(args.paths, error)) {
    PrintError(err, error);
    return false;
  }
  for (const std::string& path : args.paths)
    if (IsDirectory(path)) {
      PrintError(err, "不是文件而是目录：" + ShowPath(path));
      return false;
    }
  return true;
}

void AppendFieldsJson(std::string& buf, bool found, const TagFields& fields, std::size_t count) {
  buf += "{\"found\":";
  buf += found ? "true" : "false";
  for (std::size_t k = 0; k < count; ++k) {
    buf += ",\"";
    buf += kTagFieldTable[k].jsonKey;
    buf += "\":";
    AppendJsonGbString(buf, found ? fields.*kTagFieldTable[k].member : std::string());
  }
  buf += '}';
}

void AppendFieldsText(std::string& buf, const char* tagName, bool found, const TagFields& fields,
                      std::size_t count, bool v1) {
  buf += "  ";
  buf += tagName;
  buf += found ? "：有\n" : "：无\n";
  if (!found) return;
  for (std::size_t k = 0; k < count; ++k) {
    buf += "    ";
    buf += kTagFieldTable[k].label;
    buf += "：";
    const std::string& value = fields.*kTagFieldTable[k].member;
    AppendGbForTerminal(buf, value);
    // An ID3v1 genre is a number; show its name beside it.
    if (v1 && k == kFieldGenre && !value.empty()) {
      const int n = std::stoi(value);
      if (const char* name = GenreName(n)) {
        buf += " (";
        buf += name;
        buf += ')';
      }
    }
    buf += '\n';
  }
}

// One file's outcome in set and delete.
struct FileReport {
  std::string path;                   // raw
  std::vector<std::string> messages;  // UTF-8
  bool ok = true;
};

void PrintReports(Output& out, bool json, const std::vector<FileReport>& reports) {
  std::string& buf = out.buffer();
  if (json) {
    buf += '[';
    for (std::size_t i = 0; i < reports.size(); ++i) {
      if (i > 0) buf += ',';
      buf += "\n{\"file\":";
      AppendJsonGbString(buf, DecodeDiskName(reports[i].path));
      buf += ",\"ok\":";
      buf += reports[i].ok ? "true" : "false";
      buf += ",\"messages\":[";
      for (std::size_t m = 0; m < reports[i].messages.size(); ++m) {
        if (m > 0) buf += ',';
        AppendJsonString(buf, reports[i].messages[m]);
      }
      buf += "]}";
    }
    buf += "\n]\n";
    return;
  }
  for (const FileReport& r : reports) {
    buf += ShowPath(r.path);
    buf += '\n';
    for (const std::string& m : r.messages) {
      buf += "  ";
      buf += m;
      buf += '\n';
    }
  }
}

// The messages of one file's update, UTF-8, and whether it all worked. The reason
// under a failure is a message of its own.
void ReportUpdate(const TagUpdateResults& results, FileReport& report) {
  for (const TagUpdateMessage& m : TagUpdateMessages(results, RemovalNotice::kSay)) {
    const std::string text = GbToUtf8Lossy(m.text);
    for (std::size_t from = 0; from <= text.size();) {
      const std::size_t end = std::min(text.find('\n', from), text.size());
      report.messages.push_back(text.substr(from, end - from));
      from = end + 1;
    }
  }
  report.ok = !AnyFailed(results);
}

}  // namespace

int RunTagsShowCommand(const Arguments& args, Output& out, Output& err) {
  if (!CheckFiles(args, err)) return kExitUsage;
  int status = kExitOk;
  std::string& buf = out.buffer();
  if (args.json) buf += '[';
  for (std::size_t i = 0; i < args.paths.size(); ++i) {
    const std::string& path = args.paths[i];
    if (const char* format = TagLibFormatOf(path)) {
      // The other audio formats: their tags through TagLib, the shared fields only.
      AudioTags tags;
      const bool read = ReadAudioTags(path, format, tags);
      if (!read) status = kExitFailed;
      if (args.json) {
        if (i > 0) buf += ',';
        buf += "\n{\"file\":";
        AppendJsonGbString(buf, DecodeDiskName(path));
        if (read) {
          AppendCommonTagsJson(buf, format, true, tags);
        } else {
          buf += ",\"error\":";
          AppendJsonString(buf, std::string("无法读取该") + format + "文件");
        }
        buf += '}';
      } else {
        buf += ShowPath(path);
        buf += '\n';
        if (read)
          AppendCommonTagsText(buf, format, tags);
        else
          buf += std::string("  无法读取该") + format + "文件\n";
      }
      out.MaybeFlush();
      continue;
    }
    const std::optional<std::string> refusal = RefuseFile(path);
    TagFields v1, v2;
    const LegacyEncoding legacy = args.options.legacyEncoding;
    const bool hasV1 = !refusal && ReadId3v1(path, v1, legacy);
    const bool hasV2 = !refusal && ReadId3v2(path, v2, legacy);
    if (refusal) status = kExitFailed;
    if (args.json) {
      if (i > 0) buf += ',';
      buf += "\n{\"file\":";
      AppendJsonGbString(buf, DecodeDiskName(path));
      if (refusal) {
        buf += ",\"error\":";
        AppendJsonString(buf, *refusal);
      } else {
        buf += ",\"id3v1\":";
        AppendFieldsJson(buf, hasV1, v1, kId3v1FieldCount);
        buf += ",\"id3v2\":";
        AppendFieldsJson(buf, hasV2, v2, kTagFieldCount);
        // The fields every format shares, as for the other formats.
        AudioTags tags;
        ReadAudioTags(path, "MP3", tags, legacy);
        AppendCommonTagsJson(buf, "MP3", hasV1 || hasV2, tags);
      }
      buf += '}';
    } else {
      buf += ShowPath(path);
      buf += '\n';
      if (refusal) {
        buf += "  " + *refusal + "\n";
      } else {
        AppendFieldsText(buf, "ID3v1", hasV1, v1, kId3v1FieldCount, true);
        AppendFieldsText(buf, "ID3v2", hasV2, v2, kTagFieldCount, false);
      }
    }
    out.MaybeFlush();
  }
  if (args.json) buf += "\n]\n";
  return status;
}

int RunTagsSetCommand(const Arguments& args, Output& out, Output& err) {
  if (!CheckFiles(args, err)) return kExitUsage;
  const bool v1 = args.v1 || !args.v2;
  const bool v2 = args.v2 || !args.v1;
  if (auto problem = CheckTagEdits(args.edits, v1, v2)) {
    PrintError(err, GbToUtf8Lossy(*problem));
    return kExitUsage;
  }
  // Everything is read and checked first, so that a value one file cannot take
  // stops the command before any file has changed.
  struct Plan {
    std::optional<std::string> refusal;
    TagUpdateRequest request;
  };
  std::vector<Plan> plans(args.paths.size());
  for (std::size_t i = 0; i < args.paths.size(); ++i) {
    Plan& plan = plans[i];
    plan.refusal = RefuseFile(args.paths[i]);
    if (plan.refusal) continue;
    const Id3v2WriteOptions text{.legacy = args.options.legacyEncoding};
    if (auto problem = PlanTagEdits(args.paths[i], args.edits, v1, v2, text, plan.request)) {
      PrintError(err,
                 ShowPath(args.paths[i]) + "：" + GbToUtf8Lossy(*problem) + "；没有修改任何文件");
      return kExitUsage;
    }
  }

  std::vector<FileReport> reports;
  int status = kExitOk;
  const bool ran = RunTagsForUndo(
      [&](const TagFileTried& tried) {
        std::optional<std::string> stop;
        for (std::size_t i = 0; i < args.paths.size(); ++i) {
          FileReport report;
          report.path = args.paths[i];
          const Plan& plan = plans[i];
          if (stop) {
            report.ok = false;
            report.messages.push_back(GbToUtf8Lossy(*stop));
          } else if (plan.refusal) {
            report.ok = false;
            report.messages.push_back(*plan.refusal);
          } else {
            TagUpdateResults results;
            stop = tried(args.paths[i], RunTagUpdate(args.paths[i], plan.request, results));
            ReportUpdate(results, report);
          }
          if (!report.ok) status = kExitFailed;
          reports.push_back(std::move(report));
        }
      },
      err);
  if (!ran) return kExitFailed;
  PrintReports(out, args.json, reports);
  return status;
}

int RunTagsDeleteCommand(const Arguments& args, Output& out, Output& err) {
  if (!CheckFiles(args, err)) return kExitUsage;
  std::vector<FileReport> reports;
  int status = kExitOk;
  const bool ran = RunTagsForUndo(
      [&](const TagFileTried& tried) {
        std::optional<std::string> stop;
        for (const std::string& path : args.paths) {
          FileReport report;
          report.path = path;
          if (stop) {
            report.ok = false;
            report.messages.push_back(GbToUtf8Lossy(*stop));
          } else if (auto refusal = RefuseFile(path)) {
            report.ok = false;
            report.messages.push_back(*refusal);
          } else {
            TagUpdateRequest request = DeletionRequest(args.v1, args.v2);
            request.text.legacy = args.options.legacyEncoding;
            TagUpdateResults results;
            stop = tried(path, RunTagUpdate(path, request, results));
            ReportUpdate(results, report);
          }
          if (!report.ok) status = kExitFailed;
          reports.push_back(std::move(report));
        }
      },
      err);
  if (!ran) return kExitFailed;
  PrintReports(out, args.json, reports);
  return status;
}

}  // namespace tessarn::cli
