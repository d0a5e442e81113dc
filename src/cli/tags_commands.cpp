// tags show, tags set and tags delete: the tag editor's work on whole lists of files.
#include <sys/stat.h>

#include <functional>
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
#include "core/filelist/rename_reason.h"
#include "core/id3/genre_table.h"
#include "core/id3/id3v1.h"
#include "core/id3/id3v2.h"
#include "core/id3/tag_file_io.h"
#include "core/id3/tag_file_writer.h"
#include "core/metadata/audio_tags_reader.h"
#include "core/tagedit/tag_edits.h"
#include "core/tagedit/tag_edit.h"
#include "core/tagedit/tag_update.h"
#include "core/text/encoding.h"
#include "core/text/gb_text.h"

namespace tessarn::cli {
namespace {

// The file a tags command may work on; otherwise the reason, UTF-8. The tag editor
// opens MP3 files only, and so does the command line.
constexpr const char* kNotMp3 = "抱歉，该文件不是MP3文件！";

std::optional<std::string> RefuseFile(const std::string& path) {
  if (!HasExtension(DecodeDiskName(path), "MP3")) return kNotMp3;
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

// Whether the tag commands take the file: the tag editor opens MP3 files only, and
// so does the command line.
bool IsMp3Name(const std::string& path) { return HasExtension(DecodeDiskName(path), "MP3"); }

// One edit made to every file of the command as one tag run in the undo history:
// each file is read, planned and written in one open under its lock. `report`
// turns a file's outcome into its lines.
int RunTagEdit(const Arguments& args, const TagEdit& edit, Output& out, Output& err,
               const std::function<void(const TagRunFile&, FileReport&)>& report) {
  std::vector<FileReport> reports(args.paths.size());
  std::vector<std::string> mp3;
  std::vector<std::size_t> at;
  for (std::size_t i = 0; i < args.paths.size(); ++i) {
    reports[i].path = args.paths[i];
    if (IsMp3Name(args.paths[i])) {
      mp3.push_back(args.paths[i]);
      at.push_back(i);
    } else {
      reports[i].ok = false;
      reports[i].messages.push_back(kNotMp3);
    }
  }
  const Id3v2WriteOptions text{.legacy = args.options.legacyEncoding};
  std::vector<TagRunFile> outcomes;
  if (!RunTagsForUndo(
          [&](const TagFileTried& tried) { outcomes = EditTags(mp3, edit, text, tried); }, err))
    return kExitFailed;
  int status = kExitOk;
  for (std::size_t k = 0; k < at.size(); ++k) {
    FileReport& r = reports[at[k]];
    const TagRunFile& outcome = outcomes[k];
    if (!outcome.ok && outcome.results.id3v1 == TagUpdateResult::kNotDue &&
        outcome.results.id3v2 == TagUpdateResult::kNotDue) {
      // Not tried: the run stopped before this file.
      r.ok = false;
      r.messages.push_back(GbToUtf8Lossy(outcome.reason));
    } else {
      report(outcome, r);
      r.ok = r.ok && outcome.ok;
    }
  }
  for (const FileReport& r : reports)
    if (!r.ok) status = kExitFailed;
  PrintReports(out, args.json, reports);
  return status;
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
    // One open for both tags. Looking never changes the file: a write that was cut
    // short is told, and left for the next write to finish.
    ReadOnlyFile file(refusal ? std::string() : path);
    const bool unfinished = file.Record() == RecoveryRecord::kUnfinished;
    if (file.Record() == RecoveryRecord::kIgnored)
      PrintError(err, "已忽略恢复记录 " + ShowPath(JournalPath(path)) + "（" +
                          RecordDistrustText(file.IgnoredRecord()) + "）");
    TagFields v1, v2;
    const LegacyEncoding legacy = args.options.legacyEncoding;
    const bool readable = file.IsOpen() && !unfinished;
    const bool hasV1 = readable && ReadId3v1(file, v1, legacy);
    const bool hasV2 = readable && ReadId3v2(file, v2, legacy);
    if (refusal || unfinished) status = kExitFailed;
    if (args.json) {
      if (i > 0) buf += ',';
      buf += "\n{\"file\":";
      AppendJsonGbString(buf, DecodeDiskName(path));
      if (refusal) {
        buf += ",\"error\":";
        AppendJsonString(buf, *refusal);
      } else if (unfinished) {
        buf += ",\"status\":";
        AppendJsonGbString(buf, ReasonText(RenameReason::kInterruptedWrite));
        buf += ",\"reason\":";
        AppendJsonString(buf, ReasonCode(RenameReason::kInterruptedWrite));
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
      } else if (unfinished) {
        buf += "  " + GbToUtf8Lossy(ReasonText(RenameReason::kInterruptedWrite)) + "\n";
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
  const TagEdit edit = TagEditOf(args.edits, v1, v2);
  // A value some file's ID3v1 block cannot take stops the command before any file
  // has changed. Only values that can meet such a file are checked ahead, by a
  // read of every file; the write plans each file again under its lock.
  if (v1 && Id3v1MayRefuse(args.edits))
    for (const std::string& path : args.paths) {
      if (!IsMp3Name(path)) continue;
      ReadOnlyFile file(path);
      if (!file.IsOpen()) continue;  // the run says why
      if (auto problem = Id3v1ProblemOf(file, edit, args.options.legacyEncoding)) {
        PrintError(err, ShowPath(path) + "：" + GbToUtf8Lossy(*problem) + "；没有修改任何文件");
        return kExitUsage;
      }
    }
  return RunTagEdit(args, edit, out, err, [](const TagRunFile& outcome, FileReport& report) {
    ReportUpdate(outcome.results, report);
  });
}

int RunTagsDeleteCommand(const Arguments& args, Output& out, Output& err) {
  if (!CheckFiles(args, err)) return kExitUsage;
  return RunTagEdit(args, DeletionEdit(args.v1, args.v2), out, err,
                    [](const TagRunFile& outcome, FileReport& report) {
                      ReportUpdate(outcome.results, report);
                    });
}

int RunTagsConvertCommand(const Arguments& args, Output& out, Output& err) {
  if (!CheckFiles(args, err)) return kExitUsage;
  TagEdit edit;
  edit.convertToUnicode = true;
  return RunTagEdit(args, edit, out, err, [](const TagRunFile& outcome, FileReport& report) {
    if (!outcome.ok) return ReportUpdate(outcome.results, report);
    if (outcome.undo)
      report.messages.push_back("ID3v2标签中的旧文字已转为Unicode");
    else if (outcome.results.id3v2 == TagUpdateResult::kNotDue)
      report.messages.push_back("没有ID3v2标签");
    else
      report.messages.push_back("没有需要转换的文字");
  });
}

}  // namespace tessarn::cli
