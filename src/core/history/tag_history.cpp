#include "core/history/tag_history.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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
  bool finished = false;  // an 'E' or a 'T' says the run reached its end
  bool damaged = false;
  bool salvaged = false;  // made anew from a damaged record
};

// Room taken for a run's records when it starts, and kept ahead of the record as
// it grows: a full state folder stops the run before a file whose record might
// not fit, rather than leaving that file changed without its undo.
constexpr std::uint64_t kReserveAhead = 1 << 20;

// How often a run's record is flushed to the disk. Each file's record is written
// (write) right after the file, so a killed run loses none of it: the page cache
// outlives the process. Only a crash of the machine or a power cut can lose the
// records since the last flush, that is at most the files of one batch; and the
// in-place tag writes of those very files are not flushed either (see
// tag_file_writer.h), so the same crash may as well lose their new tags. A file
// that kept its new tags but lost its record keeps them, as it would have without
// an undo history: nothing is damaged, only that file's undo is lost. On a disk,
// 1,000 small in-place writes took about 3.5 s with a flush per file against
// 0.05 s without a record, 0.11 s with a flush per 64 files and 0.07 s per 256.
constexpr std::size_t kFilesPerSync = 256;
constexpr std::size_t kBytesPerSync = 4 << 20;

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

void PutRow(std::string& payload, const std::string& path, const TagFileUndo& undo) {
  PutText(payload, path);
  PutU64(payload, undo.device);
  PutU64(payload, undo.inode);
  PutU64(payload, undo.size);
  PutU64(payload, static_cast<std::uint64_t>(undo.mtimeSeconds));
  PutU64(payload, static_cast<std::uint64_t>(undo.mtimeNanoseconds));
  PutU64(payload, static_cast<std::uint64_t>(undo.oldMtimeSeconds));
  PutU64(payload, static_cast<std::uint64_t>(undo.oldMtimeNanoseconds));
  PutText(payload, undo.oldId3v2);
  PutText(payload, undo.oldId3v1);
}

// Without `full` the tag bytes are stepped over (a listing).
bool ReadRow(PayloadReader& in, bool full, TagRunRow& row) {
  std::uint64_t seconds = 0, nanoseconds = 0, oldSeconds = 0, oldNanoseconds = 0;
  std::uint32_t skipped = 0;
  const bool ok = in.Text(row.path) && in.U64(row.undo.device) && in.U64(row.undo.inode) &&
                  in.U64(row.undo.size) && in.U64(seconds) && in.U64(nanoseconds) &&
                  in.U64(oldSeconds) && in.U64(oldNanoseconds) &&
                  (full ? in.Text(row.undo.oldId3v2) && in.Text(row.undo.oldId3v1)
                        : in.SkipText(skipped) && in.SkipText(skipped));
  row.undo.mtimeSeconds = static_cast<std::int64_t>(seconds);
  row.undo.mtimeNanoseconds = static_cast<std::int64_t>(nanoseconds);
  row.undo.oldMtimeSeconds = static_cast<std::int64_t>(oldSeconds);
  row.undo.oldMtimeNanoseconds = static_cast<std::int64_t>(oldNanoseconds);
  return ok;
}

std::string FileRecord(const std::string& path, const TagFileUndo& undo) {
  std::string out, payload;
  PutRow(payload, path, undo);
  AppendRecord(out, 'W', payload);
  return out;
}

std::string EndRecord(std::size_t files) {
  std::string out, payload;
  PutU32(payload, static_cast<std::uint32_t>(files));
  AppendRecord(out, 'E', payload);
  return out;
}

