// Where the undo history lives and how its files are written and read.
//
// The history is a folder, $XDG_STATE_HOME/Tessarn/history (default
// ~/.local/state/Tessarn/history), with one file per run: "run-" and the run's
// number in ten digits. A lock file beside it ("lock") is held by whichever front
// end, window or command line, is writing or undoing, so two never write at once.
// A tag run takes that lock only to create its run file and to drop old runs; for
// the rest of the run it holds a lock on its own run file (RunFileInUse), which
// keeps an undo off the run while it is still being written.
//
// A run file is a magic naming its layout followed by records. Each record is
//   u32 payload length, u32 CRC-32 of the type byte and the payload, type byte, payload
// (numbers little-endian). A record that is cut short or whose checksum does not
// match ends the reading: what follows it is never believed. "TSNHIST1" files are
// the first layout; "TSNHIST2" files may hold the record types added since (the
// files' identities, an undo's own steps), which a reader of the first layout
// would take for damage. Both are read.
//
// Room for a run's records is taken on the disk before the run starts (Reserve):
// a full state folder then refuses the run instead of tearing its record, and an
// append that fails all the same is cut back off, so that the file always ends
// with a whole record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessarn {

// $XDG_STATE_HOME/Tessarn, or ~/.local/state/Tessarn; empty when neither is known.
std::string StateDirectory();
// The history folder inside a state folder.
std::string HistoryFolder(const std::string& stateDirectory);

// Holds the state folder's lock: one run or undo at a time, whichever front end.
class HistoryLock {
 public:
  HistoryLock() = default;
  ~HistoryLock();
  HistoryLock(const HistoryLock&) = delete;
  HistoryLock& operator=(const HistoryLock&) = delete;
  // Creates the state and history folders when missing. False with a message
  // (GB18030) when they cannot be made or another process holds the lock.
  bool Acquire(const std::string& stateDirectory, std::string& error);
  // After a failed Acquire: true when another process held the lock, so that a
  // later try may work.
  bool busy() const { return busy_; }

 private:
  int fd_ = -1;
  bool busy_ = false;
};

// Little-endian numbers and length-prefixed texts of a payload.
void PutU8(std::string& out, std::uint8_t v);
void PutU32(std::string& out, std::uint32_t v);
void PutU64(std::string& out, std::uint64_t v);
void PutText(std::string& out, std::string_view text);

// Reads a payload; every read fails past its end.
class PayloadReader {
 public:
  explicit PayloadReader(std::string_view data) : data_(data) {}
  bool U8(std::uint8_t& v);
  bool U32(std::uint32_t& v);
  bool U64(std::uint64_t& v);
  bool Text(std::string& out);
  // Steps over a text, giving its length.
  bool SkipText(std::uint32_t& length);
  bool Bytes(std::size_t n, std::string_view& out);
  bool AtEnd() const { return pos_ >= data_.size(); }

 private:
  std::string_view data_;
  std::size_t pos_ = 0;
};

// Appends one framed record to `out`.
void AppendRecord(std::string& out, char type, std::string_view payload);
// The same for a payload written straight into `out`, after the record's frame:
// BeginRecord leaves room for the frame and returns where it is; the payload is
// appended; EndRecord fills the frame in. A payload of megabytes is then never
// copied from a buffer of its own.
std::size_t BeginRecord(std::string& out, char type);
void EndRecord(std::string& out, std::size_t frameAt);
// The head record every run starts with: its kind, its front end and its time.
void AppendHeadRecord(std::string& out, std::uint8_t kind, std::uint8_t frontEnd,
                      std::uint64_t time);
// Reads a head record's payload back.
struct RunHead {
  std::uint8_t kind = 0;
  std::uint8_t frontEnd = 0;
  std::uint64_t time = 0;
};
bool ReadHeadRecord(std::string_view payload, RunHead& head);

struct Record {
  char type = 0;
  std::string_view payload;
};

