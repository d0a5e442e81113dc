// The rename plan: what each row's new name would do on disk, worked out before
// anything is renamed, and the order in which a run can give every file its name
// without ever needing a name that is still taken.
//
// A chain (a->b, b->c, c is free) runs from its free end: c first. A cycle (a swap,
// or a->b->c->a) first moves one file to a temporary name in its folder, then the
// others, then the parked file to its name. Rows in conflict are never tried.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/filelist/file_list.h"
#include "core/filelist/folder_listing.h"
#include "core/filelist/name_table.h"
#include "core/filelist/rename_reason.h"

namespace tessarn {

enum class PlanVerdict : std::uint8_t {
  kStays,      // no new name asked for (an undo of a row the run did not rename)
  kUnchanged,  // the new name is the old one, byte for byte
  kFine,       // will be renamed
  kConflict,   // will not be renamed; see the reason
};

struct PlannedRow {
  PlanVerdict verdict = PlanVerdict::kStays;
  RenameReason reason = RenameReason::kNone;
  // kFine only: the new name is the old text, its GBK bytes written anew as UTF-8.
  bool recoded = false;
};

enum class StepKind : std::uint8_t {
  kDirect,         // old name -> new name
  kToTemporary,    // old name -> the cycle's temporary name
  kFromTemporary,  // temporary name -> new name, closing the cycle
};

struct RenameStep {
  std::uint32_t entry = 0;
  StepKind kind = StepKind::kDirect;
  std::uint32_t temporary = 0;  // index into RenamePlan::temporaries for the two cycle kinds
};

struct RenamePlan {
  std::vector<PlannedRow> rows;        // entries 0..rows.size()-1
  std::vector<std::string> diskNames;  // per row: the new name as disk bytes (fine, unchanged)
  std::vector<RenameStep> steps;       // the order of the run (whole-list plans only)
  std::vector<std::string> temporaries;  // one unused name per cycle, in its folder
  // Per row: the inode of the file as the folder listing saw it (0 when unknown),
  // which tells after a crash which name a file has.
  std::vector<unsigned long long> inodes;
  std::size_t conflicts = 0;
  ReasonCounts reasons{};  // the rows in conflict by reason
  std::size_t recoded = 0;  // fine rows that only change their name's encoding
};

// What the user chose beyond the rule: whether a name the rule leaves alone but
// whose bytes are GBK is written anew as UTF-8 ("GBK文件名转为UTF-8",
// --fix-encoding). Without it such a name keeps its bytes.
struct PlanChoices {
  bool convertEncoding = false;
};

// Which entry's file has a name, over the whole list: a preview of a few rows of a
// long list asks it about the names the shown rows want that are on disk, instead
// of indexing every row on every keystroke. It is built at the first question and
// kept; its owner clears it whenever entries come, go or change their disk names.
// A stale answer is never given for a name it finds (each is checked against the
// entry); only the owner's Clear keeps "no such entry" true.
class EntryNameIndex {
 public:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  // An entry at or after `from` whose file is diskFolder + diskName, or kNone.
  std::size_t Find(const FileList& list, std::string_view diskFolder, std::string_view diskName,
                   std::size_t from);
  void Clear() { cells_.clear(); }

 private:
  void Build(const FileList& list);
  std::vector<std::uint32_t> cells_;  // entry index + 1, 0 for an empty cell
  std::size_t entries_ = 0;           // the list's size when built
};

// Plans entries 0..count-1 to their newName. Entries from `count` on are not shown
// yet: their names are taken as possibly moving, never as conflicts. No order.
// A one-off preview (the command line's) passes FolderListings(false). A window
// passes its `others` index, so that the rows not shown are never walked.
RenamePlan PlanPreview(const FileList& list, std::size_t count, FolderListings& listings,
                       EntryNameIndex* others = nullptr, PlanChoices choices = {});

// Plans every entry to its newName, with the order of the run; folders are read anew.
RenamePlan PlanRun(const FileList& list, PlanChoices choices = {});
// The same, reading a folder only when `listings` (made with keep false) holds no
// listing of it whose stamp is still the folder's: a scan that has just read the
// folder (ListFolderFilesForPlan) spares the plan a second read.
RenamePlan PlanRun(const FileList& list, FolderListings& listings, PlanChoices choices = {});

// Plans the undo of the last run: every entry with an undo name back to it, the
// others staying (kStays).
RenamePlan PlanUndo(const FileList& list);

// Marks the shown rows in conflict (the new-name cell's colour, the reason in the
// tooltip and the note column) and the rows only recoded, and clears the marks of
// the rows beyond the plan. `markedRows`: no row
// from there on beyond the plan holds a mark, so they need not be looked at.
void ShowPlanConflicts(FileList& list, const RenamePlan& plan,
                       std::size_t markedRows = static_cast<std::size_t>(-1));

// The note of a row whose name only changes its encoding (GB18030):
// "文件名编码：GBK → UTF-8".
const std::string& RecodedNoteText();

// True when the name's bytes are neither UTF-8 nor GBK, so that its shown text
// cannot be turned back into the same bytes.
bool IsUndecodableDiskName(std::string_view diskName);

}  // namespace tessarn