// What is left of a damaged record, written again as a finished run.
std::string FilesRecord(const std::vector<TagRunRow>& rows) {
  std::string out, payload;
  PutU32(payload, static_cast<std::uint32_t>(rows.size()));
  for (const TagRunRow& row : rows) PutRow(payload, row.path, row.undo);
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
  bool wellFormed = true, head = false, undone = false;
  for (const Record& record : records) {
    PayloadReader in(record.payload);
    bool ok = true;
    switch (record.type) {
      case 'H': {
        RunHead read;
        ok = !head && ReadHeadRecord(record.payload, read) &&
             read.kind == static_cast<std::uint8_t>(RunKind::kTags);
        run.frontEnd = static_cast<FrontEnd>(read.frontEnd);
        run.time = static_cast<long long>(read.time);
        head = true;
        break;
      }
      case 'W': {
        TagRunRow row;
        ok = head && !run.finished && !undone && ReadRow(in, full, row);
        if (ok) run.rows.push_back(std::move(row));
        break;
      }
      case 'E': {
        std::uint32_t count = 0;
        ok = head && !run.finished && !undone && in.U32(count) && count == run.rows.size();
        run.finished = ok;
        break;
      }
      case 'T': {
        std::uint32_t count = 0;
        ok = head && !run.finished && run.rows.empty() && !undone && in.U32(count);
        for (std::uint32_t k = 0; ok && k < count; ++k) {
          TagRunRow row;
          ok = ReadRow(in, full, row);
          if (ok) run.rows.push_back(std::move(row));
        }
        run.finished = ok;
        break;
      }
      case 'X':
        ok = head;
        run.salvaged = true;
        break;
      case 'U': {
        std::uint32_t count = 0;
        ok = head && in.U32(count) && count == run.rows.size();
        std::string_view back;
        ok = ok && in.Bytes(count, back);
        for (std::size_t k = 0; ok && k < back.size(); ++k) run.rows[k].back = back[k] != 0;
        undone = true;
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
  if (!intact || !wellFormed) run.salvaged = false;
  run.damaged = !intact || !wellFormed || !head || run.salvaged;
  return run;
}

std::string RecordWriteError(const std::string& path, int error) {
  return Gb("无法写入撤消记录 ") + DecodeDiskName(path) + Gb("：") + SystemErrorText(error);
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
    case TagWriteError::kForeignLink:
      return RenameReason::kForeignLink;
    default:
      return RenameReason::kOther;
  }
}

// True when the file at `path` is the one the run wrote and has its old tags in
// place again, byte for byte: an undo killed after restoring it. Its old time is
// given back too when the kill came between the two.
bool AlreadyBack(const std::string& path, const TagFileUndo& undo) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  bool back = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_dev == undo.device &&
              st.st_ino == undo.inode;
  const auto size = static_cast<std::uint64_t>(back ? st.st_size : 0);
  auto readAt = [fd](std::uint64_t at, std::size_t n) {
    std::string bytes(n, '\0');
    const ssize_t got = ::pread(fd, bytes.data(), n, static_cast<off_t>(at));
    bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return bytes;
  };
  if (back) {
    // The old head, or (there was none) no tag where it would be.
    back = undo.oldId3v2.empty() ? readAt(0, 3) != "ID3"
                                 : size >= undo.oldId3v2.size() &&
                                       readAt(0, undo.oldId3v2.size()) == undo.oldId3v2;
  }
  if (back) {
    const std::string tail = size >= 128 ? readAt(size - 128, 128) : std::string();
    back = undo.oldId3v1.empty() ? tail.substr(0, 3) != "TAG" : tail == undo.oldId3v1;
  }
  if (back && (st.st_mtim.tv_sec != undo.oldMtimeSeconds ||
               st.st_mtim.tv_nsec != undo.oldMtimeNanoseconds)) {
    const timespec times[2] = {{0, UTIME_OMIT},
                               {static_cast<time_t>(undo.oldMtimeSeconds),
                                static_cast<long>(undo.oldMtimeNanoseconds)}};
    ::futimens(fd, times);
  }
  ::close(fd);
  return back;
}

// A run killed before it wrote its first file leaves a record of its head alone:
// nothing to undo, and nothing to list. Under the history's lock, where no run is
// between making its file and taking the file's own lock.
void DropEmptyTagRuns(const std::string& folder, const std::vector<std::uint64_t>& ids) {
  const std::size_t headOnly = 8 + HeadRecord(FrontEnd::kWindow, 0).size();
  std::string bytes;
  for (std::uint64_t id : ids) {
    struct stat st;
    if (::stat(RunFilePath(folder, id).c_str(), &st) != 0 ||
        static_cast<std::size_t>(st.st_size) != headOnly || RunFileInUse(folder, id) ||
        !ReadRunFile(folder, id, bytes))
      continue;
    bool intact = false;
    const std::vector<Record> records = ParseRecords(bytes, intact);
    const TagRun run = ParseTagRun(records, intact, false);
    if (records.size() == 1 && !run.damaged) RemoveRunFile(folder, id);
  }
}

}  // namespace

