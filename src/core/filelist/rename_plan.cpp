#include "core/filelist/rename_plan.h"

#include <optional>
#include <unordered_map>

#include "core/filelist/rename_run.h"
#include "core/filelist/side_by_side.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

constexpr std::uint32_t kNoRow = 0xFFFFFFFFu;
static_assert(kNoRow == ListingNameIndex::kNone, "a name not on disk has no row there either");

// How many rows ahead a loop over the rows fetches the slot it will need (see
// NameTable::Prefetch).
constexpr std::size_t kAhead = 8;

// Every name of one folder that the plan meets: who has it now and who wants it.
struct Slot {
  std::uint32_t source = kNoRow;  // the first entry that has this name now
  std::uint32_t target = kNoRow;  // the first fine entry that wants it
  std::uint32_t disk = kNoRow;    // its index in the listing (fresh listings only)
};
using Slots = NameTable<Slot>;

struct Folder {
  const FolderListing* listing = nullptr;  // null when unreadable: nothing known
  bool diskInSlots = false;  // the listing's names are in `slots` (a run's own listing)
  std::size_t rows = 0;      // entries of the list in this folder
  Slots slots;

  void Prefetch(std::string_view name) const {
    slots.Prefetch(name);
    if (!diskInSlots && listing != nullptr) listing->names.Prefetch(name);
  }
  // The slot of `name`; a new one learns from a kept listing whether the name is
  // on disk.
  Slot& SlotFor(std::string_view name) {
    bool added;
    Slot& slot = slots.Insert(name, added);
    if (added && !diskInSlots && listing != nullptr)
      slot.disk = listing->IndexOf(name);  // kNoRow when not on disk
    return slot;
  }
};

// What the caller asks of entry i: to stay, or to get the name in `disk` (or
// failing that, the reason).
struct Wish {
  PlanVerdict verdict = PlanVerdict::kStays;
  RenameReason reason = RenameReason::kNone;
};

void SetConflict(RenamePlan& plan, std::size_t i, RenameReason reason) {
  plan.rows[i] = PlannedRow{PlanVerdict::kConflict, reason};
}

