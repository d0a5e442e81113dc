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

#include "core/id3/id3v2.h"
#include "core/id3/tag_disk.h"
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

// A regular file opened for reading and writing. A path that names anything else
// is refused before it is opened (opening a device may do something), and the
// open itself never waits (a FIFO that appears in between).
class WritableFile {
 public:
  explicit WritableFile(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
      error_ = ErrorOf(errno);
      return;
    }
    if (!S_ISREG(st.st_mode)) {
      error_ = TagWriteError::kNotRegular;
      return;
    }
    do {
      fd_ = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
      error_ = ErrorOf(errno);
      return;
    }
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
      error_ = TagWriteError::kNotRegular;
      return;
    }
    ino_ = st.st_ino;
    // One writer of this file at a time, across processes and threads.
    int r;
    do {
      r = ::flock(fd_, LOCK_EX);
    } while (r != 0 && errno == EINTR);
    if (r != 0) error_ = ErrorOf(errno);
  }
  ~WritableFile() {
    if (fd_ >= 0) ::close(fd_);  // also lets go of the lock
  }
  WritableFile(const WritableFile&) = delete;
  WritableFile& operator=(const WritableFile&) = delete;

  TagWriteError error() const { return error_; }
  int fd() const { return fd_; }
  std::uint64_t inode() const { return ino_; }
  std::uint64_t Size() const {
    struct stat st;
    return ::fstat(fd_, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
  }

 private:
  int fd_ = -1;
  std::uint64_t ino_ = 0;
  TagWriteError error_ = TagWriteError::kNone;
};

