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
};
using Slots = std::unordered_map<std::string_view, Slot>;

struct Folder {
  const FolderListing* listing = nullptr;  // null when unreadable: nothing known
  Slots slots;
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
                bool othersMayMove, bool withOrder, WishFn wish) {
  RenamePlan plan;
  const std::size_t n = list.count();
  count = std::min(count, n);
  plan.rows.resize(count);
  plan.diskNames.resize(count);  // never resized again: the slots point into them
  plan.inodes.assign(count, 0);

  // Folders, mostly in runs of one, and who has which name now.
  std::vector<Folder> folders;
  std::unordered_map<std::string_view, std::uint32_t> folderIds;
  std::vector<std::uint32_t> folderOf(n);
  std::vector<char> listedTwice(count, 0);
  std::string_view lastFolder;
  std::uint32_t lastId = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const FileEntry& e = list.entries[i];
    if (folders.empty() || e.diskFolder != lastFolder) {
      const auto [it, added] =
          folderIds.try_emplace(e.diskFolder, static_cast<std::uint32_t>(folders.size()));
      if (added) {
        folders.emplace_back().listing = listings.Get(e.diskFolder);
        if (folders.back().listing) folders.back().slots.reserve(folders.back().listing->names.size() + 16);
      }
      lastFolder = e.diskFolder;
      lastId = it->second;
    }
    folderOf[i] = lastId;
    Slot& slot = folders[lastId].slots[e.diskName];
    if (slot.source == kNoRow)
      slot.source = static_cast<std::uint32_t>(i);
    else if (i < count)
      listedTwice[i] = 1;  // the same file in a second row
  }

  // What each planned row wants, and what can be told from its own names.
  for (std::size_t i = 0; i < count; ++i) {
    const FileEntry& e = list.entries[i];
    const Wish w = wish(i, plan.diskNames[i]);
    PlannedRow& row = plan.rows[i];
    row = PlannedRow{w.verdict, w.reason};
    if (row.verdict == PlanVerdict::kStays || row.verdict == PlanVerdict::kConflict) continue;
    const Folder& folder = folders[folderOf[i]];
    if (listedTwice[i])
      SetConflict(plan, i, RenameReason::kDuplicate);
    else if (folder.listing && !folder.listing->Has(e.diskName))
      SetConflict(plan, i, RenameReason::kMissing);
    else if (row.verdict == PlanVerdict::kFine && folder.listing &&
             plan.diskNames[i].size() > folder.listing->maxName)
      SetConflict(plan, i, RenameReason::kTooLong);
    if (folder.listing && row.verdict == PlanVerdict::kFine)
      plan.inodes[i] = folder.listing->names.find(e.diskName)->second;
  }

  // Two rows wanting one name: neither gets it.
  for (std::size_t i = 0; i < count; ++i) {
    if (plan.rows[i].verdict != PlanVerdict::kFine) continue;
    Slot& slot = folders[folderOf[i]].slots[plan.diskNames[i]];
    if (slot.target == kNoRow) {
      slot.target = static_cast<std::uint32_t>(i);
    } else {
      SetConflict(plan, slot.target, RenameReason::kDuplicate);
      SetConflict(plan, i, RenameReason::kDuplicate);
    }
  }

  // A wanted name must be free once the run is over: not kept by a row that stays,
  // not held by a file outside the list.
  for (std::size_t i = 0; i < count; ++i) {
    if (plan.rows[i].verdict != PlanVerdict::kFine) continue;
    const Folder& folder = folders[folderOf[i]];
    const Slot& slot = folder.slots.find(plan.diskNames[i])->second;
    const std::uint32_t holder = slot.source;
    if (holder == kNoRow) {
      if (folder.listing && folder.listing->Has(plan.diskNames[i]))
        SetConflict(plan, i, RenameReason::kTargetExists);
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
    const Slot& slot = folders[folderOf[j]].slots.find(list.entries[j].diskName)->second;
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
      const Slot& slot = folders[folderOf[cur]].slots.find(plan.diskNames[cur])->second;
      const std::uint32_t next = slot.source;
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
    } while (folder.slots.count(temporary) || (folder.listing && folder.listing->Has(temporary)));
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
  if (IsUndecodableDiskName(e.diskName)) {
    // Its text is only an approximation of its bytes: leave it alone unless the
    // rule changed it, and then say why it cannot be done.
    if (e.newName == e.oldName) {
      disk = e.diskName;
      return {PlanVerdict::kUnchanged};
    }
    return {PlanVerdict::kConflict, RenameReason::kUndecodable};
  }
  std::optional<std::string> name = DiskNameFor(e.newName);
  if (!name) return {PlanVerdict::kConflict, RenameReason::kInvalidName};
  disk = *std::move(name);
  return {disk == e.diskName ? PlanVerdict::kUnchanged : PlanVerdict::kFine};
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
  std::vector<unsigned long long> inodes;
  if (!ListFolderNames(diskFolder, [&](std::string_view name, unsigned long long inode) {
        listing->bytes.append(name);
        listing->bytes.push_back('\0');
        inodes.push_back(inode);
      }))
    return nullptr;
  // Only now that the bytes no longer move can the map point into them.
  listing->names.reserve(inodes.size());
  const std::string_view all = listing->bytes;
  std::size_t k = 0;
  for (std::size_t pos = 0; pos < all.size(); ++k) {
    const std::size_t end = all.find('\0', pos);
    listing->names.emplace(all.substr(pos, end - pos), inodes[k]);
    pos = end + 1;
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
  FolderListings fresh;
  return Plan(list, list.count(), fresh, false, true,
              [&](std::size_t i, std::string& disk) { return NewNameWish(list.entries[i], disk); });
}

RenamePlan PlanUndo(const FileList& list) {
  FolderListings fresh;
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
    return Wish{disk == e.diskName ? PlanVerdict::kUnchanged : PlanVerdict::kFine};
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