RecordedTagRun RunTagsRecorded(const std::string& stateDirectory, FrontEnd frontEnd,
                               const std::function<void(const TagFileTried&)>& run,
                               std::uint64_t maxHistoryBytes) {
  RecordedTagRun result;
  // The lock is short for a tag run (see below), but an undo or a rename run holds
  // it for as long as it takes: a run started meanwhile waits for it a little.
  std::optional<HistoryLock> lock;
  for (int attempt = 0;; ++attempt) {
    result.error.clear();
    lock.emplace();
    if (lock->Acquire(stateDirectory, result.error)) break;
    if (attempt == 100 || !lock->busy()) return result;
    ::usleep(20000);
  }
  const std::string folder = HistoryFolder(stateDirectory);
  const std::vector<std::uint64_t> ids = ListRunIds(folder);
  const std::uint64_t id = ids.empty() ? 1 : ids.back() + 1;
  DropEmptyTagRuns(folder, ids);
  RunFileWriter writer;
  if (!writer.Create(folder, id, HeadRecord(frontEnd, std::time(nullptr)), result.error,
                     kReserveAhead)) {
    RemoveRunFile(folder, id);
    return result;
  }
  // The run's own lock, taken before the history's is let go: an undo never finds
  // the file without it while the run is on.
  writer.HoldRunLock();
  lock.reset();
  result.started = true;

  std::size_t written = 0, unsyncedFiles = 0, unsyncedBytes = 0;
  std::uint64_t reservedTo = writer.size() + kReserveAhead, largest = 0;
  const std::string path = RunFilePath(folder, id);
  run([&](const std::string& file, const TagRunFile& outcome) -> std::optional<std::string> {
    if (!outcome.ok || !outcome.undo) return std::nullopt;
    if (!result.unrecorded.empty()) {  // the engine went on after the stop
      result.unrecorded.push_back(file);
      return result.error;
    }
    const std::string record = FileRecord(AbsolutePath(file), *outcome.undo);
    ++unsyncedFiles;
    unsyncedBytes += record.size();
    bool ok = writer.Append(record);
    if (ok) ++written;
    if (ok && (unsyncedFiles >= kFilesPerSync || unsyncedBytes >= kBytesPerSync)) {
      ok = writer.Sync();
      unsyncedFiles = unsyncedBytes = 0;
    }
    if (!ok) {
      // The file is changed, its undo is not on record: it is named, and the files
      // still to do are left alone.
      result.unrecorded.push_back(file);
      result.error = RecordWriteError(path, writer.error());
      return result.error;
    }
    // Room for the next file's record (as large as the largest so far, at least a
    // megabyte) and the run's end and first undo stays taken ahead of the record.
    largest = std::max<std::uint64_t>(largest, record.size());
    const std::uint64_t ahead = std::max<std::uint64_t>(kReserveAhead, 2 * largest) + written + 64;
    if (reservedTo < writer.size() + ahead) {
      std::string reserveError;
      if (!writer.Reserve(ahead, reserveError)) {
        result.error = reserveError;
        return result.error;
      }
      reservedTo = writer.size() + ahead;
    }
    return std::nullopt;
  });
  const bool lastOk = writer.ok();
  writer.AppendAndSync(EndRecord(written));
  result.recordOk = writer.ok() && lastOk && result.unrecorded.empty();
  if (!result.recordOk && result.error.empty())
    result.error = RecordWriteError(path, writer.error());
  if (written == 0 && result.unrecorded.empty()) {
    RemoveRunFile(folder, id);  // nothing changed on disk: nothing to undo
    return result;
  }
  result.runId = written > 0 ? id : 0;
  if (written == 0) RemoveRunFile(folder, id);
  // Old runs go at the next chance when another front end has the lock now.
  HistoryLock prune;
  std::string ignored;
  if (prune.Acquire(stateDirectory, ignored))
    result.dropped = DropOldRuns(folder, kHistoryRuns, maxHistoryBytes);
  return result;
}

