#include "core/id3/tag_file_writer.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "core/filelist/foreign_link.h"
#include "core/filelist/own_names.h"
#include "core/id3/id3v2.h"
#include "core/id3/id3v2_frames.h"
#include "core/id3/rewrite_leftovers.h"
#include "core/id3/tag_disk.h"
#include "core/id3/tag_file_io.h"
#include "core/id3/tag_region.h"

namespace tessarn {
namespace {

constexpr std::uint64_t kId3v1Length = 128;
constexpr std::uint64_t kMaxTagLength = (1u << 28) - 1 + 10;  // what four syncsafe bytes hold
constexpr std::size_t kMaxPiece = 1 << 20;

// ---- The file ------------------------------------------------------------------

TagWriteError ErrorOf(int err) {
  switch (err) {
    case 0:
      return TagWriteError::kNone;
    case ENOENT:
    case ENOTDIR:
      return TagWriteError::kNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
      return TagWriteError::kNoPermission;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return TagWriteError::kDiskFull;
    case EISDIR:
    case ENXIO:
    case ENODEV:
      return TagWriteError::kNotRegular;
    default:
      return TagWriteError::kIoError;
  }
}

// A regular file opened for reading and writing, and locked. A path that names
// anything else is refused before it is opened (opening a device may do
// something), and the open itself never waits (a FIFO that appears in between).
// A link is followed once, to the file's real location, where its recovery record
// goes; a folder on the way that is a link needs no resolving, as the record's
// name then reaches the same folder.
class WritableFile {
 public:
  explicit WritableFile(const std::string& path) : real_(path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) {
      error_ = ErrorOf(errno);
      return;
    }
    if (S_ISLNK(st.st_mode)) {
      // Another user's link in a folder that is not the user's may lead anywhere
      // the user may write: not followed.
      if (LeadsThroughForeignLink(path)) {
        error_ = TagWriteError::kForeignLink;
        return;
      }
      char* real = ::realpath(path.c_str(), nullptr);
      if (real) {
        real_ = real;
        std::free(real);
      }
      if (::stat(real_.c_str(), &st) != 0) {
        error_ = ErrorOf(errno);
        return;
      }
    }
    if (!S_ISREG(st.st_mode)) {
      error_ = TagWriteError::kNotRegular;
      return;
    }
    do {
      fd_ = ::open(real_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
      error_ = ErrorOf(errno);
      return;
    }
    // One writer of this file at a time, across processes and threads.
    int r;
    do {
      r = ::flock(fd_, LOCK_EX);
    } while (r != 0 && errno == EINTR);
    // A file system without locks still takes writes, unserialised.
    if (r != 0 && errno != ENOLCK && errno != EOPNOTSUPP && errno != ENOSYS) {
      error_ = ErrorOf(errno);
      return;
    }
    // Looked at once the lock is held: what an earlier writer left is what counts.
    if (!Refresh() || !S_ISREG(st_.st_mode)) error_ = TagWriteError::kNotRegular;
  }
  ~WritableFile() {
    if (fd_ >= 0) ::close(fd_);  // also lets go of the lock
  }
  WritableFile(const WritableFile&) = delete;
  WritableFile& operator=(const WritableFile&) = delete;

  TagWriteError error() const { return error_; }
  int fd() const { return fd_; }
  const std::string& RealPath() const { return real_; }
  // The file as last looked at (on opening, or by Refresh).
  const struct stat& Stat() const { return st_; }
  std::uint64_t inode() const { return st_.st_ino; }
  std::uint64_t Size() const { return static_cast<std::uint64_t>(st_.st_size); }
  bool Refresh() { return ::fstat(fd_, &st_) == 0; }

 private:
  int fd_ = -1;
  std::string real_;
  struct stat st_ {};
  TagWriteError error_ = TagWriteError::kNone;
};

// The open file as the tag code reads it. Its start (where the ID3v2 tag is, and
// often all of it) and its last 128 bytes (the ID3v1 block) are read once, each by
// one call, and every read within them is served from memory.
class FdSource : public ByteSource {
 public:
  static constexpr std::size_t kHead = 8192;
  FdSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {
    head_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(size, kHead)));
    head_.resize(PreadAll(fd, head_.data(), head_.size(), 0));
    if (size > head_.size()) {
      const std::uint64_t tailAt = std::max<std::uint64_t>(head_.size(), size - kId3v1Length);
      tail_.resize(static_cast<std::size_t>(size - tailAt));
      tail_.resize(PreadAll(fd, tail_.data(), tail_.size(), tailAt));
      if (tail_.size() == size - tailAt)
        tailAt_ = tailAt;
      else
        tail_.clear();
    }
  }
  std::uint64_t Size() const override { return size_; }
  std::size_t ReadAt(std::uint64_t offset, std::size_t n, std::string& out) override {
    out.clear();
    if (offset >= size_) return 0;
    n = static_cast<std::size_t>(std::min<std::uint64_t>(n, size_ - offset));
    if (offset + n <= head_.size()) {
      out.assign(head_, static_cast<std::size_t>(offset), n);
    } else if (!tail_.empty() && offset >= tailAt_) {
      out.assign(tail_, static_cast<std::size_t>(offset - tailAt_), n);
    } else {
      out.resize(n);
      out.resize(PreadAll(fd_, out.data(), n, offset));
    }
    return out.size();
  }

