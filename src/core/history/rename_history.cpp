#include "core/history/rename_history.h"

#include <ctime>
#include <string_view>
#include <unordered_map>

#include "core/filelist/file_identity.h"
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
  std::vector<std::string> undoTemporaries;  // names undos meant to park the file under
  std::uint64_t inode = 0;
  FileMarks marks;
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
  bool undoStarted = false;  // a V record: an undo may have moved files since the last U
};

FullIdentity RowIdentity(const ParsedRun& run, const RunRow& row) {
  return FullIdentity{run.devices[row.folder], row.inode, row.marks};
}

void PutMarks(std::string& out, const FileMarks& marks) {
  PutU8(out, marks.known);
  PutU64(out, static_cast<std::uint64_t>(marks.birthSeconds));
  PutU32(out, marks.birthNanoseconds);
  PutU32(out, marks.generation);
  PutU32(out, marks.owner);
}

bool ReadMarks(PayloadReader& in, FileMarks& marks) {
  std::uint64_t seconds = 0;
  const bool ok = in.U8(marks.known) && in.U64(seconds) && in.U32(marks.birthNanoseconds) &&
                  in.U32(marks.generation) && in.U32(marks.owner);
  marks.birthSeconds = static_cast<std::int64_t>(seconds);
  return ok;
}

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
  run.undoStarted = false;
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
      case 'M': {
        std::uint32_t count = 0;
        ok = in.U32(count) && run.haveIntent && count == run.rows.size();
        for (std::uint32_t k = 0; ok && k < count; ++k) ok = ReadMarks(in, run.rows[k].marks);
        break;
      }
      case 'E': {
        std::uint32_t renamed = 0;
        ok = in.U32(renamed);
        run.entry.finished = ok;
        break;
      }
      case 'V': {
        std::uint32_t count = 0;
        ok = in.U32(count) && run.haveIntent;
        for (std::uint32_t k = 0; ok && k < count; ++k) {
          std::uint32_t row = 0;
          std::string name;
          ok = in.U32(row) && in.Text(name) && row < run.rows.size();
          if (ok && names) run.rows[row].undoTemporaries.push_back(std::move(name));
        }
        run.undoStarted = ok;
        break;
      }
      case 'X':
        run.entry.salvaged = true;
        break;
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
  if (!intact || !wellFormed) run.entry.salvaged = false;
  run.entry.damaged = !intact || !wellFormed || !run.haveIntent || run.entry.salvaged;
  // Past a damaged record anything may have happened: only rows an intact outcome
  // or undo record speaks for keep their state, the disk decides the others.
  if (run.entry.damaged && !run.entry.salvaged)
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

