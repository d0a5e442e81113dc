// tags show, tags set and tags delete: the tag editor's work on whole lists of files.
#include <sys/stat.h>

#include <optional>
#include <string>
#include <vector>

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
#include "core/text/encoding.h"
#include "core/text/gb_text.h"

namespace tessarn::cli {
namespace {

struct FieldInfo {
  const char* key;    // JSON name, as in TagFields
  const char* label;  // the tag editor's word for it
  std::string TagFields::*field;
  std::optional<std::string> TagEdits::*edit;
  const char* option;
};

// ID3v1 has the first seven, ID3v2 all twelve.
constexpr FieldInfo kFields[] = {
    {"title", "歌曲名", &TagFields::title, &TagEdits::title, "--title"},
    {"artist", "艺术家", &TagFields::artist, &TagEdits::artist, "--artist"},
    {"album", "专辑", &TagFields::album, &TagEdits::album, "--album"},
    {"track", "音轨", &TagFields::track, &TagEdits::track, "--track"},
    {"year", "年代", &TagFields::year, &TagEdits::year, "--year"},
    {"genre", "流派", &TagFields::genre, &TagEdits::genre, "--genre"},
    {"comment", "注释", &TagFields::comment, &TagEdits::comment, "--comment"},
    {"composer", "作曲家", &TagFields::composer, &TagEdits::composer, "--composer"},
    {"originalArtist", "原创者", &TagFields::originalArtist, &TagEdits::originalArtist,
     "--original-artist"},
    {"copyright", "版权", &TagFields::copyright, &TagEdits::copyright, "--copyright"},
    {"url", "URL", &TagFields::url, &TagEdits::url, "--url"},
    {"encoder", "编码者", &TagFields::encoder, &TagEdits::encoder, "--encoder"},
};
constexpr std::size_t kV1FieldCount = 7;
constexpr std::size_t kV2FieldCount = 12;

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

// A genre given by name (case aside) or by number, 0..125; -1 for "no genre" (an
// empty text), nullopt when unknown.
std::optional<int> GenreNumber(const std::string& text) {
  if (text.empty()) return -1;
  for (int n = 0; n < kGenreCount; ++n)
    if (text == GenreName(n)) return n;
  for (int n = 0; n < kGenreCount; ++n)
    if (EqualsIgnoreAsciiCase(text, GenreName(n))) return n;
  if (text.size() <= 3 && text.find_first_not_of("0123456789") == std::string::npos) {
    const int n = std::stoi(text);
    if (n < kGenreCount) return n;
  }
  return std::nullopt;
}

// The ID3v2 genre text for a genre number, as the tag editor writes it: "(17)Rock".
std::string Id3v2GenreText(int number) {
  if (number < 0) return {};
  return "(" + std::to_string(number) + ")" + GenreName(number);
}

void AppendFieldsJson(std::string& buf, bool found, const TagFields& fields, std::size_t count) {
  buf += "{\"found\":";
  buf += found ? "true" : "false";
  for (std::size_t k = 0; k < count; ++k) {
    buf += ",\"";
    buf += kFields[k].key;
    buf += "\":";
    AppendJsonGbString(buf, found ? fields.*kFields[k].field : std::string());
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
    buf += kFields[k].label;
    buf += "：";
    const std::string& value = fields.*kFields[k].field;
    AppendGb(buf, value);
    // An ID3v1 genre is a number; show its name beside it.
    if (v1 && kFields[k].field == &TagFields::genre && !value.empty()) {
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

// The ID3v1 values to write: the file's block (when it has one) with the given
// fields changed. A value that does not fit the block is refused (UTF-8 reason).
std::optional<std::string> MergeId3v1(const std::string& path, const TagEdits& edits,
                                      Id3v1Input& input) {
  TagFields current;
  const bool had = ReadId3v1(path, current);
  for (std::size_t k = 0; k < kV1FieldCount; ++k)
    if (const auto& edit = edits.*kFields[k].edit) current.*kFields[k].field = *edit;
  input.title = current.title;
  input.artist = current.artist;
  input.album = current.album;
  input.year = current.year;
  input.comment = current.comment;
  input.track = current.track;
  input.genre = kNoGenreByte;
  if (edits.genre) {
    const int n = *GenreNumber(*edits.genre);  // checked before any file
    input.genre = n < 0 ? kNoGenreByte : n;
  } else if (had && !current.genre.empty()) {
    input.genre = std::stoi(current.genre);
  }
  struct Limit {
    const std::string& text;
    std::size_t bytes;
    const char* option;
  };
  // With a track the block keeps 28 bytes of comment: the track takes the rest.
  const bool hasTrack = !input.track.empty() && std::stoi(input.track) % 256 != 0;
  const Limit limits[] = {{input.title, 30, "--title"},
                          {input.artist, 30, "--artist"},
                          {input.album, 30, "--album"},
                          {input.year, 4, "--year"},
                          {input.comment, hasTrack ? 28u : 30u, "--comment"}};
  for (const Limit& limit : limits)
    if (limit.text.size() > limit.bytes) {
      std::string reason = std::string("ID3v1 的 ") + (limit.option + 2) + " 最多 " +
                           std::to_string(limit.bytes) + " 字节，给出的有 " +
                           std::to_string(limit.text.size()) + " 字节";
      if (limit.option == std::string("--comment") && hasTrack) reason += "（有音轨时）";
      return reason;
    }
  return std::nullopt;
}

// The ID3v2 record to write: the file's tag (when it has one) with the given
// fields changed. A kept genre that names a known genre is written in the tag
// editor's "(17)Rock" form.
TagFields MergeId3v2(const std::string& path, const TagEdits& edits) {
  TagFields current;
  ReadId3v2(path, current);
  for (std::size_t k = 0; k < kV2FieldCount; ++k)
    if (const auto& edit = edits.*kFields[k].edit) current.*kFields[k].field = *edit;
  if (edits.genre) {
    current.genre = Id3v2GenreText(*GenreNumber(*edits.genre));
  } else {
    for (int n = 0; n < kGenreCount; ++n)
      if (current.genre == GenreName(n)) current.genre = Id3v2GenreText(n);
  }
  return current;
}

// Checks the values given on the command line, before any file is read.
std::optional<std::string> CheckEdits(const Arguments& args, bool v1, bool v2) {
  const TagEdits& e = args.edits;
  if (e.genre && !GenreNumber(*e.genre))
    return "未知的流派：" + GbToUtf8Lossy(*e.genre) + "（请使用流派列表中的名称，例如 Rock）";
  if (v1 && e.track) {
    const std::string& t = *e.track;
    if (t.size() > 3 || t.find_first_not_of("0123456789") != std::string::npos ||
        (!t.empty() && std::stoi(t) > 255))
      return "ID3v1 的音轨必须是 0 到 255 的数字";
  }
  if (v1 && !v2)
    for (std::size_t k = kV1FieldCount; k < kV2FieldCount; ++k)
      if (e.*kFields[k].edit) return std::string(kFields[k].option) + " 只属于 ID3v2 标签";
  bool any = false;
  for (const FieldInfo& f : kFields) any = any || (e.*f.edit).has_value();
  if (!any) return "tags set 至少需要一个字段选项（例如 --title）";
  return std::nullopt;
}

}  // namespace

int RunTagsShowCommand(const Arguments& args, Output& out, Output& err) {
  if (!CheckFiles(args, err)) return kExitUsage;
  int status = kExitOk;
  std::string& buf = out.buffer();
  if (args.json) buf += '[';
  for (std::size_t i = 0; i < args.paths.size(); ++i) {
    const std::string& path = args.paths[i];
    const std::optional<std::string> refusal = RefuseFile(path);
    TagFields v1, v2;
    const bool hasV1 = !refusal && ReadId3v1(path, v1);
    const bool hasV2 = !refusal && ReadId3v2(path, v2);
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
        AppendFieldsJson(buf, hasV1, v1, kV1FieldCount);
        buf += ",\"id3v2\":";
        AppendFieldsJson(buf, hasV2, v2, kV2FieldCount);
      }
      buf += '}';
    } else {
      buf += ShowPath(path);
      buf += '\n';
      if (refusal) {
        buf += "  " + *refusal + "\n";
      } else {
        AppendFieldsText(buf, "ID3v1", hasV1, v1, kV1FieldCount, true);
        AppendFieldsText(buf, "ID3v2", hasV2, v2, kV2FieldCount, false);
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
  if (auto problem = CheckEdits(args, v1, v2)) {
    PrintError(err, *problem);
    return kExitUsage;
  }
  // Everything is read and checked first, so that a value one file cannot take
  // stops the command before any file has changed.
  struct Plan {
    std::optional<std::string> refusal;
    Id3v1Input v1;
    TagFields v2;
  };
  std::vector<Plan> plans(args.paths.size());
  for (std::size_t i = 0; i < args.paths.size(); ++i) {
    Plan& plan = plans[i];
    plan.refusal = RefuseFile(args.paths[i]);
    if (plan.refusal) continue;
    if (v1)
      if (auto problem = MergeId3v1(args.paths[i], args.edits, plan.v1)) {
        PrintError(err, ShowPath(args.paths[i]) + "：" + *problem + "；没有修改任何文件");
        return kExitUsage;
      }
    if (v2) plan.v2 = MergeId3v2(args.paths[i], args.edits);
  }

  std::vector<FileReport> reports;
  int status = kExitOk;
  for (std::size_t i = 0; i < args.paths.size(); ++i) {
    FileReport report;
    report.path = args.paths[i];
    const Plan& plan = plans[i];
    if (plan.refusal) {
      report.ok = false;
      report.messages.push_back(*plan.refusal);
    } else {
      // Both tags in one write: both change, or neither does.
      std::string tag;
      const bool built = !v2 || BuildId3v2TagFor(args.paths[i], plan.v2, tag);
      const TagBlockChange v2Change = v2 && built ? TagBlockChange::Replace(std::move(tag))
                                                  : TagBlockChange::Keep();
      const TagBlockChange v1Change = v1 && built
                                          ? TagBlockChange::Replace(BuildId3v1Block(plan.v1))
                                          : TagBlockChange::Keep();
      TagWriteResult written = WriteTagBlocks(args.paths[i], v2Change, v1Change);
      if (!built && written.ok()) written.error = TagWriteError::kTagTooLarge;
      report.ok = written.ok();
      if (v1) report.messages.push_back(written ? "ID3v1标签更新成功！" : "ID3v1标签更新失败！");
      if (v2) report.messages.push_back(written ? "ID3v2标签更新成功！" : "ID3v2标签更新失败！");
      if (!written) report.messages.push_back(TagWriteErrorText(written.error));
    }
    if (!report.ok) status = kExitFailed;
    reports.push_back(std::move(report));
  }
  PrintReports(out, args.json, reports);
  return status;
}

int RunTagsDeleteCommand(const Arguments& args, Output& out, Output& err) {
  if (!CheckFiles(args, err)) return kExitUsage;
  std::vector<FileReport> reports;
  int status = kExitOk;
  for (const std::string& path : args.paths) {
    FileReport report;
    report.path = path;
    if (auto refusal = RefuseFile(path)) {
      report.ok = false;
      report.messages.push_back(*refusal);
    } else {
      const TagWriteResult removed =
          WriteTagBlocks(path, args.v2 ? TagBlockChange::Remove() : TagBlockChange::Keep(),
                         args.v1 ? TagBlockChange::Remove() : TagBlockChange::Keep());
      report.ok = removed.ok();
      if (args.v1) report.messages.push_back(removed ? "ID3v1标签已删除" : "删除ID3v1标签失败！");
      if (args.v2) report.messages.push_back(removed ? "ID3v2标签已删除" : "删除ID3v2标签失败！");
      if (!removed) report.messages.push_back(TagWriteErrorText(removed.error));
    }
    if (!report.ok) status = kExitFailed;
    reports.push_back(std::move(report));
  }
  PrintReports(out, args.json, reports);
  return status;
}

}  // namespace tessarn::cli