// The planner shared by preview, run and undo. `wish(i, disk)` says what entry i
// wants and fills disk with the new name's bytes.
template <typename WishFn>
RenamePlan Plan(const FileList& list, std::size_t count, FolderListings& listings,
                bool othersMayMove, bool withOrder, WishFn wish, EntryNameIndex* others = nullptr) {
  // A run reads its folders anew and alone; a window's preview keeps them.
  const bool freshListings = !listings.keeps();
  RenamePlan plan;
  const std::size_t n = list.count();
  count = std::min(count, n);
  plan.rows.resize(count);
  plan.diskNames.resize(count);  // never resized again: the slots point into them
  plan.inodes.assign(count, 0);

  // Folders, mostly in runs of one. A preview looks only at the shown rows, and at
  // the others when it meets a name they might hold.
  std::vector<Folder> folders;
  std::unordered_map<std::string_view, std::uint32_t> folderIds;
  // Sized for the rows looked at: a preview of 40 rows of a million-row list must
  // not clear a million cells.
  const std::size_t indexed = othersMayMove ? count : n;
  std::vector<std::uint32_t> folderOf(indexed);
  std::string_view lastFolder;
  std::uint32_t lastId = 0;
  auto findFolders = [&](std::size_t first, std::size_t last) {
    for (std::size_t i = first; i < last; ++i) {
      const FileEntry& e = list.entries[i];
      if (folders.empty() || list.DiskFolder(e) != lastFolder) {
        const auto [it, added] =
            folderIds.try_emplace(list.DiskFolder(e), static_cast<std::uint32_t>(folders.size()));
        if (added) folders.emplace_back().listing = listings.Get(list.DiskFolder(e));
        lastFolder = list.DiskFolder(e);
        lastId = it->second;
      }
      folderOf[i] = lastId;
      ++folders[lastId].rows;
    }
  };
  findFolders(0, indexed);
  // Room for the names on disk and the old names.
  auto prepare = [&](Folder& folder) {
    if (folder.diskInSlots) return;
    const std::size_t onDisk = folder.listing ? folder.listing->inodes.size() : 0;
    folder.slots.Reserve((freshListings ? onDisk : 0) + folder.rows + 16);
    if (folder.listing && freshListings) {
      // One table for everything the plan asks about this folder's names.
      folder.diskInSlots = true;
      ForEachNameAhead(
          *folder.listing, [&](std::string_view name) { folder.slots.Prefetch(name); },
          [&](std::string_view name, std::uint32_t k) { folder.slots[name].disk = k; });
    }
  };

  // Who has which name now; where on disk (the slot's `disk`, kept per row so that
  // the rows' loop below need not visit the slots again).
  std::vector<Slot*> from(indexed, nullptr), to(count, nullptr);
  std::vector<std::uint32_t> diskOf(indexed, kNoRow);
  std::vector<char> listedTwice(count, 0);
  auto indexSources = [&](std::size_t first, std::size_t last) {
    for (std::size_t i = first; i < last; ++i) {
      if (i + kAhead < last)
        folders[folderOf[i + kAhead]].Prefetch(list.entries[i + kAhead].DiskName());
      Slot& slot = folders[folderOf[i]].SlotFor(list.entries[i].DiskName());
      from[i] = &slot;
      diskOf[i] = slot.disk;
      if (slot.source == kNoRow)
        slot.source = static_cast<std::uint32_t>(i);
      else if (i < count)
        listedTwice[i] = 1;  // the same file in a second row
    }
  };

  // The tables of the names on disk and of the old names, and what each planned row
  // wants: neither needs the other, so a long list has them made side by side.
  RunSideBySide(
      count >= kSideBySideFrom,
      [&] {
        for (Folder& folder : folders) prepare(folder);
        indexSources(0, indexed);
      },
      [&] {
        for (std::size_t i = 0; i < count; ++i) {
          const Wish w = wish(i, plan.diskNames[i]);
          plan.rows[i] = PlannedRow{w.verdict, w.reason};
        }
      });

  // What can be told from each row's own names.
  for (std::size_t i = 0; i < count; ++i) {
    PlannedRow& row = plan.rows[i];
    if (row.verdict == PlanVerdict::kStays || row.verdict == PlanVerdict::kConflict) continue;
    const Folder& folder = folders[folderOf[i]];
    if (listedTwice[i])
      SetConflict(plan, i, RenameReason::kDuplicate);
    else if (folder.listing && diskOf[i] == kNoRow)
      SetConflict(plan, i, RenameReason::kMissing);
    else if (row.verdict == PlanVerdict::kFine && folder.listing &&
             plan.diskNames[i].size() > folder.listing->maxName)
      SetConflict(plan, i, RenameReason::kTooLong);
    if (row.verdict == PlanVerdict::kFine && folder.listing)
      plan.inodes[i] = folder.listing->inodes[diskOf[i]];
  }

  // Room for the new names too; the old names' slots are found again if that
  // moved them.
  bool moved = false;
  for (Folder& folder : folders)
    moved |= folder.slots.Reserve(folder.slots.size() + folder.rows + 16);
  if (moved)
    for (std::size_t i = 0; i < indexed; ++i)
      from[i] = folders[folderOf[i]].slots.Find(list.entries[i].DiskName());

  // Two rows wanting one name: neither gets it.
  bool onDiskUnknownHolder = false;
  for (std::size_t i = 0; i < count; ++i) {
    if (i + kAhead < count && plan.rows[i + kAhead].verdict == PlanVerdict::kFine)
      folders[folderOf[i + kAhead]].Prefetch(plan.diskNames[i + kAhead]);
    if (plan.rows[i].verdict != PlanVerdict::kFine) continue;
    Slot& slot = folders[folderOf[i]].SlotFor(plan.diskNames[i]);
    to[i] = &slot;
    if (slot.target == kNoRow) {
      slot.target = static_cast<std::uint32_t>(i);
    } else {
      SetConflict(plan, slot.target, RenameReason::kDuplicate);
      SetConflict(plan, i, RenameReason::kDuplicate);
    }
    if (slot.source == kNoRow && slot.disk != kNoRow) onDiskUnknownHolder = true;
  }
  if (onDiskUnknownHolder && indexed < n && others != nullptr) {
    // A wanted name is on disk: perhaps held by a row not shown, which may move.
    // The index knows without walking those rows.
    for (std::size_t i = 0; i < count; ++i) {
      if (plan.rows[i].verdict != PlanVerdict::kFine) continue;
      if (to[i]->source != kNoRow || to[i]->disk == kNoRow) continue;
      const std::size_t holder =
          others->Find(list, list.DiskFolder(list.entries[i]), plan.diskNames[i], count);
      if (holder != EntryNameIndex::kNone) to[i]->source = static_cast<std::uint32_t>(holder);
    }
  } else if (onDiskUnknownHolder && indexed < n) {
    // A wanted name is on disk: perhaps held by a row not shown, which may move.
    folderOf.resize(n);
    from.resize(n, nullptr);
    diskOf.resize(n, kNoRow);
    findFolders(indexed, n);
    for (Folder& folder : folders) {
      prepare(folder);
      folder.slots.Reserve(folder.slots.size() + folder.rows + 16);
    }
    indexSources(indexed, n);
    for (std::size_t i = 0; i < count; ++i) {  // the tables may have moved
      from[i] = folders[folderOf[i]].slots.Find(list.entries[i].DiskName());
      if (to[i]) to[i] = folders[folderOf[i]].slots.Find(plan.diskNames[i]);
    }
    for (std::size_t i = count; i < n; ++i)
      from[i] = folders[folderOf[i]].slots.Find(list.entries[i].DiskName());
  }

  // A wanted name must be free once the run is over: not kept by a row that stays,
  // not held by a file outside the list.
  for (std::size_t i = 0; i < count; ++i) {
    if (i + kAhead < count && to[i + kAhead]) __builtin_prefetch(to[i + kAhead]);
    if (plan.rows[i].verdict != PlanVerdict::kFine) continue;
    const std::uint32_t holder = to[i]->source;
    if (holder == kNoRow) {
      if (to[i]->disk != kNoRow) SetConflict(plan, i, RenameReason::kTargetExists);
    } else if (holder >= count) {
      if (!othersMayMove) SetConflict(plan, i, RenameReason::kTargetExists);
    } else if (plan.rows[holder].verdict == PlanVerdict::kUnchanged) {
      // The other row keeps this very name: two rows end with one name.
      SetConflict(plan, i, RenameReason::kDuplicate);
    } else if (plan.rows[holder].verdict != PlanVerdict::kFine) {
      SetConflict(plan, i, RenameReason::kTargetExists);
    }
  }

  // A row that will not move keeps its name taken: whoever wanted that name cannot
  // have it either, and so on down the chain.
  std::vector<std::uint32_t> work;
  for (std::size_t i = 0; i < count; ++i)
    if (plan.rows[i].verdict == PlanVerdict::kConflict)
      work.push_back(static_cast<std::uint32_t>(i));
  while (!work.empty()) {
    const std::uint32_t j = work.back();
    work.pop_back();
    const Slot& slot = *from[j];
    if (slot.source != j || slot.target == kNoRow) continue;
    if (plan.rows[slot.target].verdict != PlanVerdict::kFine) continue;
    SetConflict(plan, slot.target, RenameReason::kTargetExists);
    work.push_back(slot.target);
  }
  for (const PlannedRow& row : plan.rows)
    if (row.verdict == PlanVerdict::kConflict) ++plan.conflicts;
  if (!withOrder) return plan;

  // The order: follow each chain to its free end, run it backwards; a chain that
  // comes back to its start is a cycle and goes through a temporary name.
  std::vector<char> scheduled(count, 0);
  std::vector<std::uint32_t> path;
  unsigned long temporaryNumber = 0;
  const std::string pid = std::to_string(CurrentProcessId());
  plan.steps.reserve(count);
  for (std::size_t start = 0; start < count; ++start) {
    if (start + kAhead < count && to[start + kAhead]) __builtin_prefetch(to[start + kAhead]);
    if (plan.rows[start].verdict != PlanVerdict::kFine || scheduled[start]) continue;
    path.clear();
    path.push_back(static_cast<std::uint32_t>(start));
    bool cycle = false;
    for (std::uint32_t cur = static_cast<std::uint32_t>(start);;) {
      const std::uint32_t next = to[cur]->source;
      if (next == start) {
        cycle = true;
        break;
      }
      if (next == kNoRow || next >= count || plan.rows[next].verdict != PlanVerdict::kFine ||
          scheduled[next])
        break;
      path.push_back(next);
      cur = next;
    }
    for (std::uint32_t r : path) scheduled[r] = 1;
    if (!cycle) {
      for (auto it = path.rbegin(); it != path.rend(); ++it) plan.steps.push_back({*it});
      continue;
    }
    // A name that no file of the folder has and no row wants.
    Folder& folder = folders[folderOf[start]];
    std::string temporary;
    do {
      temporary = ".tessarn-" + pid + "-" + std::to_string(temporaryNumber++) + ".tmp";
    } while (folder.slots.Find(temporary) ||
             (folder.listing && !folder.diskInSlots && folder.listing->Has(temporary)));
    const auto t = static_cast<std::uint32_t>(plan.temporaries.size());
    plan.temporaries.push_back(std::move(temporary));
    plan.steps.push_back({path[0], StepKind::kToTemporary, t});
    for (std::size_t k = path.size(); k-- > 1;) plan.steps.push_back({path[k]});
    plan.steps.push_back({path[0], StepKind::kFromTemporary, t});
  }
  return plan;
}