std::vector<std::string> TagRunRecordNotes(const RecordedTagRun& run,
                                           std::uint64_t maxHistoryBytes) {
  std::vector<std::string> notes;
  for (const std::string& file : run.unrecorded)
    notes.push_back(Gb("标签已写入，但没有记入撤消历史（无法撤消）：") + DecodeDiskName(file));
  if (!run.error.empty())
    notes.push_back(Gb("撤消历史无法继续记录，操作在此停止：") + run.error);
  if (std::string warning = HistoryBoundWarning(run.dropped, maxHistoryBytes); !warning.empty())
    notes.push_back(std::move(warning));
  return notes;
}

void ListTagRun(const std::vector<Record>& records, bool intact, HistoryEntry& entry) {
  const TagRun run = ParseTagRun(records, intact, false);
  entry.kind = RunKind::kTags;
  entry.frontEnd = run.frontEnd;
  entry.time = run.time;
  entry.damaged = run.damaged;
  entry.salvaged = run.salvaged;
  entry.finished = run.finished;
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
  if (RunFileInUse(historyFolder, id)) {
    result.result = UndoResult::kFailed;
    result.error = Gb("标签写入正在进行，请稍后再试");
    return;
  }
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
  result.finished = run.finished;

  for (TagRunRow& row : run.rows) {
    if (row.back) continue;
    const TagFileStamp stamp{row.undo.device, row.undo.inode, row.undo.size,
                             row.undo.mtimeSeconds, row.undo.mtimeNanoseconds};
    // An undo killed while it moved this file's audio left its recovery record:
    // the move is finished first, which leaves the file back or as the run left it.
    FinishInterruptedTagWrite(row.path);
    TagWriteResult restored =
        RestoreTagRegions(row.path, stamp, row.undo.oldId3v2, row.undo.oldId3v1,
                          {row.undo.oldMtimeSeconds, row.undo.oldMtimeNanoseconds});
    // Not as the run left it, but as it was before: an undo killed after this file.
    if (restored.error == TagWriteError::kChangedSince && AlreadyBack(row.path, row.undo))
      restored = {};
    FileEntry e;
    const std::string diskFolder = FolderOf(row.path);
    std::string diskName = row.path.substr(diskFolder.size());
    e.folder = list.InternDiskFolder(diskFolder);
    e.SetNames(diskName, DecodeDiskName(diskName));
    if (restored) {
      row.back = true;
      e.status = EntryStatus{kSuccessIcon};
      e.EditTexts().status = Gb("撤消成功");
      ++result.counts.succeeded;
    } else {
      const RenameReason reason = ReasonOf(restored.error);
      e.status = EntryStatus{kFailureIcon, reason,
                             static_cast<std::int16_t>(reason == RenameReason::kOther ? EIO : 0)};
      e.EditTexts().status = Gb("撤消失败");
      ++result.counts.failed;
      ++result.counts.reasons[static_cast<std::size_t>(reason)];
    }
    result.namesBefore.push_back(e.DiskName());
    result.namesRestored.push_back(e.DiskName());
    list.entries.push_back(std::move(e));
  }
  result.counts.total = list.entries.size();
  result.counts.walked = list.entries.size();

  if (!run.damaged) {
    RunFileWriter writer;
    std::string ignored;
    const std::string record = BackRecord(run.rows);
    if ((!writer.OpenToAppend(historyFolder, id, result.error) ||
         !writer.Reserve(record.size(), ignored) || !writer.AppendAndSync(record)) &&
        result.error.empty())
      result.error = Gb("无法写入撤消记录 ") + DecodeDiskName(RunFilePath(historyFolder, id));
  } else {
    // The damaged file is kept beside the history; the run stays listed, as
    // damaged, with a sound record of the files it proved and which are back.
    SetDamagedRunFileAside(historyFolder, id);
    RunFileWriter writer;
    std::string salvaged;
    AppendRecord(salvaged, 'X', {});
    writer.Create(historyFolder, id,
                  HeadRecord(run.frontEnd, run.time) + FilesRecord(run.rows) + salvaged +
                      BackRecord(run.rows),
                  result.error);
  }
}

}  // namespace tessarn
