// Reading a file by offset, for the tag readers. (Writing is tag_file_writer.h.)
// Paths are the raw bytes of the file's name on disk.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace tessarn {

// Read access by offset. The tag readers work on this, so that the same parser
// serves a file on disk and a buffer in memory (the fuzzer's way in).
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Up to n bytes from offset into out (replacing its content); fewer at the end
  // or on a read error. Returns the number of bytes read.
  virtual std::size_t ReadAt(std::uint64_t offset, std::size_t n, std::string& out) = 0;
  // Reads may fetch bytes ahead of what was asked, up to end (the end of the tag
  // being read). Until this is called only a small first read at offset 0 (a
  // tag's header) may fetch more than it asked for.
  virtual void AllowReadAhead(std::uint64_t /*end*/) {}
  // The n bytes at offset when they are already in memory, without a copy (valid
  // until the next read); empty when they are not, and then only ReadAt has them.
  virtual std::string_view Peek(std::uint64_t /*offset*/, std::size_t /*n*/) { return {}; }
  // The bytes at the start that the source holds in memory (for a file, what its
  // first read fetches, read now if it was not yet), without a copy; valid until
  // the next read. Empty when it holds none.
  virtual std::string_view Front() { return {}; }
  // Up to n bytes from offset into out, as ReadAt reads them.
  virtual std::size_t ReadInto(std::uint64_t offset, std::size_t n, char* out);
};

// Reads n bytes at offset of an open file, going on after short reads and
// interruptions; returns how many were read (fewer only at the end or on an error).
std::size_t PreadAll(int fd, char* buf, std::size_t n, std::uint64_t offset);

class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::string_view data) : data_(data) {}
  std::uint64_t Size() const override { return data_.size(); }
  std::size_t ReadAt(std::uint64_t offset, std::size_t n, std::string& out) override;
  std::string_view Peek(std::uint64_t offset, std::size_t n) override;
  std::string_view Front() override { return data_; }

 private:
  std::string_view data_;
};

// What a look beside a file found of a recovery record of an interrupted tag write:
// none; one that is certainly ours and fits the file as it is, so that the file is
// half-way through a write the next write finishes ("上次写入未完成"); or one that
// failed a check and is ignored (see CheckRecoveryRecord in tag_file_writer.h).
enum class RecoveryRecord : std::uint8_t { kNone, kUnfinished, kIgnored };

// Why a recovery record beside a file is not trusted, each check against what it
// defends (see CheckRecoveryRecord).
enum class RecordDistrust : std::uint8_t {
  kNone,
  kLink,          // a symbolic link: it would lead to a file of anyone's choosing
  kNotRegular,    // a FIFO or device: reading it could wait or do something
  kHardLinked,    // more than one link: someone else's name for a file of the owner's
  kForeignOwner,  // owned by neither the file's owner nor the running user: planted
  kWrongMode,     // not 0600, as every record is made: not made by this program
  kUnreadable,    // cannot be opened or read
  kDamaged,       // not a whole record (format, checksum): a write cut before it began
  kOtherFile,     // describes another file (inode): stale, or meant for another file
  kDoesNotFit,    // its lengths do not fit the file's tag and size as they are now
};
// The reason for the user, UTF-8 ("" for kNone).
const char* RecordDistrustText(RecordDistrust why);

struct RecoveryRecordCheck {
  RecoveryRecord state = RecoveryRecord::kNone;
  RecordDistrust why = RecordDistrust::kNone;
};

// Whether opening a file looks for the recovery record of an interrupted tag write
// beside it: always, unless the caller has just listed the folder and found none
// (see FolderHoldsNoRecoveryRecord).
enum class RecoveryLookup { kLookUp, kFolderHasNone };

// A regular file opened for reading only; closed by the destructor. Anything else
// (a FIFO, a device, a folder) is not opened, and opening never waits. Reading
// never changes a file: a recovery record beside it is only looked at, and what
// was found is told by Record(); the next write of the file finishes an
// interrupted write, under the file's lock. Small reads within the
// read-ahead range are served from one window, so that walking a tag's frame
// headers costs one system call rather than one per header; the first read from
// the start fetches one window too, so that a small tag costs a single read in all.
// Of the audio after the tag, at most that first window is read.
class ReadOnlyFile : public ByteSource {
 public:
  explicit ReadOnlyFile(const std::string& path);
  // The file `name` inside the open folder `folderFd`, whose path joined with the
  // name is `path`: a pass over many files of one folder walks no path per file.
  // With folderFd < 0 the file is opened by its path.
  ReadOnlyFile(int folderFd, const std::string& name, const std::string& path,
               RecoveryLookup lookup = RecoveryLookup::kLookUp);
  ~ReadOnlyFile() override;
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  // The recovery record beside the file, as opening found it.
  RecoveryRecord Record() const { return record_.state; }
  RecordDistrust IgnoredRecord() const { return record_.why; }
  std::uint64_t Size() const override { return size_; }
  std::size_t ReadAt(std::uint64_t offset, std::size_t n, std::string& out) override;
  void AllowReadAhead(std::uint64_t end) override { readAheadEnd_ = end; }
  std::string_view Peek(std::uint64_t offset, std::size_t n) override;
  std::string_view Front() override;
  std::size_t ReadInto(std::uint64_t offset, std::size_t n, char* out) override;

 private:
  void Open(int folderFd, const std::string& name, RecoveryLookup lookup);

  int fd_ = -1;
  RecoveryRecordCheck record_;
  std::uint64_t readAheadEnd_ = 0;
  std::uint64_t size_ = 0;
  // The window lives in the object (which lives on the stack): a pass over
  // thousands of files allocates nothing for it.
  static constexpr std::size_t kWindow = 512;
  char window_[kWindow];
  std::size_t windowSize_ = 0;
  std::uint64_t windowStart_ = 0;
};

// Lists the folder open at folderFd (a descriptor as HeldFolder gives it): true
// when it holds no recovery record of an interrupted tag write. A pass that reads
// most files of a folder lists it once instead of looking for a record beside
// every file; a write killed after the listing is then missed by that pass, as a
// write killed after the lookup beside a file is missed by that file's read. The
// listing gives up, answering false, after maxNames names: a pass over a few files
// of a large folder is quicker with its lookups.
bool FolderHoldsNoRecoveryRecord(int folderFd, std::size_t maxNames);

// stat of the file `name` inside the open folder folderFd, reached the way
// ReadOnlyFile(folderFd, name, path) opens it: by the name, or by `path` where
// there is no folder or the name is not a plain one.
bool StatFileIn(int folderFd, const std::string& name, const std::string& path, struct stat& st);

}  // namespace tessarn
