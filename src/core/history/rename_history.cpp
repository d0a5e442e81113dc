#include "core/history/rename_history.h"

#include <ctime>
#include <string_view>
#include <unordered_map>

#include "core/history/history_store.h"
#include "core/history/tag_history.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

enum class RowState : std::uint8_t {
  kOld,      // under its old name: never renamed, or back
  kAt,       // under `current`
  kUnknown,  // no intact record says: the disk decides
};

struct RunRow {
  std::uint32_t folder = 0;
  std::string oldName, newName, temporary, current;
  std::uint64_t inode = 0;
  RowState state = RowState::kOld;
  bool proven = false;   // an outcome or undo record gives the state
  bool renamed = false;  // the run's outcome record says it left the old name
};

struct ParsedRun {
  HistoryEntry entry;
  std::vector<std::string> folders;
  std::vector<std::uint64_t> devices;
  std::vector<RunRow> rows;
  bool haveIntent = false;
};

constexpr char kOutcomeOld = 0, kOutcomeTemporary = 1, kOutcomeNew = 2;

// Reads a run file's records into its rows and their states. Never touches the
// disk beyond the file itself. Without `names` (a listing of the history) the rows
// get their states only, which spares an allocation or two per file.
// `run` is filled anew; its vectors keep their room, so that a listing reading run
// after run into one ParsedRun does not ask the system for fresh memory each time.
void ParseRun(std::uint64_t id, std::string_view bytes, bool names, ParsedRun& run) {
  // A text read in full, or only stepped over: an undo record's name is then a
  // placeholder telling whether there was one.
  auto text = [names](PayloadReader& in, std::string& out) {
    if (names) return in.Text(out);
    std::uint32_t length = 0;
    if (!in.SkipText(length)) return false;
    if (length > 0) out.assign(1, '?');
    return true;
  };
  run.entry = HistoryEntry{};
  run.entry.id = id;
  run.folders.clear();
  run.devices.clear();
  run.rows.clear();
  run.haveIntent = false;
  bool intact = false;
  const std::vector<Record> records = ParseRecords(bytes, intact);
  std::vector<std::uint32_t> stepRows;
  bool wellFormed = true;
  for (const Record& record : records) {
    PayloadReader in(record.payload);
    bool ok = true;
    switch (record.type) {
      case 'H': {
        RunHead head;
        ok = ReadHeadRecord(record.payload, head);
        const std::uint8_t kind = head.kind;
        run.entry.kind = static_cast<RunKind>(kind);
        run.entry.frontEnd = static_cast<FrontEnd>(head.frontEnd);
        run.entry.time = static_cast<long long>(head.time);
        if (ok && kind == static_cast<std::uint8_t>(RunKind::kTags)) {
          ListTagRun(records, intact, run.entry);
          return;
        }
        // Another kind of run has records of its own, which are not read here: it
        // is listed, but neither damaged nor anything for a rename undo to do.
        if (ok && kind != static_cast<std::uint8_t>(RunKind::kRename)) {
          run.entry.otherKind = true;
          return;
        }
        break;
      }
      case 'F': {
        std::uint32_t count = 0;
        ok = in.U32(count);
        for (std::uint32_t k = 0; ok && k < count; ++k) {
          std::string folder;
          std::uint64_t device = 0;
          ok = in.Text(folder) && in.U64(device);
          run.folders.push_back(std::move(folder));
          run.devices.push_back(device);
        }
        break;
      }
      case 'I': {
        std::uint32_t count = 0;
        ok = in.U32(count) && !run.haveIntent;
        for (std::uint32_t k = 0; ok && k < count; ++k) {
          RunRow row;
          ok = in.U32(row.folder) && text(in, row.oldName) && text(in, row.newName) &&
               in.U64(row.inode) && row.folder < run.folders.size();
          run.rows.push_back(std::move(row));
        }
        run.haveIntent = ok;
        break;
      }
      case 'O': {
        std::uint32_t count = 0;
        ok = in.U32(count) && run.haveIntent;
        for (std::uint32_t k = 0; ok && k < count; ++k) {
          std::uint32_t row = 0;
          std::uint8_t kind = 0;
          ok = in.U32(row) && in.U8(kind) && row < run.rows.size();
          if (ok && kind == static_cast<std::uint8_t>(StepKind::kToTemporary))
            ok = text(in, run.rows[row].temporary);
          stepRows.push_back(row);
        }
        break;
      }
      case 'B': {
        std::uint32_t first = 0, last = 0;
        ok = in.U32(first) && in.U32(last) && first <= last && last < stepRows.size();
        for (std::uint32_t k = first; ok && k <= last; ++k)
          run.rows[stepRows[k]].state = RowState::kUnknown;
        break;
      }
      case 'R': {
        std::uint32_t first = 0, last = 0;
        std::string_view where;
        ok = in.U32(first) && in.U32(last) && first <= last && last < stepRows.size() &&
             in.Bytes(std::size_t{last} - first + 1, where);
        for (std::size_t k = 0; ok && k < where.size(); ++k) {
          RunRow& row = run.rows[stepRows[first + k]];
          row.proven = true;
          row.renamed = where[k] != kOutcomeOld;
          if (where[k] == kOutcomeNew) {
            row.state = RowState::kAt;
            row.current = row.newName;
          } else if (where[k] == kOutcomeTemporary) {
            row.state = RowState::kAt;
            row.current = row.temporary;
          } else {
            row.state = RowState::kOld;
          }
        }
        break;
      }
      case 'E': {
        std::uint32_t renamed = 0;
        ok = in.U32(renamed);
        run.entry.finished = ok;
        break;
      }
      case 'U': {
        std::uint32_t count = 0;
        ok = in.U32(count) && count == run.rows.size();
        for (std::uint32_t k = 0; ok && k < count; ++k) {
          RunRow& row = run.rows[k];
          row.current.clear();
          ok = text(in, row.current);
          if (!ok) break;
          // A row under a name is one the run renamed, even if no outcome said so.
          if (!row.current.empty()) row.renamed = true;
          row.state = row.current.empty() ? RowState::kOld : RowState::kAt;
          row.proven = true;
        }
        break;
      }
      default:
        ok = false;  // a type this version does not know
        break;
    }
    if (!ok) {
      wellFormed = false;
      break;
    }
  }
  run.entry.damaged = !intact || !wellFormed || !run.haveIntent;
  // Past a damaged record anything may have happened: only rows an intact outcome
  // or undo record speaks for keep their state, the disk decides the others.
  if (run.entry.damaged)
    for (RunRow& row : run.rows)
      if (!row.proven) row.state = RowState::kUnknown;
  if (!run.folders.empty()) run.entry.firstFolder = run.folders.front();
  run.entry.folders = run.folders.size();
  for (const RunRow& row : run.rows) {
    if (row.renamed || row.state == RowState::kUnknown) ++run.entry.renamed;
    if (row.state != RowState::kOld) ++run.entry.left;
  }
}