std::size_t PreadAll(int fd, char* buf, std::size_t n, std::uint64_t offset) {
  std::size_t done = 0;
  while (done < n) {
    const ssize_t r = ::pread(fd, buf + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += static_cast<std::size_t>(r);
  }
  return done;
}

class FdSource : public ByteSource {
 public:
  FdSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
  std::uint64_t Size() const override { return size_; }
  std::size_t ReadAt(std::uint64_t offset, std::size_t n, std::string& out) override {
    out.clear();
    if (offset >= size_) return 0;
    out.resize(std::min<std::uint64_t>(n, size_ - offset));
    out.resize(PreadAll(fd_, out.data(), out.size(), offset));
    return out.size();
  }

 private:
  int fd_;
  std::uint64_t size_;
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

std::string JournalPath(const std::string& path) {
  const std::string real = ResolvedPath(path);
  const std::size_t slash = real.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : real.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? real : real.substr(slash + 1);
  return folder + "." + name + ".tessarn-journal";
}

void SyncFolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// ---- The recovery record ---------------------------------------------------------
//
// While the start of a file changes length, everything after the old tag moves
// by the difference, piece by piece, each piece no longer than that difference so
// that it never overwrites bytes it has still to read. A piece is moved, then the
// record notes how far the move has come; a piece moved again after a crash reads
// bytes that are still intact. Growth moves the last piece first, shrinking the
// first piece first. The new tag is written once all is moved.
//
// Layout: magic (8), then little-endian 64-bit numbers: inode, original size,
// old tag length, new tag length, progress, checksum of the new tag; then the
// new tag. A record that is shorter or whose checksum is wrong was never
// complete, and the file was not yet touched.

constexpr char kMagic[8] = {'T', 'S', 'R', 'N', 'J', 'N', 'L', '1'};
constexpr std::size_t kProgressAt = 8 + 4 * 8;
constexpr std::size_t kRecordHeader = 8 + 6 * 8;

struct Move {
  std::uint64_t inode = 0;
  std::uint64_t originalSize = 0;
  std::uint64_t oldLength = 0;
  std::uint64_t newLength = 0;
  std::uint64_t progress = 0;  // growth: next piece ends here; shrinking: starts here
  std::string head;            // the new tag, newLength bytes
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

std::string EncodeMove(const Move& m) {
  std::string out(kMagic, sizeof kMagic);
  PutNumber(out, m.inode);
  PutNumber(out, m.originalSize);
  PutNumber(out, m.oldLength);
  PutNumber(out, m.newLength);
  PutNumber(out, m.progress);
  PutNumber(out, Checksum(m.head));
  return out + m.head;
}

std::optional<Move> DecodeMove(std::string_view in) {
  if (in.size() < kRecordHeader || in.substr(0, 8) != std::string_view(kMagic, 8))
    return std::nullopt;
  Move m;
  m.inode = GetNumber(in, 8);
  m.originalSize = GetNumber(in, 16);
  m.oldLength = GetNumber(in, 24);
  m.newLength = GetNumber(in, 32);
  m.progress = GetNumber(in, 40);
  const std::uint64_t sum = GetNumber(in, 48);
  if (m.newLength != in.size() - kRecordHeader) return std::nullopt;
  m.head.assign(in.substr(kRecordHeader));
  if (Checksum(m.head) != sum) return std::nullopt;
  return m;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return std::nullopt;
  struct stat st;
  std::optional<std::string> out;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size < (1 << 29)) {
    std::string data(static_cast<std::size_t>(st.st_size), '\0');
    data.resize(PreadAll(fd, data.data(), data.size(), 0));
    out = std::move(data);
  }
  ::close(fd);
  return out;
}

// Moves what follows the old tag and writes the new tag, from where the record's
// progress says, noting progress in the record (journalFd, or -1 for none).
TagWriteError RunMove(TagDisk& disk, int fd, int journalFd, Move& m) {
  const std::uint64_t a = m.oldLength;
  const std::uint64_t b = m.newLength;
  const std::uint64_t n = m.originalSize;
  std::string piece;
  auto note = [&](std::uint64_t progress) {
    m.progress = progress;
    if (journalFd >= 0) disk.WriteAt(journalFd, kProgressAt, Number(progress));
  };
  if (b > a) {
    const std::uint64_t d = b - a;
    const std::size_t step = static_cast<std::size_t>(std::min<std::uint64_t>(d, kMaxPiece));
    if (const int err = disk.Resize(fd, n + d)) return ErrorOf(err);
    while (m.progress > a) {
      const std::uint64_t from = std::max(a, m.progress > step ? m.progress - step : 0);
      piece.resize(static_cast<std::size_t>(m.progress - from));
      if (PreadAll(fd, piece.data(), piece.size(), from) != piece.size())
        return TagWriteError::kIoError;
      if (const int err = disk.WriteAt(fd, from + d, piece)) return ErrorOf(err);
      note(from);
    }
  } else if (b < a) {
    const std::uint64_t d = a - b;
    const std::size_t step = static_cast<std::size_t>(std::min<std::uint64_t>(d, kMaxPiece));
    while (m.progress < n) {
      const std::uint64_t to = std::min(n, m.progress + step);
      piece.resize(static_cast<std::size_t>(to - m.progress));
      if (PreadAll(fd, piece.data(), piece.size(), m.progress) != piece.size())
        return TagWriteError::kIoError;
      if (const int err = disk.WriteAt(fd, m.progress - d, piece)) return ErrorOf(err);
      note(to);
    }
  }
  if (const int err = disk.WriteAt(fd, 0, m.head)) return ErrorOf(err);
  if (b < a)
    if (const int err = disk.Resize(fd, n - (a - b))) return ErrorOf(err);
  if (const int err = disk.Sync(fd)) return ErrorOf(err);
  return TagWriteError::kNone;
}

// Finishes what a record beside the file describes; the file is open and locked.
// A record of another file (same name, other inode) or of a file changed since is
// stale and only removed.
bool FinishFromRecord(TagDisk& disk, const WritableFile& file, const std::string& journal) {
  if (::access(journal.c_str(), F_OK) != 0) return true;
  const std::optional<std::string> bytes = ReadWholeFile(journal);
  if (!bytes) return false;
  std::optional<Move> m = DecodeMove(*bytes);
  if (m && m->inode == file.inode()) {
    const std::uint64_t size = file.Size();
    const std::uint64_t a = m->oldLength, b = m->newLength, n = m->originalSize;
    const bool plausible = b >= a ? (size == n || size == n + (b - a))
                                  : (size == n || size == n - (a - b));
    if (plausible) {
      if (b < a && size == n - (a - b)) m->progress = n;  // moved and cut already
      if (RunMove(disk, file.fd(), -1, *m) != TagWriteError::kNone) return false;
    }
  }
  return ::unlink(journal.c_str()) == 0 || errno == ENOENT;
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
  if (out[3] == 4) out[5] = static_cast<char>(out[5] & ~0x10);  // padding and a footer exclude each other
  const auto size = EncodeTagSize(static_cast<std::uint32_t>(length - 10));
  std::memcpy(out.data() + 6, size.data(), 4);
  return out;
}

// Replaces the first oldLength bytes of the file with head. In place when the
// length stays; otherwise the rest of the file moves, under a recovery record.
TagWriteError PlaceHead(TagDisk& disk, const WritableFile& file, const std::string& journal,
                        std::uint64_t oldLength, const std::string& head) {
  Move m;
  m.inode = file.inode();
  m.originalSize = file.Size();
  m.oldLength = oldLength;
  m.newLength = head.size();
  m.head = head;
  m.progress = m.newLength > m.oldLength ? m.originalSize : m.oldLength;

  const int jfd = ::open(journal.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (jfd < 0) {
    // A tag of the same length can do without: the audio does not move. Growing
    // or shrinking without a record could cost audio in a crash.
    if (m.newLength != m.oldLength) return TagWriteError::kNoRecoveryRecord;
    std::string old(static_cast<std::size_t>(oldLength), '\0');
    old.resize(PreadAll(file.fd(), old.data(), old.size(), 0));
    const TagWriteError error = RunMove(disk, file.fd(), -1, m);
    if (error != TagWriteError::kNone) disk.WriteAt(file.fd(), 0, old);
    return error;
  }
  int err = disk.WriteAt(jfd, 0, EncodeMove(m));
  if (!err) err = disk.Sync(jfd);
  if (err) {
    ::close(jfd);
    ::unlink(journal.c_str());
    return ErrorOf(err);
  }
  SyncFolderOf(journal);
  const TagWriteError error = RunMove(disk, file.fd(), jfd, m);
  ::close(jfd);
  if (error == TagWriteError::kNone) {
    ::unlink(journal.c_str());
    return error;
  }
  // Growth that moved nothing yet has written only past the old end: cutting the
  // file back leaves it as it was.
  if (m.newLength > m.oldLength && m.progress == m.originalSize) {
    disk.Resize(file.fd(), m.originalSize);
    ::unlink(journal.c_str());
    return error;
  }
  // Part-way: try once more to finish; if that fails too the record stays for
  // the next open.
  if (FinishFromRecord(disk, file, journal)) return TagWriteError::kNone;
  return TagWriteError::kInterrupted;
}

}  // namespace

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
  }
  return "";
}

