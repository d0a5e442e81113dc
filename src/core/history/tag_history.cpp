#include "core/history/tag_history.h"

#include <unistd.h>

#include <ctime>
#include <optional>
#include <set>

#include "core/filelist/rename_run.h"
#include "core/id3/tag_file_writer.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

struct TagRunRow {
  std::string path;
  TagFileUndo undo;
  bool back = false;  // the old tags are in place again
};

struct TagRun {
  FrontEnd frontEnd = FrontEnd::kCommandLine;
  long long time = 0;
  std::vector<TagRunRow> rows;
  bool haveFiles = false;
  bool damaged = false;
};

// The history may be undone from another folder than the run was made in.
std::string AbsolutePath(const std::string& path) {
  if (path.starts_with('/')) return path;
  char* cwd = ::getcwd(nullptr, 0);
  if (cwd == nullptr) return path;
  std::string out(cwd);
  std::free(cwd);
  return out + "/" + path;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string HeadRecord(FrontEnd frontEnd, long long time) {
  std::string out;
  AppendHeadRecord(out, static_cast<std::uint8_t>(RunKind::kTags),
                   static_cast<std::uint8_t>(frontEnd), static_cast<std::uint64_t>(time));
  return out;
}

std::string FilesRecord(const std::vector<TagRunRow>& rows) {
  std::string out, payload;
  PutU32(payload, static_cast<std::uint32_t>(rows.size()));
  for (const TagRunRow& row : rows) {
    PutText(payload, row.path);
    PutU64(payload, row.undo.device);
    PutU64(payload, row.undo.inode);
    PutU64(payload, row.undo.size);
    PutU64(payload, static_cast<std::uint64_t>(row.undo.mtimeSeconds));
    PutU64(payload, static_cast<std::uint64_t>(row.undo.mtimeNanoseconds));
    PutU64(payload, static_cast<std::uint64_t>(row.undo.oldMtimeSeconds));
    PutU64(payload, static_cast<std::uint64_t>(row.undo.oldMtimeNanoseconds));
    PutText(payload, row.undo.oldId3v2);
    PutText(payload, row.undo.oldId3v1);
  }
  AppendRecord(out, 'T', payload);
  return out;
}

std::string BackRecord(const std::vector<TagRunRow>& rows) {
  std::string out, payload;
  PutU32(payload, static_cast<std::uint32_t>(rows.size()));
  for (const TagRunRow& row : rows) PutU8(payload, row.back ? 1 : 0);
  AppendRecord(out, 'U', payload);
  return out;
}

// Reads the records; without `full` the tag bytes are stepped over (a listing).
TagRun ParseTagRun(const std::vector<Record>& records, bool intact, bool full) {
  TagRun run;
  bool wellFormed = true;
  for (const Record& record : records) {
    PayloadReader in(record.payload);
    bool ok = true;
    switch (record.type) {
      case 'H': {
        std::uint8_t kind = 0, frontEnd = 0;
        std::uint64_t time = 0;
        ok = in.U8(kind) && in.U8(frontEnd) && in.U64(time) &&
             kind == static_cast<std::uint8_t>(RunKind::kTags);
        run.frontEnd = static_cast<FrontEnd>(frontEnd);
        run.time = static_cast<long long>(time);
        break;
      }
      case 'T': {
        std::uint32_t count = 0;
        ok = in.U32(count) && !run.haveFiles;
        for (std::uint32_t k = 0; ok && k < count; ++k) {
          TagRunRow row;
          std::uint64_t seconds = 0, nanoseconds = 0, oldSeconds = 0, oldNanoseconds = 0;
          std::uint32_t skipped = 0;
          ok = in.Text(row.path) && in.U64(row.undo.device) && in.U64(row.undo.inode) &&
               in.U64(row.undo.size) && in.U64(seconds) && in.U64(nanoseconds) &&
               in.U64(oldSeconds) && in.U64(oldNanoseconds) &&
               (full ? in.Text(row.undo.oldId3v2) && in.Text(row.undo.oldId3v1)
                     : in.SkipText(skipped) && in.SkipText(skipped));
          row.undo.mtimeSeconds = static_cast<std::int64_t>(seconds);
          row.undo.mtimeNanoseconds = static_cast<std::int64_t>(nanoseconds);
          row.undo.oldMtimeSeconds = static_cast<std::int64_t>(oldSeconds);
          row.undo.oldMtimeNanoseconds = static_cast<std::int64_t>(oldNanoseconds);
          run.rows.push_back(std::move(row));
        }
        run.haveFiles = ok;
        break;
      }
      case 'U': {
        std::uint32_t count = 0;
        ok = in.U32(count) && run.haveFiles && count == run.rows.size();
        std::string_view back;
        ok = ok && in.Bytes(count, back);
        for (std::size_t k = 0; ok && k < back.size(); ++k) run.rows[k].back = back[k] != 0;
        break;
      }
      default:
        ok = false;
        break;
    }
    if (!ok) {
      wellFormed = false;
      break;
    }
  }
  run.damaged = !intact || !wellFormed || !run.haveFiles;
  return run;
}

RenameReason ReasonOf(TagWriteError error) {
  switch (error) {
    case TagWriteError::kChangedSince:
      return RenameReason::kModified;
    case TagWriteError::kNotFound:
      return RenameReason::kMissing;
    case TagWriteError::kNoPermission:
      return RenameReason::kPermission;
    case TagWriteError::kDiskFull:
      return RenameReason::kNoSpace;
    default:
      return RenameReason::kOther;
  }
}

}  // namespace