// `bytes` is the caller's, reused from file to file.
bool ParseRunFile(const std::string& historyFolder, std::uint64_t id, ParsedRun& run, bool names,
                  std::string& bytes) {
  if (!ReadRunFile(historyFolder, id, bytes)) return false;
  ParseRun(id, bytes, names, run);
  return true;
}

// The records written before the first rename: head, folders, rows, order.
std::string IntentRecords(const FileList& list, const RenamePlan& plan, FrontEnd frontEnd,
                          std::vector<std::uint32_t>& rowOfEntry) {
  std::string out, payload;
  AppendHeadRecord(out, static_cast<std::uint8_t>(RunKind::kRename),
                   static_cast<std::uint8_t>(frontEnd),
                   static_cast<std::uint64_t>(std::time(nullptr)));

  // Folders once each, rows refer to them by number. A list comes from few
  // folders, mostly in runs, so remembering the last one saves most lookups.
  // The listing's inode is checked once per folder against the file itself: where
  // the two differ (some layered file systems), every file of the folder is asked.
  struct Folder {
    std::uint32_t id;
    bool listingAgrees;
  };
  std::unordered_map<std::string_view, Folder> folderIds;
  std::vector<std::string_view> folders;
  std::string folderPayload;
  std::string_view lastFolder;
  Folder last{0, true};
  auto folderOf = [&](std::size_t i) {
    const FileEntry& e = list.entries[i];
    const std::string& diskFolder = list.DiskFolder(e);
    if (folders.empty() || diskFolder != lastFolder) {
      auto it = folderIds.find(diskFolder);
      if (it == folderIds.end()) {
        const unsigned long long listed = i < plan.inodes.size() ? plan.inodes[i] : 0;
        const bool agrees = listed != 0 && IdentityOf(diskFolder + e.DiskName()).inode == listed;
        it = folderIds
                 .emplace(diskFolder, Folder{static_cast<std::uint32_t>(folders.size()), agrees})
                 .first;
        folders.push_back(diskFolder);
        PutText(folderPayload, diskFolder);
        PutU64(folderPayload, IdentityOf(diskFolder).device);
      }
      lastFolder = diskFolder;
      last = it->second;
    }
    return last;
  };

  // The rows' record is the bulk of the file: it is written in place after the
  // folders', its room taken once, not grown and copied along the way. A first
  // pass finds the folders and the room.
  std::size_t rowBytes = 4;
  for (std::size_t i = 0; i < list.entries.size() && i < plan.rows.size(); ++i) {
    if (plan.rows[i].verdict != PlanVerdict::kFine) continue;
    folderOf(i);
    rowBytes += 4 + 4 + list.entries[i].DiskName().size() + 4 + plan.diskNames[i].size() + 8;
  }
  payload.clear();
  PutU32(payload, static_cast<std::uint32_t>(folders.size()));
  payload += folderPayload;
  AppendRecord(out, 'F', payload);

  out.reserve(out.size() + 9 + rowBytes + 9 + 4 + plan.steps.size() * 5);
  const std::size_t rowsFrame = BeginRecord(out, 'I');
  const std::size_t countAt = out.size();
  PutU32(out, 0);  // the count, known at the end
  std::uint32_t rowCount = 0;
  rowOfEntry.assign(list.entries.size(), UINT32_MAX);
  for (std::size_t i = 0; i < list.entries.size() && i < plan.rows.size(); ++i) {
    if (plan.rows[i].verdict != PlanVerdict::kFine) continue;
    const FileEntry& e = list.entries[i];
    const Folder folder = folderOf(i);
    const unsigned long long listed = i < plan.inodes.size() ? plan.inodes[i] : 0;
    const unsigned long long inode = folder.listingAgrees && listed != 0
                                         ? listed
                                         : IdentityOf(list.DiskFolder(e) + e.DiskName()).inode;
    PutU32(out, folder.id);
    PutText(out, e.DiskName());
    PutText(out, plan.diskNames[i]);
    PutU64(out, inode);
    rowOfEntry[i] = rowCount++;
  }
  std::string count;
  PutU32(count, rowCount);
  out.replace(countAt, 4, count);
  EndRecord(out, rowsFrame);

  const std::size_t orderFrame = BeginRecord(out, 'O');
  PutU32(out, static_cast<std::uint32_t>(plan.steps.size()));
  for (const RenameStep& step : plan.steps) {
    PutU32(out, rowOfEntry[step.entry]);
    PutU8(out, static_cast<std::uint8_t>(step.kind));
    if (step.kind == StepKind::kToTemporary) PutText(out, plan.temporaries[step.temporary]);
  }
  EndRecord(out, orderFrame);
  return out;
}