TagWriteResult WriteTagBlocks(TagDisk& disk, const std::string& path,
                              const TagBlockChange& id3v2, const TagBlockChange& id3v1) {
  using Kind = TagBlockChange::Kind;
  WritableFile file(path);
  if (file.error() != TagWriteError::kNone) return {file.error()};
  const std::string journal = JournalPath(path);
  if (!FinishFromRecord(disk, file, journal)) return {TagWriteError::kUnrecoverable};

  // Everything is decided before anything is written.
  const std::uint64_t size = file.Size();
  FdSource source(file.fd(), size);
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
  std::string oldV1;
  if (size >= kId3v1Length + oldV2) {
    source.ReadAt(size - kId3v1Length, kId3v1Length, oldV1);
    if (!oldV1.starts_with("TAG")) oldV1.clear();
  }
  const bool hasV1 = !oldV1.empty();
  const bool appendV1 = id3v1.kind == Kind::kReplace && !hasV1;
  if (id3v1.kind == Kind::kReplace && id3v1.bytes.size() != kId3v1Length)
    return {TagWriteError::kIoError};

  const std::uint64_t growth = (appendV1 ? kId3v1Length : 0) +
                               (head && head->size() > oldV2 ? head->size() - oldV2 : 0);
  if (const int err = disk.Reserve(file.fd(), size, growth)) return {ErrorOf(err)};

  // ID3v1 first, so that the move of an ID3v2 write carries the new block along.
  std::uint64_t sizeNow = size;
  int err = 0;
  if (id3v1.kind == Kind::kReplace) {
    const std::uint64_t at = hasV1 ? size - kId3v1Length : size;
    err = disk.WriteAt(file.fd(), at, id3v1.bytes);
    if (err) {
      // Whatever got written goes: the old block back, or the file cut back.
      if (hasV1)
        disk.WriteAt(file.fd(), at, oldV1);
      else
        disk.Resize(file.fd(), size);
      return {ErrorOf(err)};
    }
    sizeNow = at + kId3v1Length;
  } else if (id3v1.kind == Kind::kRemove && hasV1) {
    if ((err = disk.Resize(file.fd(), size - kId3v1Length))) return {ErrorOf(err)};
    sizeNow = size - kId3v1Length;
  }
  auto undoV1 = [&] {
    if (sizeNow > size)
      disk.Resize(file.fd(), size);
    else if (hasV1 && id3v1.kind != Kind::kKeep)
      disk.WriteAt(file.fd(), size - kId3v1Length, oldV1);
  };

  if (head) {
    const TagWriteError error = PlaceHead(disk, file, journal, oldV2, *head);
    if (error != TagWriteError::kNone) {
      if (error != TagWriteError::kInterrupted) undoV1();
      return {error};
    }
  } else if (id3v1.kind != Kind::kKeep) {
    if ((err = disk.Sync(file.fd()))) return {ErrorOf(err)};
  }
  return {};
}

bool FinishInterruptedTagWrite(TagDisk& disk, const std::string& path) {
  const std::string journal = JournalPath(path);
  if (::access(journal.c_str(), F_OK) != 0) return true;
  WritableFile file(path);
  if (file.error() != TagWriteError::kNone) return false;
  return FinishFromRecord(disk, file, journal);
}

TagWriteResult WriteTagBlocks(const std::string& path, const TagBlockChange& id3v2,
                              const TagBlockChange& id3v1) {
  TagDisk disk;
  return WriteTagBlocks(disk, path, id3v2, id3v1);
}

bool FinishInterruptedTagWrite(const std::string& path) {
  TagDisk disk;
  return FinishInterruptedTagWrite(disk, path);
}

}  // namespace tessarn