 private:
  int fd_;
  std::uint64_t size_;
  std::string head_, tail_;
  std::uint64_t tailAt_ = 0;
};

// The file's real location: the recovery record goes beside the file a link
// points to, where every name of the file finds it.
std::string ResolvedPath(const std::string& path) {
  char* real = ::realpath(path.c_str(), nullptr);
  if (!real) return path;
  std::string out(real);
  std::free(real);
  return out;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void SyncFolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// ---- The update and its recovery record -------------------------------------------
//
// An update is two steps: the ID3v1 step at the end of the file (write the block
// in place, append it, or cut it off), then the ID3v2 step at the start. When the
// new ID3v2 tag has the old one's length it is written over it. Otherwise
// everything after the old tag moves by the difference, piece by piece, each
// piece no longer than that difference so that it never overwrites bytes it has
// still to read; growth moves the last piece first, shrinking the first piece
// first; the new tag is written once all is moved.
//
// Before the file is touched, the whole update goes into a recovery record beside
// the file, made durable. The record notes which step runs and how far the move
// has come (after each piece); a piece moved again after a crash reads bytes that
// are still intact, and the ID3v1 step can always be done again. So an update cut
// short is finished by running the rest again from the record.
//
// Layout: magic (8), then little-endian 64-bit numbers: inode, original size, the
// ID3v1 step, old tag length, new tag length (or kNoHead), step, progress, and a
// checksum of all but step and progress; then the 128-byte ID3v1 block (zeros
// when there is none to write), then the new tag. A record that is shorter or
// whose checksum is wrong was never complete, and the file was not yet touched.

constexpr char kMagic[8] = {'T', 'S', 'R', 'N', 'J', 'N', 'L', '2'};
constexpr std::size_t kStepAt = 8 + 5 * 8;
constexpr std::size_t kProgressAt = kStepAt + 8;
constexpr std::size_t kRecordHeader = kProgressAt + 8 + 8;
constexpr std::uint64_t kNoHead = ~std::uint64_t{0};

enum class V1Step : std::uint64_t { kKeep, kOverwrite, kAppend, kCut };

struct Update {
  std::uint64_t inode = 0;
  std::uint64_t originalSize = 0;  // before the ID3v1 step
  V1Step v1 = V1Step::kKeep;
  std::string v1Block;   // 128 bytes for kOverwrite and kAppend
  bool hasHead = false;  // an ID3v2 step
  std::uint64_t oldLength = 0;
  std::string head;            // the new tag
  std::uint64_t step = 0;      // 0: the ID3v1 step is due; 1: the ID3v2 step
  std::uint64_t progress = 0;  // growth: next piece ends here; shrinking: starts here

  std::uint64_t SizeAfterV1() const {
    switch (v1) {
      case V1Step::kAppend:
        return originalSize + kId3v1Length;
      case V1Step::kCut:
        return originalSize - kId3v1Length;
      default:
        return originalSize;
    }
  }
  std::uint64_t MoveStart() const { return head.size() > oldLength ? SizeAfterV1() : oldLength; }
};

std::uint64_t Checksum(std::string_view data) {
  std::uint64_t h = 14695981039346656037ull;  // FNV-1a
  for (char c : data) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return h;
}

void PutNumber(std::string& out, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
std::uint64_t GetNumber(std::string_view in, std::size_t at) {
  std::uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(in[at + i]);
  return v;
}
std::string Number(std::uint64_t v) {
  std::string s;
  PutNumber(s, v);
  return s;
}

std::string EncodeUpdate(const Update& u) {
  std::string fixed;
  PutNumber(fixed, u.inode);
  PutNumber(fixed, u.originalSize);
  PutNumber(fixed, static_cast<std::uint64_t>(u.v1));
  PutNumber(fixed, u.oldLength);
  PutNumber(fixed, u.hasHead ? u.head.size() : kNoHead);
  std::string tail = u.v1Block;
  tail.resize(kId3v1Length, '\0');
  tail += u.head;
  std::string out(kMagic, sizeof kMagic);
  out += fixed;
  PutNumber(out, u.step);
  PutNumber(out, u.progress);
  PutNumber(out, Checksum(fixed + tail));
  return out + tail;
}

std::optional<Update> DecodeUpdate(std::string_view in) {
  if (in.size() < kRecordHeader + kId3v1Length || in.substr(0, 8) != std::string_view(kMagic, 8))
    return std::nullopt;
  const std::string_view fixed = in.substr(8, kStepAt - 8);
  const std::string_view tail = in.substr(kRecordHeader);
  if (Checksum(std::string(fixed) + std::string(tail)) != GetNumber(in, kProgressAt + 8))
    return std::nullopt;
  Update u;
  u.inode = GetNumber(in, 8);
  u.originalSize = GetNumber(in, 16);
  u.v1 = static_cast<V1Step>(GetNumber(in, 24));
  u.oldLength = GetNumber(in, 32);
  const std::uint64_t headLength = GetNumber(in, 40);
  u.step = GetNumber(in, kStepAt);
  u.progress = GetNumber(in, kProgressAt);
  u.hasHead = headLength != kNoHead;
  if (u.v1 > V1Step::kCut || tail.size() != kId3v1Length + (u.hasHead ? headLength : 0))
    return std::nullopt;
  u.v1Block.assign(tail.substr(0, kId3v1Length));
  u.head.assign(tail.substr(kId3v1Length));
  return u;
}

// Runs the update from where it stands (step and progress), noting each stage in
// the record at journalFd (-1: no record). `sync`: the file is made durable at the end.
TagWriteError RunUpdate(TagDisk& disk, int fd, int journalFd, Update& u, bool sync = true) {
  auto note = [&](std::size_t at, std::uint64_t value) {
    if (journalFd >= 0) disk.WriteAt(journalFd, at, Number(value));
  };
  if (u.step == 0) {
    int err = 0;
    switch (u.v1) {
      case V1Step::kKeep:
        break;
      case V1Step::kOverwrite:
        err = disk.WriteAt(fd, u.originalSize - kId3v1Length, u.v1Block);
        break;
      case V1Step::kAppend:
        err = disk.Resize(fd, u.originalSize);  // a block half appended before goes
        if (!err) err = disk.WriteAt(fd, u.originalSize, u.v1Block);
        break;
      case V1Step::kCut:
        err = disk.Resize(fd, u.originalSize - kId3v1Length);
        break;
    }
    if (err) return ErrorOf(err);
    u.step = 1;
    u.progress = u.MoveStart();
    note(kProgressAt, u.progress);
    note(kStepAt, u.step);
  }
  if (!u.hasHead) return sync ? ErrorOf(disk.Sync(fd)) : TagWriteError::kNone;

  const std::uint64_t a = u.oldLength;
  const std::uint64_t b = u.head.size();
  const std::uint64_t n = u.SizeAfterV1();
  std::string piece;
  if (b > a) {
    const std::uint64_t d = b - a;
    const std::size_t step = static_cast<std::size_t>(std::min<std::uint64_t>(d, kMaxPiece));
    if (const int err = disk.Resize(fd, n + d)) return ErrorOf(err);
    while (u.progress > a) {
      const std::uint64_t from = std::max(a, u.progress > step ? u.progress - step : 0);
      piece.resize(static_cast<std::size_t>(u.progress - from));
      if (PreadAll(fd, piece.data(), piece.size(), from) != piece.size())
        return TagWriteError::kIoError;
      if (const int err = disk.WriteAt(fd, from + d, piece)) return ErrorOf(err);
      u.progress = from;
      note(kProgressAt, u.progress);
    }
  } else if (b < a) {
    const std::uint64_t d = a - b;
    const std::size_t step = static_cast<std::size_t>(std::min<std::uint64_t>(d, kMaxPiece));
    while (u.progress < n) {
      const std::uint64_t to = std::min(n, u.progress + step);
      piece.resize(static_cast<std::size_t>(to - u.progress));
      if (PreadAll(fd, piece.data(), piece.size(), u.progress) != piece.size())
        return TagWriteError::kIoError;
      if (const int err = disk.WriteAt(fd, u.progress - d, piece)) return ErrorOf(err);
      u.progress = to;
      note(kProgressAt, u.progress);
    }
  }
  if (const int err = disk.WriteAt(fd, 0, u.head)) return ErrorOf(err);
  if (b < a)
    if (const int err = disk.Resize(fd, n - (a - b))) return ErrorOf(err);
  return sync ? ErrorOf(disk.Sync(fd)) : TagWriteError::kNone;
}

// ---- Whether a record is ours ------------------------------------------------------
//
// Anyone who may write to the folder can put a file of any name beside another
// user's file: in a shared folder a record is worth acting on only when it is
// certainly one this program made for this file, and it says something that can
// be true of the file as it is now. Acting on a planted one would let its maker
// cut the file short or write their bytes into it.

// How large a record can be: its header, the ID3v1 block, the largest tag.
constexpr std::uint64_t kMaxRecord = kRecordHeader + kId3v1Length + kMaxTagLength;

bool AllZero(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == '\0'; });
}