// The records written before the first rename: head, folders, rows, their files'
// identities, order. `identities` gets each row's file as it is now, which every
// rename of the run checks against right before it moves the file.
std::string IntentRecords(const FileList& list, const RenamePlan& plan, FrontEnd frontEnd,
                          std::vector<std::uint32_t>& rowOfEntry,
                          std::vector<FullIdentity>& identities) {
  std::string out, payload;
  AppendHeadRecord(out, static_cast<std::uint8_t>(RunKind::kRename),
                   static_cast<std::uint8_t>(frontEnd),
                   static_cast<std::uint64_t>(std::time(nullptr)));

  // Folders once each, rows refer to them by number. A list comes from few
  // folders, mostly in runs, so remembering the last one saves most lookups.
  std::unordered_map<std::string_view, std::uint32_t> folderIds;
  std::vector<std::string_view> folders;
  std::string folderPayload;
  std::string_view lastFolder;
  std::uint32_t last = 0;
  auto folderOf = [&](std::size_t i) {
    const std::string& diskFolder = list.DiskFolder(list.entries[i]);
    if (folders.empty() || diskFolder != lastFolder) {
      auto it = folderIds.find(diskFolder);
      if (it == folderIds.end()) {
        it = folderIds.emplace(diskFolder, static_cast<std::uint32_t>(folders.size())).first;
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
  // pass finds the folders, the room and each file's identity (one statx each, on
  // the held folder: the listing's inode alone cannot tell a reused one).
  std::size_t rowBytes = 4;
  identities.clear();
  HeldFolder held;
  for (std::size_t i = 0; i < list.entries.size() && i < plan.rows.size(); ++i) {
    if (plan.rows[i].verdict != PlanVerdict::kFine) continue;
    folderOf(i);
    const FileEntry& e = list.entries[i];
    FullIdentity identity;
    ReadFullIdentityAt(held.Get(list.DiskFolder(e)), e.DiskName(), identity);
    identities.push_back(identity);
    rowBytes += 4 + 4 + e.DiskName().size() + 4 + plan.diskNames[i].size() + 8;
  }
  payload.clear();
  PutU32(payload, static_cast<std::uint32_t>(folders.size()));
  payload += folderPayload;
  AppendRecord(out, 'F', payload);

  out.reserve(out.size() + 9 + rowBytes + 13 + identities.size() * 21 + 9 + 4 +
              plan.steps.size() * 5);
  const std::size_t rowsFrame = BeginRecord(out, 'I');
  const std::size_t countAt = out.size();
  PutU32(out, 0);  // the count, known at the end
  std::uint32_t rowCount = 0;
  rowOfEntry.assign(list.entries.size(), UINT32_MAX);
  for (std::size_t i = 0; i < list.entries.size() && i < plan.rows.size(); ++i) {
    if (plan.rows[i].verdict != PlanVerdict::kFine) continue;
    const FileEntry& e = list.entries[i];
    PutU32(out, folderOf(i));
    PutText(out, e.DiskName());
    PutText(out, plan.diskNames[i]);
    PutU64(out, identities[rowCount].inode);
    rowOfEntry[i] = rowCount++;
  }
  std::string count;
  PutU32(count, rowCount);
  out.replace(countAt, 4, count);
  EndRecord(out, rowsFrame);

  const std::size_t marksFrame = BeginRecord(out, 'M');
  PutU32(out, rowCount);
  for (const FullIdentity& identity : identities) PutMarks(out, identity.marks);
  EndRecord(out, marksFrame);

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

// The room the records after the intent may take: the run's batches and end, and
// its first undo's own steps and outcome, at the longest names they can have.
std::uint64_t LaterRecordsBytes(const RenamePlan& plan, std::size_t rows, std::size_t batch) {
  std::uint64_t longest = 0;
  for (std::size_t i = 0; i < plan.diskNames.size() && i < plan.rows.size(); ++i)
    if (plan.rows[i].verdict == PlanVerdict::kFine)
      longest += std::max<std::uint64_t>(plan.diskNames[i].size(), 64);
  const std::uint64_t batches = plan.steps.size() / std::max<std::size_t>(batch, 1) + 2;
  const std::uint64_t outcomes = plan.steps.size() + batches * 40 + 16;
  const std::uint64_t undoSteps = 16 + rows * (8 + 64);
  const std::uint64_t undoState = 16 + rows * 4 + longest;
  return outcomes + undoSteps + undoState + 4096;
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
  PutU32(payload, static_cast<std::uint32_t>(run.rows.size()));
  for (const RunRow& row : run.rows) PutMarks(payload, row.marks);
  AppendRecord(out, 'M', payload);
  payload.clear();
  PutU32(payload, 0);
  AppendRecord(out, 'O', payload);
  payload.clear();
  PutU32(payload, static_cast<std::uint32_t>(run.entry.renamed));
  AppendRecord(out, 'E', payload);
  AppendRecord(out, 'X', {});
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
    if (!ParseRunFile(folder, *it, run, false, bytes)) continue;
    run.entry.bytes = RunFileBytes(folder, *it);
    entries.push_back(run.entry);
  }
  return entries;
}

std::string HistoryBoundWarning(const DroppedRuns& dropped, std::uint64_t maxHistoryBytes) {
  if (dropped.forSize == 0 && !dropped.newestOverBound) return {};
  const std::string bound = ByteSizeText(maxHistoryBytes);
  if (dropped.newestOverBound)
    return Gb("这次操作的撤消记录大于撤消历史的大小上限（") + bound + Gb("），") +
           (dropped.count > 0 ? Gb("更早的 ") + std::to_string(dropped.count) +
                                    Gb(" 次操作已从撤消历史中删除，无法再撤消")
                              : Gb("撤消历史中只保留这一次操作"));
  return Gb("撤消历史超过大小上限（") + bound + Gb("），最早的 ") +
         std::to_string(dropped.forSize) + Gb(" 次操作已从撤消历史中删除");
}

RecordedRun RunRenameRecorded(const std::string& stateDirectory, FileList& list, UndoLog& undo,
                              const RenamePlan& plan, FrontEnd frontEnd, const RenameHooks& hooks,
                              std::uint64_t maxHistoryBytes) {
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
  std::vector<FullIdentity> identities;
  RunFileWriter writer;
  const std::string intent = IntentRecords(list, plan, frontEnd, rowOfEntry, identities);
  if (!writer.Create(folder, id, intent, result.error,
                     LaterRecordsBytes(plan, identities.size(), hooks.batchSize)))
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
  // The name must still hold the file the record names: another process (another
  // user in a shared folder) may have moved another file there since the plan.
  recorded.checkSource = [&](std::size_t entry, int folderFd, const std::string& name) {
    if (hooks.checkSource && !hooks.checkSource(entry, folderFd, name)) return false;
    if (entry >= rowOfEntry.size() || rowOfEntry[entry] == UINT32_MAX) return true;
    FullIdentity now;
    if (folderFd >= 0)
      ReadFullIdentityAt(folderFd, name, now);
    else
      ReadFullIdentity(list.DiskFolder(list.entries[entry]) + name, now);
    // A file missing now fails on its own at the rename.
    return now.inode == 0 || SameFile(identities[rowOfEntry[entry]], now);
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
    result.dropped = DropOldRuns(folder, kHistoryRuns, maxHistoryBytes);
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

  // Where each file is now, proven by its identity: under the name the record
  // gives, a name the run or an undo killed half-way may have parked it under, or
  // back under its old name.
  std::vector<std::size_t> entryOfRow(run.rows.size(), SIZE_MAX);
  std::vector<std::size_t> rowOfEntry;
  std::vector<std::size_t> replaced;  // list entries that fail as replaced
  HeldFolder held;
  for (std::size_t r = 0; r < run.rows.size(); ++r) {
    RunRow& row = run.rows[r];
    if (row.state == RowState::kOld && !run.undoStarted) continue;
    const std::string& dir = run.folders[row.folder];
    const int dirFd = held.Get(dir);
    const FullIdentity recorded = RowIdentity(run, row);
    auto holds = [&](const std::string& name) {
      FullIdentity now;
      return !name.empty() && ReadFullIdentityAt(dirFd, dirFd >= 0 ? name : dir + name, now) &&
             SameFile(recorded, now);
    };
    std::vector<const std::string*> candidates;
    if (row.state == RowState::kAt) {
      candidates.push_back(&row.current);
    } else if (row.state == RowState::kUnknown) {
      candidates.push_back(&row.newName);
      if (!row.temporary.empty()) candidates.push_back(&row.temporary);
    }
    for (const std::string& name : row.undoTemporaries) candidates.push_back(&name);
    const std::string* found = nullptr;
    for (const std::string* name : candidates)
      if (found == nullptr && holds(*name)) found = name;
    if (found == nullptr && (row.state == RowState::kOld || holds(row.oldName))) {
      row.state = RowState::kOld;  // back already (an undo cut short), or never renamed
      continue;
    }
    FileEntry e;
    e.folder = list.InternDiskFolder(dir);
    if (found != nullptr) {
      row.current = *found;
      row.state = RowState::kAt;
      e.SetNames(row.oldName, DecodeDiskName(row.oldName));
      e.KeepNamesForUndo();
    } else if (row.state == RowState::kUnknown) {
      row.state = RowState::kOld;  // never renamed
      continue;
    } else {
      replaced.push_back(list.entries.size());  // another file has the name: leave it alone
    }
    e.SetNames(row.current, DecodeDiskName(row.current));
    entryOfRow[r] = list.entries.size();
    rowOfEntry.push_back(r);
    result.namesBefore.push_back(e.DiskName());
    result.namesRestored.push_back(row.oldName);
    list.entries.push_back(std::move(e));
  }

  // The undo's own steps are on record before its first rename: the temporary
  // names its cycles use, so that an undo killed half-way is finished by the next.
  const RenamePlan plan = PlanUndo(list);
  std::string undoSteps, payload;
  std::uint32_t parked = 0;
  for (const RenameStep& step : plan.steps)
    if (step.kind == StepKind::kToTemporary) {
      PutU32(payload, static_cast<std::uint32_t>(rowOfEntry[step.entry]));
      PutText(payload, plan.temporaries[step.temporary]);
      ++parked;
    }
  std::string counted;
  PutU32(counted, parked);
  AppendRecord(undoSteps, 'V', counted + payload);
  RunFileWriter writer;
  std::string recordError;
  bool recording = false;
  if (!run.entry.damaged) {
    recording = writer.OpenToAppend(folder, run.entry.id, recordError);
  } else {
    // The damaged file is kept beside the history; the run stays listed, as
    // damaged, with a sound record of what it proved, which this undo goes on.
    SetDamagedRunFileAside(folder, run.entry.id);
    recording = writer.Create(folder, run.entry.id, FreshRecords(run), recordError);
  }
  // Room for what this undo writes; the run took it for its first undo already.
  std::uint64_t stateBytes = 16;
  for (const RunRow& row : run.rows)
    stateBytes += 4 + std::max(row.current.size(), row.newName.size());
  if (!recording || !writer.Reserve(undoSteps.size() + stateBytes, recordError) ||
      !writer.AppendAndSync(undoSteps)) {
    result.result = UndoResult::kFailed;
    result.error = !recordError.empty() ? recordError
                                        : Gb("无法写入撤消记录 ") +
                                              DecodeDiskName(RunFilePath(folder, run.entry.id));
    list.Clear();
    result.namesBefore.clear();
    result.namesRestored.clear();
    return result;
  }

  UndoLog undo;
  undo.available = true;
  RenameHooks checked = hooks;
  // Right before each file goes back, its name must still hold it.
  checked.checkSource = [&](std::size_t entry, int folderFd, const std::string& name) {
    if (hooks.checkSource && !hooks.checkSource(entry, folderFd, name)) return false;
    const RunRow& row = run.rows[rowOfEntry[entry]];
    FullIdentity now;
    if (folderFd >= 0)
      ReadFullIdentityAt(folderFd, name, now);
    else
      ReadFullIdentity(run.folders[row.folder] + name, now);
    return now.inode == 0 || SameFile(RowIdentity(run, row), now);
  };
  result.counts = UndoLastRun(list, undo, plan, checked);
  for (std::size_t i : replaced) {
    SetRowStatus(list, i, Gb("撤消失败"), EntryStatus{kFailureIcon, RenameReason::kReplaced, 0});
    ++result.counts.failed;
    ++result.counts.reasons[static_cast<std::size_t>(RenameReason::kReplaced)];
  }

  // What is left, for the next try.
  for (std::size_t r = 0; r < run.rows.size(); ++r) {
    if (entryOfRow[r] == SIZE_MAX) continue;
    const FileEntry& e = list.entries[entryOfRow[r]];
    RunRow& row = run.rows[r];
    if (e.status.icon == kSuccessIcon) {
      row.state = RowState::kOld;
    } else {
      row.state = RowState::kAt;
      row.current = e.DiskName();  // the undo may have left it under a temporary name
    }
  }
  if (!writer.AppendAndSync(UndoStateRecord(run.rows)) && result.error.empty())
    result.error = Gb("无法写入撤消记录 ") + DecodeDiskName(RunFilePath(folder, run.entry.id));
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
    static const std::string kRestored = Gb("撤消成功");
    const EntryStatus status = from != nullptr ? from->status : EntryStatus{kSuccessIcon};
    const std::string statusText = from != nullptr ? from->texts().status.str() : kRestored;
    if (status.icon == kSuccessIcon) {
      entry.RestoreUndoNames();
    } else {
      entry.SetNames(from->DiskName(), from->oldName);
      left = true;
    }
    list.SetCellText(i, kOldNameColumn, entry.oldName);
    SetRowStatus(list, i, statusText, status);
  }
  if (!list.entries.empty()) list.NotifyRowsChanged(0, list.entries.size() - 1);
  undo.available = left;
}

void FollowUndoInList(const FileList& undone, const RecordedUndo& outcome, FileList& list) {
  std::unordered_map<std::string, std::size_t> byPath;
  for (std::size_t k = 0; k < undone.entries.size() && k < outcome.namesBefore.size(); ++k)
    if (undone.entries[k].status.icon == kSuccessIcon)
      byPath.emplace(undone.DiskFolder(undone.entries[k]) + outcome.namesBefore[k], k);
  if (byPath.empty()) return;
  bool changed = false;
  for (std::size_t i = 0; i < list.entries.size(); ++i) {
    const auto found = byPath.find(list.DiskPath(i));
    if (found == byPath.end()) continue;
    const std::string& restored = outcome.namesRestored[found->second];
    list.entries[i].SetNames(restored, DecodeDiskName(restored));
    list.SetCellText(i, kOldNameColumn, list.entries[i].oldName);
    changed = true;
  }
  if (changed) list.NotifyRowsChanged(0, list.entries.size() - 1);
}

}  // namespace tessarn