char OutcomeByte(FileAt where) {
  switch (where) {
    case FileAt::kOldName:
      return kOutcomeOld;
    case FileAt::kTemporary:
      return kOutcomeTemporary;
    case FileAt::kNewName:
      return kOutcomeNew;
  }
  return kOutcomeOld;
}

void AppendOutcome(std::string& out, std::size_t first, std::size_t last,
                   const std::vector<char>& outcomes) {
  std::string payload;
  PutU32(payload, static_cast<std::uint32_t>(first));
  PutU32(payload, static_cast<std::uint32_t>(last));
  payload.append(outcomes.data() + first, last - first + 1);
  AppendRecord(out, 'R', payload);
}

std::string UndoStateRecord(const std::vector<RunRow>& rows) {
  std::string payload, out;
  PutU32(payload, static_cast<std::uint32_t>(rows.size()));
  for (const RunRow& row : rows) PutText(payload, row.state == RowState::kOld ? "" : row.current);
  AppendRecord(out, 'U', payload);
  return out;
}

// A damaged run's fresh record: what is still to undo, as a finished run.
std::string FreshRecords(const ParsedRun& run) {
  std::string out, payload;
  AppendHeadRecord(out, static_cast<std::uint8_t>(RunKind::kRename),
                   static_cast<std::uint8_t>(run.entry.frontEnd),
                   static_cast<std::uint64_t>(run.entry.time));
  PutU32(payload, static_cast<std::uint32_t>(run.folders.size()));
  for (std::size_t f = 0; f < run.folders.size(); ++f) {
    PutText(payload, run.folders[f]);
    PutU64(payload, run.devices[f]);
  }
  AppendRecord(out, 'F', payload);
  payload.clear();
  PutU32(payload, static_cast<std::uint32_t>(run.rows.size()));
  for (const RunRow& row : run.rows) {
    PutU32(payload, row.folder);
    PutText(payload, row.oldName);
    PutText(payload, row.newName);
    PutU64(payload, row.inode);
  }
  AppendRecord(out, 'I', payload);
  payload.clear();
  PutU32(payload, 0);
  AppendRecord(out, 'O', payload);
  payload.clear();
  PutU32(payload, static_cast<std::uint32_t>(run.entry.renamed));
  AppendRecord(out, 'E', payload);
  out += UndoStateRecord(run.rows);
  return out;
}