// Whether the update can be one this program began on the file open at fd, whose
// size is `size`, and left where it says: only a move of the audio takes a record;
// the numbers fit one another; the file's size is one the update passes through;
// and the ID3v2 tag at the file's start is the old tag or the new one.
bool FitsFile(const Update& u, int fd, std::uint64_t size) {
  const std::uint64_t a = u.oldLength, b = u.head.size();
  if (!u.hasHead || a == b || a > kMaxTagLength || u.step > 1) return false;
  const bool v1Block = u.v1 == V1Step::kOverwrite || u.v1 == V1Step::kAppend;
  if (v1Block ? !u.v1Block.starts_with("TAG") : !AllZero(u.v1Block)) return false;
  const bool hadV1 = u.v1 == V1Step::kOverwrite || u.v1 == V1Step::kCut;
  if (u.originalSize < a + (hadV1 ? kId3v1Length : 0)) return false;
  if (b > 0 && !u.head.starts_with("ID3")) return false;

  const std::uint64_t n = u.SizeAfterV1();
  bool sizeFits;
  if (u.step == 0) {
    switch (u.v1) {
      case V1Step::kAppend:  // the block may have been written in part
        sizeFits = size >= u.originalSize && size <= n;
        break;
      case V1Step::kCut:
        sizeFits = size == u.originalSize || size == n;
        break;
      default:
        sizeFits = size == u.originalSize;
        break;
    }
  } else {
    if (u.progress < a || u.progress > n) return false;
    sizeFits = size == n || (b > a ? size == n + (b - a) : size == n - (a - b));
  }
  if (!sizeFits) return false;

  // The tag at the start: the old one until the new one is written over it (the
  // new one's header first, when its write was cut); a removal's move brings
  // audio to the very start.
  FdSource source(fd, size);
  const Id3v2Region region = LocateId3v2(source);
  if (!region.present) return a == 0 || b == 0;
  Id3v2TagInfo header;
  const bool declared = ReadId3v2TagInfo(source, header);
  return region.length == a || region.length == b ||
         (declared && (header.wholeLength == a || header.wholeLength == b));
}