// The new name of entry i for a run or a preview. The names of an entry a few rows
// ahead are fetched meanwhile: a long list's names are scattered over the heap.
// A rule that names files from their metadata leaves the new name of a file that
// has none empty, with a tag status that starts with the reason: the row fails for
// that reason, not as an empty (invalid) name.
bool LacksMetadata(const FileEntry& e) {
  static const std::string reason = ReasonText(RenameReason::kNoMetadata);
  return e.texts().tagStatus.str().starts_with(reason);
}

Wish NewNameWish(const FileList& list, std::size_t i, std::string& disk) {
  if (i + kAhead < list.entries.size()) {
    const FileEntry& ahead = list.entries[i + kAhead];
    __builtin_prefetch(ahead.newName.data());
    __builtin_prefetch(ahead.DiskName().data());
  }
  const FileEntry& e = list.entries[i];
  if (IsUndecodableDiskName(e.DiskName())) {
    // Its text is only an approximation of its bytes: leave it alone unless the
    // rule changed it, and then say why it cannot be done.
    if (e.newName == e.oldName) {
      disk = e.DiskName();
      return {PlanVerdict::kUnchanged};
    }
    return {PlanVerdict::kConflict, RenameReason::kUndecodable};
  }
  if (e.newName.empty() && LacksMetadata(e)) return {PlanVerdict::kConflict, RenameReason::kNoMetadata};
  std::optional<std::string> name = DiskNameFor(e.newName);
  if (!name) return {PlanVerdict::kConflict, RenameReason::kInvalidName};
  disk = *std::move(name);
  return {disk == e.DiskName() ? PlanVerdict::kUnchanged : PlanVerdict::kFine};
}

}  // namespace

