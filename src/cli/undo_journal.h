// The undo record of `tessarn-cli rename`, kept on disk so that `tessarn-cli undo`
// works from a later process, also after a run that was killed half-way.
//
// One file, $XDG_STATE_HOME/Tessarn/undo-journal (default ~/.local/state/...),
// replaced by every run and removed by the undo. Paths are stored as lengths and
// raw bytes, so any name the file system allows survives the round trip.
//
// Layout: the magic "TSNJRNL1", then records of one type byte and a payload;
// numbers are 32-bit little-endian, texts a number of bytes then the bytes:
//   'F' id text        a folder (raw bytes, ending with "/")
//   'I' count, count x (folder id, old name, new name)
//                      the intent of the whole run, in list order; written before
//                      the first file is renamed. An empty new name cannot succeed.
//   'B' first last     renames of entries first..last are about to start
//   'R' first last, one byte per entry (1 renamed, 0 not)
//                      the outcome of a finished batch
//   'E'                the run finished
// A record cut short by a crash is ignored. Entries of the last batch that started
// without an outcome were renamed when their new path exists and their old one is
// gone; entries after it were never tried.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/filelist/file_list.h"

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
  // The intent of every entry: disk folder, disk name and the disk form of newName.
  bool Intent(const FileList& list);
  // Records the outcome of the previous batch, then that first..last are next.
  bool BatchStarting(const FileList& list, std::size_t first, std::size_t last);
  // Records the outcome of the last batch and the end of the run.
  bool Finish(const FileList& list);
  // False once any write failed.
  bool ok() const { return ok_; }

 private:
  bool Append(const std::string& bytes);
  void AppendOutcome(std::string& out, const FileList& list) const;

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
  bool renamed = false;    // the file now carries newName
};

struct JournalContents {
  std::vector<JournalEntry> entries;
  bool finished = false;  // the run reached its end
};

enum class JournalReadResult { kOk, kMissing, kDamaged };

// Reads the journal of `directory`. Entries whose outcome is not recorded are
// judged by what is on disk (see above).
JournalReadResult ReadJournal(const std::string& directory, JournalContents& contents);

// Removes the journal once its run has been undone.
void RemoveJournal(const std::string& directory);

// The path of the journal file in `directory`.
std::string JournalPath(const std::string& directory);

}  // namespace tessarn::cli
