// The undo record of `tessarn-cli rename`, kept on disk so that `tessarn-cli undo`
// works from a later process, also after a run that was killed half-way.
//
// One file, $XDG_STATE_HOME/Tessarn/undo-journal (default ~/.local/state/...),
// replaced by every run and removed by the undo. Paths are stored as lengths and
// raw bytes, so any name the file system allows survives the round trip.
//
// Layout: the magic "TSNJRNL2", then records of one type byte and a payload;
// numbers are 32-bit little-endian (inodes 64-bit), texts a number of bytes then
// the bytes:
//   'F' id text        a folder (raw bytes, ending with "/")
//   'I' count, count x (folder id, old name, new name, inode)
//                      the intent of the whole run, in list order; written before
//                      the first file is renamed. An empty new name is not renamed.
//   'O' count, count x (entry, kind, [temporary name when kind is 1])
//                      the order of the renames: kind 0 old -> new, 1 old ->
//                      temporary, 2 temporary -> new (a cycle goes through one)
//   'B' first last     steps first..last are about to start
//   'R' first last, one byte per step: where its file then is (0 old name,
//                      1 temporary name, 2 new name)
//   'E'                the run finished
// A record cut short by a crash is ignored. For the steps of the last batch that
// started without an outcome, the disk says where each file is: under the name
// that has its inode now; steps after it were never tried.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/filelist/file_list.h"
#include "core/filelist/rename_run.h"

namespace tessarn::cli {

// $XDG_STATE_HOME/Tessarn, or ~/.local/state/Tessarn; empty when neither is known.
std::string JournalDirectory();

// Holds the journal folder's lock: one rename or undo at a time.
class JournalLock {
 public:
  JournalLock() = default;
  ~JournalLock();
  JournalLock(const JournalLock&) = delete;
  JournalLock& operator=(const JournalLock&) = delete;
  // Creates the folder when missing. False with a UTF-8 message when the folder
  // cannot be made or another process holds the lock.
  bool Acquire(const std::string& directory, std::string& error);

 private:
  int fd_ = -1;
};

// Written by a rename run, in this order: Begin, Intent, then BatchStarting before
// each batch, Finish at the end.
class JournalWriter {
 public:
  JournalWriter() = default;
  ~JournalWriter();
  JournalWriter(const JournalWriter&) = delete;
  JournalWriter& operator=(const JournalWriter&) = delete;

  // Replaces the previous journal with an empty one. False with a message on failure.
  bool Begin(const std::string& directory, std::string& error);
  // The intent of every entry (disk folder, disk name, the new name the plan
  // renames it to) and the plan's order of steps.
  bool Intent(const FileList& list, const RenamePlan& plan);
  // Where the file of a step is once it is done.
  void StepDone(std::size_t step, FileAt where);
  // Records the outcome of the previous batch, then that steps first..last are next.
  bool BatchStarting(std::size_t first, std::size_t last);
  // Records the outcome of the last batch and the end of the run.
  bool Finish();
  // False once any write failed.
  bool ok() const { return ok_; }

 private:
  bool Append(const std::string& bytes);
  void AppendOutcome(std::string& out) const;

  std::vector<unsigned char> outcomes_;  // per step: a FileAt value

  int fd_ = -1;
  bool ok_ = true;
  bool batchOpen_ = false;
  std::size_t batchFirst_ = 0, batchLast_ = 0;
};

// True when the rename of entry has succeeded (the run keeps the name it had).
bool WasRenamed(const FileEntry& entry);

// One entry of the journal as undo needs it.
struct JournalEntry {
  std::string diskFolder;  // ends with "/"
  std::string oldName;     // the name before the run, raw bytes
  std::string newName;     // the name the run gave, raw bytes; may be empty
  std::string temporary;   // the temporary name of a cycle, when it went through one
  unsigned long long inode = 0;  // 0 when unknown
  bool renamed = false;    // the file now carries newName
  bool parked = false;     // the file now carries the temporary name
};

struct JournalContents {
  std::vector<JournalEntry> entries;
  bool finished = false;  // the run reached its end
};

enum class JournalReadResult { kOk, kMissing, kDamaged };

// Reads the journal of `directory`. Entries whose outcome is not recorded are
// judged by what is on disk (see above).
JournalReadResult ReadJournal(const std::string& directory, JournalContents& contents);

// After an undo that could not restore every row: replaces the journal with one of
// those rows alone, as a finished run that gave them the names they have now, so
// that the next undo tries them again. False with a message on failure.
bool RewriteJournal(const std::string& directory, const FileList& list, std::string& error);

// Removes the journal once its run has been undone.
void RemoveJournal(const std::string& directory);

// The path of the journal file in `directory`.
std::string JournalPath(const std::string& directory);

}  // namespace tessarn::cli