bool IsUndecodableDiskName(std::string_view diskName) {
  return !IsValidUtf8(diskName) && !IsValidGbk(diskName);
}

RenamePlan PlanPreview(const FileList& list, std::size_t count, FolderListings& listings,
                       EntryNameIndex* others) {
  return Plan(
      list, count, listings, true, false,
      [&](std::size_t i, std::string& disk) { return NewNameWish(list, i, disk); }, others);
}

namespace {
std::uint64_t EntryFileHash(std::string_view diskFolder, std::string_view diskName) {
  return HashName(diskName) ^ (HashName(diskFolder) * 0x9E3779B97F4A7C15ull);
}
}  // namespace

void EntryNameIndex::Build(const FileList& list) {
  const std::size_t n = list.count();
  std::size_t cap = 16;
  while (cap < n * 2) cap *= 2;
  cells_.assign(cap, 0);
  entries_ = n;
  const std::size_t mask = cap - 1;
  // Entries come in runs of one folder: its hash is worked out once per run.
  std::uint32_t lastFolder = 0;
  std::uint64_t folderHash = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const FileEntry& e = list.entries[i];
    if (i == 0 || e.folder != lastFolder) {
      folderHash = HashName(list.DiskFolder(e)) * 0x9E3779B97F4A7C15ull;
      lastFolder = e.folder;
    }
    std::size_t k = (HashName(e.DiskName()) ^ folderHash) & mask;
    while (cells_[k] != 0) k = (k + 1) & mask;
    cells_[k] = static_cast<std::uint32_t>(i + 1);
  }
}