std::uint64_t NextRunId(const std::string& historyFolder) {
  const std::vector<std::uint64_t> ids = ListRunIds(historyFolder);
  return ids.empty() ? 1 : ids.back() + 1;
}

}  // namespace

std::vector<HistoryEntry> ReadHistory(const std::string& stateDirectory) {
  std::vector<HistoryEntry> entries;
  if (stateDirectory.empty()) return entries;
  const std::string folder = HistoryFolder(stateDirectory);
  const std::vector<std::uint64_t> ids = ListRunIds(folder);
  ParsedRun run;
  std::string bytes;
  for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
    if (ParseRunFile(folder, *it, run, false, bytes)) entries.push_back(run.entry);
  }
  return entries;
}

RecordedRun RunRenameRecorded(const std::string& stateDirectory, FileList& list, UndoLog& undo,
                              const RenamePlan& plan, FrontEnd frontEnd, const RenameHooks& hooks) {
  RecordedRun result;
  bool renames = false;
  for (const PlannedRow& row : plan.rows) renames = renames || row.verdict == PlanVerdict::kFine;
  if (!renames) {
    // Nothing on disk changes: the history stays as it was.
    result.started = true;
    result.counts = RunRename(list, undo, plan, hooks);
    return result;
  }

  HistoryLock lock;
  if (!lock.Acquire(stateDirectory, result.error)) return result;
  const std::string folder = HistoryFolder(stateDirectory);
  const std::uint64_t id = NextRunId(folder);
  std::vector<std::uint32_t> rowOfEntry;
  RunFileWriter writer;
  if (!writer.Create(folder, id, IntentRecords(list, plan, frontEnd, rowOfEntry), result.error))
    return result;
  result.started = true;

  std::vector<char> outcomes(plan.steps.size(), kOutcomeOld);
  bool batchOpen = false;
  std::size_t batchFirst = 0, batchLast = 0;
  RenameHooks recorded = hooks;
  recorded.beforeBatch = [&](std::size_t first, std::size_t last) {
    if (hooks.beforeBatch && !hooks.beforeBatch(first, last)) return false;
    std::string out, payload;
    if (batchOpen) AppendOutcome(out, batchFirst, batchLast, outcomes);
    PutU32(payload, static_cast<std::uint32_t>(first));
    PutU32(payload, static_cast<std::uint32_t>(last));
    AppendRecord(out, 'B', payload);
    batchOpen = true;
    batchFirst = first;
    batchLast = last;
    return writer.AppendAndSync(out);
  };
  recorded.afterStep = [&](std::size_t step, FileAt where) {
    if (step < outcomes.size()) outcomes[step] = OutcomeByte(where);
    if (hooks.afterStep) hooks.afterStep(step, where);
  };
  result.counts = RunRename(list, undo, plan, recorded);

  // A row's last step says where its file is; a file left parked needs its undo too.
  std::vector<char> left(rowOfEntry.size(), 0);
  std::size_t renamed = 0;
  for (std::size_t k = 0; k < plan.steps.size(); ++k)
    left[plan.steps[k].entry] = outcomes[k] != kOutcomeOld;
  for (char l : left) renamed += l != 0;
  std::string out, payload;
  if (batchOpen) AppendOutcome(out, batchFirst, batchLast, outcomes);
  PutU32(payload, static_cast<std::uint32_t>(renamed));
  AppendRecord(out, 'E', payload);
  writer.AppendAndSync(out);
  result.recordOk = writer.ok();
  if (renamed == 0 && result.recordOk) {
    RemoveRunFile(folder, id);  // nothing to undo: the history stays as it was
  } else {
    result.runId = id;
    DropOldRuns(folder, kHistoryRuns);
  }
  return result;
}