std::uint64_t RecordTagRun(const std::string& stateDirectory, FrontEnd frontEnd,
                           const std::vector<std::string>& paths,
                           const std::vector<TagRunFile>& outcomes, std::string& error) {
  std::vector<TagRunRow> rows;
  for (std::size_t i = 0; i < paths.size() && i < outcomes.size(); ++i)
    if (outcomes[i].ok && outcomes[i].undo)
      rows.push_back({AbsolutePath(paths[i]), *outcomes[i].undo, false});
  if (rows.empty()) return 0;  // nothing changed on disk: nothing to undo

  // The tags are written already: a record held up by another run's short one
  // (two tag commands at once, say) waits for it a little rather than be lost.
  std::optional<HistoryLock> lock;
  for (int attempt = 0;; ++attempt) {
    error.clear();
    lock.emplace();
    if (lock->Acquire(stateDirectory, error)) break;
    if (attempt == 100 || stateDirectory.empty()) return 0;
    ::usleep(20000);
  }
  error.clear();
  const std::string folder = HistoryFolder(stateDirectory);
  const std::vector<std::uint64_t> ids = ListRunIds(folder);
  const std::uint64_t id = ids.empty() ? 1 : ids.back() + 1;
  RunFileWriter writer;
  if (!writer.Create(folder, id, HeadRecord(frontEnd, std::time(nullptr)) + FilesRecord(rows),
                     error)) {
    RemoveRunFile(folder, id);  // a record cut short would only be taken as damaged
    return 0;
  }
  DropOldRuns(folder, kHistoryRuns);
  return id;
}

void ListTagRun(const std::vector<Record>& records, bool intact, HistoryEntry& entry) {
  const TagRun run = ParseTagRun(records, intact, false);
  entry.kind = RunKind::kTags;
  entry.frontEnd = run.frontEnd;
  entry.time = run.time;
  entry.damaged = run.damaged;
  entry.finished = run.haveFiles;
  entry.renamed = run.rows.size();
  entry.left = 0;
  std::set<std::string> folders;
  for (const TagRunRow& row : run.rows) {
    if (!row.back) ++entry.left;
    folders.insert(FolderOf(row.path));
  }
  entry.folders = folders.size();
  if (!run.rows.empty()) entry.firstFolder = FolderOf(run.rows.front().path);
}

void UndoTagRun(const std::string& historyFolder, std::uint64_t id, FileList& list,
                RecordedUndo& result) {
  result.kind = RunKind::kTags;
  std::string bytes;
  if (!ReadRunFile(historyFolder, id, bytes)) {
    result.result = UndoResult::kFailed;
    result.error = Gb("无法读取撤消记录 ") + DecodeDiskName(RunFilePath(historyFolder, id));
    return;
  }
  bool intact = false;
  const std::vector<Record> records = ParseRecords(bytes, intact);
  TagRun run = ParseTagRun(records, intact, true);
  result.result = UndoResult::kDone;
  result.damaged = run.damaged;
  result.finished = run.haveFiles;

  for (TagRunRow& row : run.rows) {
    if (row.back) continue;
    const TagFileStamp stamp{row.undo.device, row.undo.inode, row.undo.size,
                             row.undo.mtimeSeconds, row.undo.mtimeNanoseconds};
    const TagWriteResult restored =
        RestoreTagRegions(row.path, stamp, row.undo.oldId3v2, row.undo.oldId3v1,
                          {row.undo.oldMtimeSeconds, row.undo.oldMtimeNanoseconds});
    FileEntry e;
    const std::string diskFolder = FolderOf(row.path);
    std::string diskName = row.path.substr(diskFolder.size());
    e.folder = list.InternDiskFolder(diskFolder);
    e.SetNames(diskName, DecodeDiskName(diskName));
    if (restored) {
      row.back = true;
      e.status = EntryStatus{Gb("撤消成功"), kSuccessIcon};
      ++result.counts.succeeded;
    } else {
      const RenameReason reason = ReasonOf(restored.error);
      e.status = EntryStatus{Gb("撤消失败"), kFailureIcon, reason, reason == RenameReason::kOther ? EIO : 0};
      ++result.counts.failed;
      ++result.counts.reasons[static_cast<std::size_t>(reason)];
    }
    result.namesBefore.push_back(e.DiskName());
    result.namesRestored.push_back(e.DiskName());
    list.entries.push_back(std::move(e));
  }
  result.counts.total = list.entries.size();
  result.counts.walked = list.entries.size();

  std::size_t left = 0;
  for (const TagRunRow& row : run.rows) left += !row.back;
  if (!run.damaged) {
    RunFileWriter writer;
    if ((!writer.OpenToAppend(historyFolder, id, result.error) ||
         !writer.AppendAndSync(BackRecord(run.rows))) &&
        result.error.empty())
      result.error = Gb("无法写入撤消记录 ") + DecodeDiskName(RunFilePath(historyFolder, id));
  } else {
    // The damaged file is kept beside the history; what is left gets a sound record.
    SetDamagedRunFileAside(historyFolder, id);
    if (left > 0) {
      RunFileWriter writer;
      writer.Create(historyFolder, id,
                    HeadRecord(run.frontEnd, run.time) + FilesRecord(run.rows) + BackRecord(run.rows),
                    result.error);
    }
  }
}

}  // namespace tessarn