// The record looked at, and when it is trusted what it says.
struct RecordLook {
  RecoveryRecordCheck check;
  std::optional<Update> update;
  struct stat st {};  // the record itself (lstat), when there is one
};

// What the record's own metadata (an lstat, or an fstat of it once open) says
// against it, beside the file `file`.
RecordDistrust JudgeRecordFile(const struct stat& st, const struct stat& file) {
  if (S_ISLNK(st.st_mode)) return RecordDistrust::kLink;
  if (!S_ISREG(st.st_mode)) return RecordDistrust::kNotRegular;
  if (st.st_nlink != 1) return RecordDistrust::kHardLinked;
  if (st.st_uid != file.st_uid && st.st_uid != ::geteuid()) return RecordDistrust::kForeignOwner;
  if ((st.st_mode & 07777) != 0600) return RecordDistrust::kWrongMode;
  if (static_cast<std::uint64_t>(st.st_size) > kMaxRecord) return RecordDistrust::kDamaged;
  return RecordDistrust::kNone;
}

RecordLook LookAtRecord(int folderFd, const std::string& recordPath, int fileFd) {
  RecordLook look;
  auto distrust = [&](RecordDistrust why) {
    look.check = {RecoveryRecord::kIgnored, why};
    look.update.reset();
    return look;
  };
  const int at = folderFd >= 0 ? folderFd : AT_FDCWD;
  if (::fstatat(at, recordPath.c_str(), &look.st, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return look;
    return distrust(RecordDistrust::kUnreadable);
  }
  struct stat file;
  if (::fstat(fileFd, &file) != 0) return distrust(RecordDistrust::kUnreadable);
  // Judged before it is opened: opening a device may do something, and another
  // user's record need not be readable to be ignored.
  if (const RecordDistrust why = JudgeRecordFile(look.st, file); why != RecordDistrust::kNone)
    return distrust(why);
  const int fd =
      ::openat(at, recordPath.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return distrust(errno == ELOOP ? RecordDistrust::kLink : RecordDistrust::kUnreadable);
  struct stat st;
  std::string bytes;
  RecordDistrust why = RecordDistrust::kNone;
  if (::fstat(fd, &st) != 0 || st.st_dev != look.st.st_dev || st.st_ino != look.st.st_ino) {
    why = RecordDistrust::kUnreadable;  // swapped for another file since the look
  } else if ((why = JudgeRecordFile(st, file)) == RecordDistrust::kNone) {
    bytes.resize(static_cast<std::size_t>(st.st_size));
    if (PreadAll(fd, bytes.data(), bytes.size(), 0) != bytes.size())
      why = RecordDistrust::kUnreadable;
  }
  ::close(fd);
  if (why != RecordDistrust::kNone) return distrust(why);
  look.update = DecodeUpdate(bytes);
  if (!look.update) return distrust(RecordDistrust::kDamaged);
  if (look.update->inode != static_cast<std::uint64_t>(file.st_ino))
    return distrust(RecordDistrust::kOtherFile);
  if (!FitsFile(*look.update, fileFd, static_cast<std::uint64_t>(file.st_size)))
    return distrust(RecordDistrust::kDoesNotFit);
  look.check = {RecoveryRecord::kUnfinished, RecordDistrust::kNone};
  return look;
}

// Removes the record `recordPath` while its name still stands for the file looked
// at (`st`).
void RemoveRecord(const std::string& recordPath, const struct stat& st) {
  struct stat now;
  if (::lstat(recordPath.c_str(), &now) == 0 && now.st_dev == st.st_dev && now.st_ino == st.st_ino)
    ::unlink(recordPath.c_str());
}

// A record that is not trusted stays for whoever made it, unless it is the
// running user's own: then it is stale (the file changed since) or a write never
// began, and it goes, so that it takes no name a write needs. Returns why it was
// not trusted.
RecordDistrust SetAside(const std::string& journal, const RecordLook& look) {
  if (look.st.st_uid == ::geteuid()) RemoveRecord(journal, look.st);
  return look.check.why;
}

// Finishes what a trusted record beside the file describes; the file is open and
// locked. One that is not trusted is set aside (SetAside) and told in `ignored`.
// False when a trusted record's write could not be finished.
bool FinishFromRecord(TagDisk& disk, WritableFile& file, const std::string& journal,
                      RecordDistrust* ignored = nullptr) {
  RecordLook look = LookAtRecord(-1, journal, file.fd());
  switch (look.check.state) {
    case RecoveryRecord::kNone:
      return true;
    case RecoveryRecord::kIgnored:
      if (ignored) *ignored = SetAside(journal, look);
      return true;
    case RecoveryRecord::kUnfinished:
      break;
  }
  Update& u = *look.update;
  if (!file.Refresh()) return false;
  const std::uint64_t a = u.oldLength, b = u.head.size();
  if (u.step == 1 && b < a && file.Size() + a == u.SizeAfterV1() + b)
    u.progress = u.SizeAfterV1();  // moved and cut already
  if (RunUpdate(disk, file.fd(), -1, u) != TagWriteError::kNone) return false;
  if (!file.Refresh()) return false;
  RemoveRecord(journal, look.st);
  return true;
}

// ---- Placing a new ID3v2 tag -------------------------------------------------------

// The new tag's bytes with padding: filling the old tag's space when the frames
// fit there, otherwise with room for later edits to fit in place (the padding the
// tag came with, and at least a tenth of its frames).
std::optional<std::string> PaddedTag(std::string_view tag, std::uint64_t oldLength) {
  MemorySource source(tag);
  const Id3v2Region region = LocateId3v2(source);
  if (!region.walkable) return std::nullopt;  // not a tag this program built
  const std::uint64_t frames = region.framesEnd;
  std::uint64_t length;
  if (frames <= oldLength && oldLength <= kMaxTagLength) {
    length = oldLength;
  } else {
    const std::uint64_t given = std::min<std::uint64_t>(tag.size(), region.length) - frames;
    length = std::min(frames + std::max(given, frames / 10), kMaxTagLength);
    if (frames > length) return std::nullopt;
  }
  std::string out(tag.substr(0, static_cast<std::size_t>(frames)));
  out.resize(static_cast<std::size_t>(length), '\0');
  if (out[3] == 4)
    out[5] = static_cast<char>(out[5] & ~0x10);  // padding and a footer exclude each other
  const auto size = EncodeTagSize(static_cast<std::uint32_t>(length - 10));
  std::memcpy(out.data() + 6, size.data(), 4);
  return out;
}

// A new record file of our own, never one that is there: whatever holds the name
// (a record someone else left, a link) is not written through. Its mode is set
// whatever the umask, as the check of a record asks for it. -1 with errno set.
int CreateRecord(const std::string& journal) {
  const int fd =
      ::open(journal.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd >= 0 && ::fchmod(fd, 0600) != 0) {
    const int err = errno;
    ::close(fd);
    ::unlink(journal.c_str());
    errno = err;
    return -1;
  }
  return fd;
}

// Runs the update; on a failure that leaves the file recoverable by hand, puts
// back what was changed. `oldHead` is the old tag's region when the update writes
// a tag of its length over it.
//
// Only an update that moves audio runs under a recovery record, made durable
// before the file is touched, and syncs the file at the end: a crash part-way
// through a move would otherwise lose audio. An update that moves nothing writes
// each tag in its place by one call (ID3v1 first, then ID3v2) and takes neither a
// record nor a sync, which would cost a run over many files several times its
// writes. A process killed between the two calls leaves the new ID3v1 block
// beside the old ID3v2 tag, never a lost byte of audio; a power cut before the
// system writes the file back may lose the new tags, not the audio, and an undo
// of such a file then finds it changed and leaves it alone, or writes back the
// bytes it already holds.
TagWriteError ApplyUpdate(TagDisk& disk, WritableFile& file, const std::string& journal, Update& u,
                          const std::string& oldV1, const std::string& oldHead) {
  const bool moves = u.hasHead && u.head.size() != u.oldLength;
  // What a failure before the move puts back.
  auto undo = [&] {
    if (u.step == 1 && u.hasHead && !moves && !oldHead.empty()) disk.WriteAt(file.fd(), 0, oldHead);
    if (u.v1 == V1Step::kAppend) disk.Resize(file.fd(), u.originalSize);
    if (u.v1 == V1Step::kOverwrite) disk.WriteAt(file.fd(), u.originalSize - kId3v1Length, oldV1);
    if (u.v1 == V1Step::kCut) {
      disk.Resize(file.fd(), u.originalSize - kId3v1Length);
      disk.WriteAt(file.fd(), u.originalSize - kId3v1Length, oldV1);
    }
  };
  if (!moves) {
    const TagWriteError error = RunUpdate(disk, file.fd(), -1, u, false);
    if (error != TagWriteError::kNone) {
      undo();
      disk.Sync(file.fd());
    }
    return error;
  }

  int jfd = CreateRecord(journal);
  if (jfd < 0 && errno == EEXIST) {
    // Held by a record not trusted and not the user's own (set aside before the
    // plan): this write makes it stale whatever it was meant for, so it goes where
    // the folder lets the user remove it. Where it does not (a sticky folder), the
    // write does not move audio without a record, and says so.
    const RecordLook look = LookAtRecord(-1, journal, file.fd());
    if (look.check.state == RecoveryRecord::kIgnored) {
      RemoveRecord(journal, look.st);
      jfd = CreateRecord(journal);
    }
  }
  if (jfd < 0) return TagWriteError::kNoRecoveryRecord;
  int err = disk.WriteAt(jfd, 0, EncodeUpdate(u));
  if (!err) err = disk.Sync(jfd);
  if (err) {
    ::close(jfd);
    ::unlink(journal.c_str());
    return ErrorOf(err);
  }
  SyncFolderOf(journal);
  const TagWriteError error = RunUpdate(disk, file.fd(), jfd, u);
  ::close(jfd);
  if (error == TagWriteError::kNone) {
    ::unlink(journal.c_str());
    return error;
  }
  // Before any piece moved, everything can be put back: the ID3v1 step wrote only
  // at the end, growth only past the old end.
  const bool grows = u.head.size() > u.oldLength;
  const bool nothingMoved = u.step == 0 || (grows && u.progress == u.MoveStart());
  if (nothingMoved) {
    if (grows && u.step == 1) disk.Resize(file.fd(), u.SizeAfterV1());
    undo();
    disk.Sync(file.fd());
    ::unlink(journal.c_str());
    return error;
  }
  // Part-way through the move: try once more to finish; if that fails too, the
  // record stays for the next open.
  if (FinishFromRecord(disk, file, journal)) return TagWriteError::kNone;
  return TagWriteError::kInterrupted;
}

// The old ID3v1 block at the end of a file whose ID3v2 region is oldV2 long; empty
// when there is none.
std::string OldId3v1(ByteSource& source, std::uint64_t oldV2) {
  std::string block;
  const std::uint64_t size = source.Size();
  if (size >= kId3v1Length + oldV2) {
    source.ReadAt(size - kId3v1Length, kId3v1Length, block);
    if (!block.starts_with("TAG")) block.clear();
  }
  return block;
}

// The update that gives the file the ID3v1 block `id3v1` (empty: none) and the
// ID3v2 region `head` (when hasHead; empty: none), from the file's present ones.
Update UpdateFrom(const WritableFile& file, const std::string& oldV1, std::uint64_t oldV2,
                  std::optional<std::string> head, const std::optional<std::string>& id3v1) {
  Update u;
  u.inode = file.inode();
  u.originalSize = file.Size();
  if (id3v1 && !id3v1->empty()) {
    u.v1 = oldV1.empty() ? V1Step::kAppend : V1Step::kOverwrite;
    u.v1Block = *id3v1;
  } else if (id3v1 && !oldV1.empty()) {
    u.v1 = V1Step::kCut;
  }
  if (head) {
    u.hasHead = true;
    u.oldLength = oldV2;
    u.head = std::move(*head);
  }
  return u;
}

// Room for all the file grows by, before anything is written.
TagWriteError ReserveFor(TagDisk& disk, const WritableFile& file, const Update& u) {
  const std::uint64_t growth = (u.v1 == V1Step::kAppend ? kId3v1Length : 0) +
                               (u.head.size() > u.oldLength ? u.head.size() - u.oldLength : 0);
  return ErrorOf(disk.Reserve(file.fd(), file.Size(), growth));
}

// The file as the write left it.
TagFileStamp StampOf(const struct stat& st) {
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
          static_cast<std::uint64_t>(st.st_size), st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
}

}  // namespace

std::string JournalPath(const std::string& path) {
  const std::string folder = FolderOf(path);
  return folder + "." + path.substr(folder.size()) + std::string(kRecoveryRecordSuffix);
}

bool IsJournalName(std::string_view name) { return IsRecoveryRecordName(name); }

RecoveryRecordCheck CheckRecoveryRecord(int folderFd, const std::string& recordPath, int fileFd) {
  return LookAtRecord(folderFd, recordPath, fileFd).check;
}

const char* RecordDistrustText(RecordDistrust why) {
  switch (why) {
    case RecordDistrust::kNone:
      return "";
    case RecordDistrust::kLink:
      return "是符号链接";
    case RecordDistrust::kNotRegular:
      return "不是普通文件";
    case RecordDistrust::kHardLinked:
      return "有多个硬链接";
    case RecordDistrust::kForeignOwner:
      return "属于其他用户";
    case RecordDistrust::kWrongMode:
      return "权限不是 0600";
    case RecordDistrust::kUnreadable:
      return "无法读取";
    case RecordDistrust::kDamaged:
      return "内容无效";
    case RecordDistrust::kOtherFile:
      return "属于另一个文件";
    case RecordDistrust::kDoesNotFit:
      return "与文件现状不符";
  }
  return "";
}

const char* TagWriteErrorText(TagWriteError error) {
  switch (error) {
    case TagWriteError::kNone:
      return "";
    case TagWriteError::kNotFound:
      return "文件不存在";
    case TagWriteError::kNotRegular:
      return "不是普通文件";
    case TagWriteError::kNoPermission:
      return "没有权限";
    case TagWriteError::kDiskFull:
      return "磁盘已满";
    case TagWriteError::kUnreadableTag:
      return "ID3v2标签无法识别，未作修改";
    case TagWriteError::kTagTooLarge:
      return "标签过大";
    case TagWriteError::kNoRecoveryRecord:
      return "无法在文件所在的文件夹中建立恢复记录，未作修改";
    case TagWriteError::kInterrupted:
      return "写入中断，下次打开文件时将完成";
    case TagWriteError::kUnrecoverable:
      return "上次中断的写入无法完成";
    case TagWriteError::kIoError:
      return "读写文件出错";
    case TagWriteError::kChangedSince:
      return "文件已被修改";
    case TagWriteError::kForeignLink:
      return "链接属于其他用户";
  }
  return "";
}

namespace {

// The rest of EditTagBlocks, once an interrupted write of the file is finished.
TagWriteResult EditLockedFile(TagDisk& disk, WritableFile& file, const std::string& journal,
                              const TagBlockPlanner& plan, TagWriteRun* run, TagWriteUndo& undo) {
  using Kind = TagBlockChange::Kind;

  FdSource source(file.fd(), file.Size());
  // A copy an earlier writer was making of this file when it was killed goes now,
  // while the file is locked and no writer of it is at work.
  const std::string folder = FolderOf(file.RealPath());
  if (run) {
    auto listed = run->leftovers.find(folder);
    if (listed == run->leftovers.end())
      listed = run->leftovers.emplace(folder, ListRewriteLeftovers(folder)).first;
    RemoveRewriteLeftovers(folder, listed->second, source);
  } else {
    RemoveRewriteLeftovers(file.RealPath(), source);
  }

  // Everything is decided before anything is written, from what is there now.
  TagBlockChange id3v2, id3v1;
  if (!plan(source, id3v2, id3v1)) return {};
  const Id3v2Region region = LocateId3v2(source);
  const std::uint64_t oldV2 = region.present ? region.length : 0;
  std::optional<std::string> head;
  if (id3v2.kind != Kind::kKeep) {
    if (region.present && !region.walkable) return {TagWriteError::kUnreadableTag};
    if (id3v2.kind == Kind::kReplace) {
      head = PaddedTag(id3v2.bytes, oldV2);
      if (!head) return {TagWriteError::kTagTooLarge};
    } else if (region.present) {
      head = std::string();
    }
  }
  if (id3v1.kind == Kind::kReplace && id3v1.bytes.size() != kId3v1Length)
    return {TagWriteError::kIoError};
  std::string oldHead;
  if (oldV2 > 0 && source.ReadAt(0, oldV2, oldHead) != oldV2) return {TagWriteError::kIoError};
  const std::string oldV1 = OldId3v1(source, oldV2);

  std::optional<std::string> v1;
  if (id3v1.kind == Kind::kReplace) v1 = id3v1.bytes;
  if (id3v1.kind == Kind::kRemove) v1 = std::string();
  // The very same bytes again are no change.
  if (v1 && *v1 == oldV1) v1.reset();
  if (head && *head == oldHead) head.reset();
  Update u = UpdateFrom(file, oldV1, oldV2, std::move(head), v1);
  if (u.v1 == V1Step::kKeep && !u.hasHead) return {};

  if (const TagWriteError error = ReserveFor(disk, file, u); error != TagWriteError::kNone)
    return {error};
  const struct stat before = file.Stat();
  if (const TagWriteError error = ApplyUpdate(disk, file, journal, u, oldV1, oldHead);
      error != TagWriteError::kNone)
    return {error};
  undo.written = true;
  undo.oldId3v2 = std::move(oldHead);
  undo.oldId3v1 = oldV1;
  undo.oldTime = {before.st_mtim.tv_sec, before.st_mtim.tv_nsec};
  if (file.Refresh()) undo.stamp = StampOf(file.Stat());
  return {};
}

}  // namespace

TagWriteResult EditTagBlocks(TagDisk& disk, const std::string& path, const TagBlockPlanner& plan,
                             TagWriteRun* run, TagWriteUndo& undo) {
  undo = {};
  WritableFile file(path);
  if (file.error() != TagWriteError::kNone) return {file.error()};
  // A record of an interrupted write is looked for by every write, under the
  // lock: one could have been left since any listing of the folder.
  const std::string journal = JournalPath(file.RealPath());
  RecordDistrust ignored = RecordDistrust::kNone;
  if (!FinishFromRecord(disk, file, journal, &ignored)) return {TagWriteError::kUnrecoverable};
  const TagWriteResult result = EditLockedFile(disk, file, journal, plan, run, undo);
  return {result.error, ignored};
}

TagWriteResult WriteTagBlocks(TagDisk& disk, const std::string& path, const TagBlockChange& id3v2,
                              const TagBlockChange& id3v1) {
  TagWriteUndo undo;
  return EditTagBlocks(
      disk, path,
      [&](ByteSource&, TagBlockChange& v2, TagBlockChange& v1) {
        v2 = id3v2;
        v1 = id3v1;
        return true;
      },
      nullptr, undo);
}

TagWriteResult RestoreTagRegions(const std::string& path, const TagFileStamp& stamp,
                                 std::string_view id3v2, std::string_view id3v1,
                                 const TagFileTime& oldTime) {
  TagDisk disk;
  WritableFile file(path);
  if (file.error() == TagWriteError::kNotFound) return {TagWriteError::kChangedSince};
  if (file.error() != TagWriteError::kNone) return {file.error()};
  // Checked under the file's lock, before a recovery record of someone else's
  // write could change it: anything but the file as it was left is not ours.
  const std::string journal = JournalPath(file.RealPath());
  const struct stat& st = file.Stat();
  const RecordLook look = LookAtRecord(-1, journal, file.fd());
  if (st.st_dev != stamp.device || st.st_ino != stamp.inode ||
      static_cast<std::uint64_t>(st.st_size) != stamp.size ||
      st.st_mtim.tv_sec != stamp.mtimeSeconds || st.st_mtim.tv_nsec != stamp.mtimeNanoseconds ||
      look.check.state == RecoveryRecord::kUnfinished)
    return {TagWriteError::kChangedSince};
  const RecordDistrust ignored = look.check.state == RecoveryRecord::kIgnored
                                     ? SetAside(journal, look)
                                     : RecordDistrust::kNone;
  if (id3v1.size() != 0 && id3v1.size() != kId3v1Length) return {TagWriteError::kIoError};

  FdSource source(file.fd(), file.Size());
  const Id3v2Region region = LocateId3v2(source);
  const std::uint64_t oldV2 = region.present ? region.length : 0;
  const std::string oldV1 = OldId3v1(source, oldV2);
  std::string oldHead;
  if (oldV2 > 0 && source.ReadAt(0, oldV2, oldHead) != oldV2) return {TagWriteError::kIoError};

  // The old region goes back as it was, never re-padded: the bytes are the point.
  std::optional<std::string> head;
  if (oldV2 != 0 || !id3v2.empty()) head = std::string(id3v2);
  Update u = UpdateFrom(file, oldV1, oldV2, std::move(head), std::string(id3v1));
  if (u.v1 != V1Step::kKeep || u.hasHead) {
    if (const TagWriteError error = ReserveFor(disk, file, u); error != TagWriteError::kNone)
      return {error};
    const TagWriteError error = ApplyUpdate(disk, file, journal, u, oldV1, oldHead);
    if (error != TagWriteError::kNone) return {error, ignored};
  }
  // The time goes back too (a failure here costs only that): an undo of an
  // earlier write of the file still finds it as that write left it.
  const timespec times[2] = {
      {0, UTIME_OMIT},
      {static_cast<time_t>(oldTime.seconds), static_cast<long>(oldTime.nanoseconds)}};
  ::futimens(file.fd(), times);
  return {TagWriteError::kNone, ignored};
}

bool FinishInterruptedTagWrite(TagDisk& disk, const std::string& path) {
  struct stat record;
  if (::lstat(JournalPath(ResolvedPath(path)).c_str(), &record) != 0) return true;
  WritableFile file(path);
  if (file.error() != TagWriteError::kNone) return false;
  return FinishFromRecord(disk, file, JournalPath(file.RealPath()));
}

TagWriteResult WriteTagBlocks(const std::string& path, const TagBlockChange& id3v2,
                              const TagBlockChange& id3v1) {
  TagDisk disk;
  return WriteTagBlocks(disk, path, id3v2, id3v1);
}

TagWriteResult EditTagBlocks(const std::string& path, const TagBlockPlanner& plan, TagWriteRun& run,
                             TagWriteUndo& undo) {
  TagDisk disk;
  return EditTagBlocks(disk, path, plan, &run, undo);
}

bool FinishInterruptedTagWrite(const std::string& path) {
  TagDisk disk;
  return FinishInterruptedTagWrite(disk, path);
}

}  // namespace tessarn