RecordedUndo UndoRecordedRun(const std::string& stateDirectory, std::uint64_t runId, FileList& list,
                             const RenameHooks& hooks) {
  RecordedUndo result;
  list.Clear();
  HistoryLock lock;
  if (!lock.Acquire(stateDirectory, result.error)) return result;
  const std::string folder = HistoryFolder(stateDirectory);

  // Runs are undone newest first: the one asked for must have no newer run left.
  const std::vector<HistoryEntry> history = ReadHistory(stateDirectory);
  const HistoryEntry* target = nullptr;
  bool newerLeft = false;
  for (const HistoryEntry& entry : history) {
    if (runId == 0 ? !entry.undone() : entry.id == runId) {
      target = &entry;
      break;
    }
    if (!entry.undone()) newerLeft = true;
  }
  if (target == nullptr) {
    result.result = runId == 0 ? UndoResult::kNothingToUndo : UndoResult::kNoSuchRun;
    return result;
  }
  result.runId = target->id;
  if (newerLeft) {
    result.result = UndoResult::kNewerRunsFirst;
    return result;
  }
  if (target->undone()) {
    result.result = UndoResult::kAlreadyUndone;
    return result;
  }
  if (target->kind == RunKind::kTags) {
    UndoTagRun(folder, target->id, list, result);
    return result;
  }
  ParsedRun run;
  std::string bytes;
  if (!ParseRunFile(folder, target->id, run, true, bytes)) {
    result.error = Gb("无法读取撤消记录 ") + DecodeDiskName(RunFilePath(folder, target->id));
    return result;
  }
  result.result = UndoResult::kDone;
  result.damaged = run.entry.damaged;
  result.finished = run.entry.finished;

  // Where each file is now, proven by its device and inode.
  std::vector<std::size_t> entryOfRow(run.rows.size(), SIZE_MAX);
  std::vector<std::size_t> replaced;  // list entries that fail as replaced
  for (std::size_t r = 0; r < run.rows.size(); ++r) {
    RunRow& row = run.rows[r];
    if (row.state == RowState::kOld) continue;
    const std::string& dir = run.folders[row.folder];
    const FileIdentity recorded{run.devices[row.folder], row.inode};
    std::vector<const std::string*> candidates;
    if (row.state == RowState::kAt) {
      candidates.push_back(&row.current);
    } else {
      candidates.push_back(&row.newName);
      if (!row.temporary.empty()) candidates.push_back(&row.temporary);
    }
    const std::string* found = nullptr;
    for (const std::string* name : candidates)
      if (IdentityOf(dir + *name) == recorded) found = name;
    FileEntry e;
    e.folder = list.InternDiskFolder(dir);
    if (found != nullptr) {
      row.current = *found;
      row.state = RowState::kAt;
      e.SetNames(row.oldName, DecodeDiskName(row.oldName));
      e.KeepNamesForUndo();
    } else if (IdentityOf(dir + row.oldName) == recorded || row.state == RowState::kUnknown) {
      row.state = RowState::kOld;  // back already (an undo cut short), or never renamed
      continue;
    } else {
      replaced.push_back(list.entries.size());  // another file has the name: leave it alone
    }
    e.SetNames(row.current, DecodeDiskName(row.current));
    entryOfRow[r] = list.entries.size();
    result.namesBefore.push_back(e.DiskName());
    result.namesRestored.push_back(row.oldName);
    list.entries.push_back(std::move(e));
  }

  UndoLog undo;
  undo.available = true;
  result.counts = UndoLastRun(list, undo, hooks);
  for (std::size_t i : replaced) {
    SetRowStatus(list, i, EntryStatus{RowOutcome::kRestoreFailed, RenameReason::kReplaced, 0});
    ++result.counts.failed;
    ++result.counts.reasons[static_cast<std::size_t>(RenameReason::kReplaced)];
  }

  // What is left, for the next try.
  for (std::size_t r = 0; r < run.rows.size(); ++r) {
    if (entryOfRow[r] == SIZE_MAX) continue;
    const FileEntry& e = list.entries[entryOfRow[r]];
    RunRow& row = run.rows[r];
    if (Succeeded(e.status.outcome)) {
      row.state = RowState::kOld;
    } else {
      row.state = RowState::kAt;
      row.current = e.DiskName();  // the undo may have left it under a temporary name
    }
  }
  std::size_t left = 0;
  for (const RunRow& row : run.rows) left += row.state != RowState::kOld;
  if (!run.entry.damaged) {
    RunFileWriter writer;
    if (!writer.OpenToAppend(folder, run.entry.id, result.error) ||
        !writer.AppendAndSync(UndoStateRecord(run.rows)))
      if (result.error.empty())
        result.error = Gb("无法写入撤消记录 ") + DecodeDiskName(RunFilePath(folder, run.entry.id));
  } else {
    // The damaged file is kept beside the history; what is left gets a sound record.
    SetDamagedRunFileAside(folder, run.entry.id);
    if (left > 0) {
      RunFileWriter writer;
      writer.Create(folder, run.entry.id, FreshRecords(run), result.error);
    }
  }
  return result;
}