std::size_t EntryNameIndex::Find(const FileList& list, std::string_view diskFolder,
                                 std::string_view diskName, std::size_t from) {
  if (cells_.empty() || entries_ != list.count()) Build(list);
  const std::size_t mask = cells_.size() - 1;
  for (std::size_t k = EntryFileHash(diskFolder, diskName) & mask; cells_[k] != 0;
       k = (k + 1) & mask) {
    const std::size_t i = cells_[k] - 1;
    if (i < from || i >= list.count()) continue;
    const FileEntry& e = list.entries[i];
    if (e.DiskName() == diskName && list.DiskFolder(e) == diskFolder) return i;
  }
  return kNone;
}

RenamePlan PlanRun(const FileList& list) {
  FolderListings fresh(false);
  return PlanRun(list, fresh);
}

RenamePlan PlanRun(const FileList& list, FolderListings& listings) {
  return Plan(list, list.count(), listings, false, true,
              [&](std::size_t i, std::string& disk) { return NewNameWish(list, i, disk); });
}

RenamePlan PlanUndo(const FileList& list) {
  FolderListings fresh(false);
  return Plan(list, list.count(), fresh, false, true, [&](std::size_t i, std::string& disk) {
    const FileEntry& e = list.entries[i];
    const EntryTexts& t = e.texts();
    if (t.undoName.empty() && t.diskUndoName.empty()) return Wish{PlanVerdict::kStays};
    if (!t.diskUndoName.empty()) {
      disk = t.diskUndoName;
    } else if (auto name = DiskNameFor(t.undoName)) {
      disk = *std::move(name);
    } else {
      return Wish{PlanVerdict::kConflict, RenameReason::kInvalidName};
    }
    return Wish{disk == e.DiskName() ? PlanVerdict::kUnchanged : PlanVerdict::kFine};
  });
}

void ShowPlanConflicts(FileList& list, const RenamePlan& plan, std::size_t markedRows) {
  const std::size_t rows = std::min(list.RowCount(), std::max(plan.rows.size(), markedRows));
  std::size_t first = rows, last = 0;
  for (std::size_t r = 0; r < rows; ++r) {
    RowMark mark;
    if (r < plan.rows.size() && plan.rows[r].verdict == PlanVerdict::kConflict)
      mark = RowMark{plan.rows[r].reason, 0, true};
    if (list.Row(r).mark == mark) continue;
    list.SetRowMark(r, mark);
    first = std::min(first, r);
    last = r;
  }
  if (first < rows) list.NotifyRowsChanged(first, last);
}

}  // namespace tessarn