// The records of a run file's bytes, in order. `intact` is false when the magic is
// wrong or a record was cut short or damaged; the records before it are returned.
std::vector<Record> ParseRecords(std::string_view fileBytes, bool& intact);

// A run file being written: created new, each Append written at once, Sync
// flushing it to the disk (fdatasync).
class RunFileWriter {
 public:
  RunFileWriter() = default;
  ~RunFileWriter();
  RunFileWriter(const RunFileWriter&) = delete;
  RunFileWriter& operator=(const RunFileWriter&) = delete;
  // Creates the file of run `id` (it must not exist) with the magic and `records`
  // (framed), flushed to disk with the folder's entry for it, room for `reserve`
  // more bytes of records taken first. False with a message; a file that could
  // not be made whole is removed again.
  bool Create(const std::string& historyFolder, std::uint64_t id, std::string_view records,
              std::string& error, std::uint64_t reserve = 0);
  // Opens an existing run file to add records at its end.
  bool OpenToAppend(const std::string& historyFolder, std::uint64_t id, std::string& error);
  // Takes room on the disk for `bytes` more of records beyond what the file holds,
  // without changing its length (fallocate). False with a message when the state
  // folder has not that much room; a file system without fallocate is asked for
  // its free room instead.
  bool Reserve(std::uint64_t bytes, std::string& error);
  // Writes framed records and flushes them; false once any write failed. A write
  // that failed half-way is cut back off: the file still ends with a whole record.
  bool AppendAndSync(std::string_view records);
  // Writes framed records without flushing them: they outlive the process (a kill)
  // but not the machine (a power cut) until the next Sync.
  bool Append(std::string_view records);
  bool Sync();
  // Holds the run file's own lock while this writer is open (see RunFileInUse).
  bool HoldRunLock();
  bool ok() const { return ok_; }
  // The errno of the write that failed.
  int error() const { return errno_; }
  // The length of the file as written so far.
  std::uint64_t size() const { return size_; }

 private:
  bool Write(std::string_view bytes);
  int fd_ = -1;
  bool ok_ = true;
  int errno_ = 0;
  std::uint64_t size_ = 0;
};

// The numbers of the runs in the history, oldest first.
std::vector<std::uint64_t> ListRunIds(const std::string& historyFolder);
std::string RunFilePath(const std::string& historyFolder, std::uint64_t id);
// The whole file of a run; false when it cannot be read.
bool ReadRunFile(const std::string& historyFolder, std::uint64_t id, std::string& bytes);
void RemoveRunFile(const std::string& historyFolder, std::uint64_t id);
// True while a run is still writing the file of run `id` (it holds the file's lock).
bool RunFileInUse(const std::string& historyFolder, std::uint64_t id);
// Moves a damaged run file out of the history, keeping it beside as "….damaged".
void SetDamagedRunFileAside(const std::string& historyFolder, std::uint64_t id);
// The room a run's file takes on the disk (its length, or its blocks when more
// are taken for it); 0 when it cannot be read.
std::uint64_t RunFileBytes(const std::string& historyFolder, std::uint64_t id);

// What DropOldRuns did.
struct DroppedRuns {
  std::size_t count = 0;        // runs dropped
  std::size_t forSize = 0;      // of those, dropped for the size bound alone
  bool newestOverBound = false; // the newest run alone is larger than the bound
};
// Removes the oldest runs until at most `keep` are left and together they take at
// most `maxBytes` (0: no size bound). The newest run is never removed, however
// large: a run is always kept for its own undo.
DroppedRuns DropOldRuns(const std::string& historyFolder, std::size_t keep,
                        std::uint64_t maxBytes = 0);

// A size for people: "512 B", "3.4 KB", "12.0 MB", "1.0 GB" (units of 1,024).
std::string ByteSizeText(std::uint64_t bytes);

// The system's message for errno, as GB18030 text.
std::string SystemErrorText(int error);

}  // namespace tessarn
