#include "core/filelist/rename_plan.h"

#include <optional>

#include "core/filelist/rename_run.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

constexpr std::uint32_t kNoRow = 0xFFFFFFFFu;

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

  // The slot of `name`; a new one learns from a kept listing whether the name is
  // on disk.
  Slot& SlotFor(std::string_view name) {
    bool added;
    Slot& slot = slots.Insert(name, added);
    if (added && !diskInSlots && listing != nullptr)
      if (const std::uint32_t* k = listing->names.Find(name)) slot.disk = *k;
    return slot;
  }
};

// Calls onName(name, k) for the k-th name of a listing.
template <typename Fn>
void ForEachName(const FolderListing& listing, Fn onName) {
  const std::string_view all = listing.bytes;
  std::uint32_t k = 0;
  for (std::size_t pos = 0; pos < all.size(); ++k) {
    const std::size_t end = all.find('\0', pos);
    onName(all.substr(pos, end - pos), k);
    pos = end + 1;
  }
}

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
                bool othersMayMove, bool withOrder, WishFn wish) {
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
  std::vector<std::uint32_t> folderOf(n);
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
  const std::size_t indexed = othersMayMove ? count : n;
  findFolders(0, indexed);
  // Room for the names on disk and the old names.
  auto prepare = [&](Folder& folder) {
    if (folder.diskInSlots) return;
    const std::size_t onDisk = folder.listing ? folder.listing->inodes.size() : 0;
    folder.slots.Reserve((freshListings ? onDisk : 0) + folder.rows + 16);
    if (folder.listing && freshListings) {
      // One table for everything the plan asks about this folder's names.
      folder.diskInSlots = true;
      ForEachName(*folder.listing,
                  [&](std::string_view name, std::uint32_t k) { folder.slots[name].disk = k; });
    }
  };
  for (Folder& folder : folders) prepare(folder);

  // Who has which name now.
  std::vector<Slot*> from(n, nullptr), to(count, nullptr);
  std::vector<char> listedTwice(count, 0);
  auto indexSources = [&](std::size_t first, std::size_t last) {
    for (std::size_t i = first; i < last; ++i) {
      Slot& slot = folders[folderOf[i]].SlotFor(list.entries[i].DiskName());
      from[i] = &slot;
      if (slot.source == kNoRow)
        slot.source = static_cast<std::uint32_t>(i);
      else if (i < count)
        listedTwice[i] = 1;  // the same file in a second row
    }
  };
  indexSources(0, indexed);

  // What each planned row wants, and what can be told from its own names.
  for (std::size_t i = 0; i < count; ++i) {
    const Wish w = wish(i, plan.diskNames[i]);
    PlannedRow& row = plan.rows[i];
    row = PlannedRow{w.verdict, w.reason};
    if (row.verdict == PlanVerdict::kStays || row.verdict == PlanVerdict::kConflict) continue;
    const Folder& folder = folders[folderOf[i]];
    if (listedTwice[i])
      SetConflict(plan, i, RenameReason::kDuplicate);
    else if (folder.listing && from[i]->disk == kNoRow)
      SetConflict(plan, i, RenameReason::kMissing);
    else if (row.verdict == PlanVerdict::kFine && folder.listing &&
             plan.diskNames[i].size() > folder.listing->maxName)
      SetConflict(plan, i, RenameReason::kTooLong);
    if (row.verdict == PlanVerdict::kFine && folder.listing)
      plan.inodes[i] = folder.listing->inodes[from[i]->disk];
  }

  // Room for the new names too; the old names' slots are found again if that
  // moved them.
  bool moved = false;
  for (Folder& folder : folders) moved |= folder.slots.Reserve(folder.slots.size() + folder.rows + 16);
  if (moved)
    for (std::size_t i = 0; i < indexed; ++i)
      from[i] = folders[folderOf[i]].slots.Find(list.entries[i].DiskName());

  // Two rows wanting one name: neither gets it.
  bool onDiskUnknownHolder = false;
  for (std::size_t i = 0; i < count; ++i) {
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
  if (onDiskUnknownHolder && indexed < n) {
    // A wanted name is on disk: perhaps held by a row not shown, which may move.
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
    if (plan.rows[i].verdict == PlanVerdict::kConflict) work.push_back(static_cast<std::uint32_t>(i));
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

// The new name of entry i for a run or a preview.
Wish NewNameWish(const FileEntry& e, std::string& disk) {
  if (IsUndecodableDiskName(e.DiskName())) {
    // Its text is only an approximation of its bytes: leave it alone unless the
    // rule changed it, and then say why it cannot be done.
    if (e.newName == e.oldName) {
      disk = e.DiskName();
      return {PlanVerdict::kUnchanged};
    }
    return {PlanVerdict::kConflict, RenameReason::kUndecodable};
  }
  std::optional<std::string> name = DiskNameFor(e.newName);
  if (!name) return {PlanVerdict::kConflict, RenameReason::kInvalidName};
  disk = *std::move(name);
  return {disk == e.DiskName() ? PlanVerdict::kUnchanged : PlanVerdict::kFine};
}

}  // namespace

const FolderListing* FolderListings::Get(const std::string& diskFolder) {
  FolderStamp stamp;
  if (!ReadFolderStamp(diskFolder, stamp)) return nullptr;
  std::unique_ptr<FolderListing>& kept = folders_[diskFolder];
  if (kept && kept->stamp == stamp) return kept.get();
  auto listing = std::make_unique<FolderListing>();
  listing->stamp = stamp;
  listing->maxName = MaxNameLength(diskFolder);
  if (!ListFolderNames(diskFolder, [&](std::string_view name, unsigned long long inode) {
        listing->bytes.append(name);
        listing->bytes.push_back('\0');
        listing->inodes.push_back(inode);
      }))
    return nullptr;
  if (keep_) {
    // Only now that the bytes no longer move can the table point into them.
    listing->names.Reserve(listing->inodes.size());
    ForEachName(*listing, [&](std::string_view name, std::uint32_t k) { listing->names[name] = k; });
  }
  kept = std::move(listing);
  return kept.get();
}

bool IsUndecodableDiskName(std::string_view diskName) {
  return !IsValidUtf8(diskName) && !IsValidGbk(diskName);
}

RenamePlan PlanPreview(const FileList& list, std::size_t count, FolderListings& listings) {
  return Plan(list, count, listings, true, false,
              [&](std::size_t i, std::string& disk) { return NewNameWish(list.entries[i], disk); });
}

RenamePlan PlanRun(const FileList& list) {
  FolderListings fresh(false);
  return Plan(list, list.count(), fresh, false, true,
              [&](std::size_t i, std::string& disk) { return NewNameWish(list.entries[i], disk); });
}

RenamePlan PlanUndo(const FileList& list) {
  FolderListings fresh(false);
  return Plan(list, list.count(), fresh, false, true, [&](std::size_t i, std::string& disk) {
    const FileEntry& e = list.entries[i];
    if (e.undoName.empty() && e.diskUndoName.empty()) return Wish{PlanVerdict::kStays};
    if (!e.diskUndoName.empty()) {
      disk = e.diskUndoName;
    } else if (auto name = DiskNameFor(e.undoName)) {
      disk = *std::move(name);
    } else {
      return Wish{PlanVerdict::kConflict, RenameReason::kInvalidName};
    }
    return Wish{disk == e.DiskName() ? PlanVerdict::kUnchanged : PlanVerdict::kFine};
  });
}

void ShowPlanConflicts(FileList& list, const RenamePlan& plan) {
  const std::size_t rows = list.RowCount();
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