void ApplyUndoToList(const FileList& undone, const RecordedUndo& outcome, FileList& list,
                     UndoLog& undo) {
  std::unordered_map<std::string, std::size_t> byPath;
  for (std::size_t k = 0; k < undone.entries.size() && k < outcome.namesBefore.size(); ++k)
    byPath.emplace(undone.DiskFolder(undone.entries[k]) + outcome.namesBefore[k], k);
  bool left = false;
  for (std::size_t i = 0; i < list.entries.size(); ++i) {
    FileEntry& entry = list.entries[i];
    if (entry.texts().diskUndoName.empty()) continue;
    // A row the undo did not list is one the history knows to be back already.
    const auto found = byPath.find(list.DiskPath(entry));
    const FileEntry* from = found != byPath.end() ? &undone.entries[found->second] : nullptr;
    const EntryStatus status =
        from != nullptr ? from->status : EntryStatus{RowOutcome::kRestored};
    if (Succeeded(status.outcome)) {
      entry.RestoreUndoNames();
    } else {
      entry.SetNames(from->DiskName(), from->oldName);
      left = true;
    }
    list.SetCellText(i, kOldNameColumn, entry.oldName);
    SetRowStatus(list, i, status);
  }
  if (!list.entries.empty()) list.NotifyRowsChanged(0, list.entries.size() - 1);
  undo.available = left;
}

}  // namespace tessarn
