#include "core/history/history_store.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <zlib.h>

#include <iterator>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/text/encoding.h"

namespace tessarn {
namespace {

constexpr std::string_view kMagic = "TSNHIST2";
constexpr std::string_view kFirstMagic = "TSNHIST1";
constexpr std::string_view kRunPrefix = "run-";
constexpr std::size_t kHeaderSize = 9;  // length, checksum, type

bool MakeDirectories(const std::string& path) {
  std::size_t pos = 0;
  while (pos != std::string::npos) {
    pos = path.find('/', pos + 1);
    const std::string part = path.substr(0, pos);
    if (part.empty()) continue;
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::uint32_t Checksum(char type, std::string_view payload) {
  uLong crc = crc32(0L, Z_NULL, 0);
  const Bytef t = static_cast<Bytef>(type);
  crc = crc32(crc, &t, 1);
  // zlib takes lengths as uInt: feed large payloads in pieces.
  while (!payload.empty()) {
    const std::size_t n = std::min<std::size_t>(payload.size(), 1u << 30);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(payload.data()), static_cast<uInt>(n));
    payload.remove_prefix(n);
  }
  return static_cast<std::uint32_t>(crc);
}

std::uint32_t ReadU32At(std::string_view data, std::size_t pos) {
  const auto* p = reinterpret_cast<const unsigned char*>(data.data() + pos);
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// The folder's entry for a new file reaches the disk too; a failure here costs only
// the durability of the name, which the next flush of the folder gives anyway.
void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

std::string StateDirectory() {
  // A relative XDG_STATE_HOME is to be ignored, as for every XDG variable.
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state != nullptr && state[0] == '/') return std::string(state) + "/Tessarn";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.local/state/Tessarn";
  return {};
}

std::string HistoryFolder(const std::string& stateDirectory) { return stateDirectory + "/history"; }

std::string ByteSizeText(std::uint64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + " B";
  static const char* const kUnits[] = {"KB", "MB", "GB", "TB"};
  double value = static_cast<double>(bytes) / 1024;
  std::size_t unit = 0;
  while (value >= 1024 && unit + 1 < std::size(kUnits)) {
    value /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
  return text;
}

std::string SystemErrorText(int error) { return Utf8ToGbLossy(std::strerror(error)); }

HistoryLock::~HistoryLock() {
  if (fd_ >= 0) ::close(fd_);
}

bool HistoryLock::Acquire(const std::string& stateDirectory, std::string& error) {
  if (stateDirectory.empty()) {
    error = Gb("无法确定撤消记录的目录（HOME 与 XDG_STATE_HOME 都未设置）");
    return false;
  }
  if (!MakeDirectories(HistoryFolder(stateDirectory))) {
    error = Gb("无法创建撤消记录的目录 ") + DecodeDiskName(stateDirectory) + Gb("：") +
            SystemErrorText(errno);
    return false;
  }
  const std::string path = stateDirectory + "/lock";
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd_ < 0) {
    error = Gb("无法打开 ") + DecodeDiskName(path) + Gb("：") + SystemErrorText(errno);
    return false;
  }
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    busy_ = true;
    error = Gb("另一个更名或撤消正在进行，请稍后再试");
    return false;
  }
  return true;
}

void PutU8(std::string& out, std::uint8_t v) { out.push_back(static_cast<char>(v)); }

void PutU32(std::string& out, std::uint32_t v) {
  const char b[4] = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                     static_cast<char>(v >> 24)};
  out.append(b, 4);
}

void PutU64(std::string& out, std::uint64_t v) {
  PutU32(out, static_cast<std::uint32_t>(v));
  PutU32(out, static_cast<std::uint32_t>(v >> 32));
}

void PutText(std::string& out, std::string_view text) {
  PutU32(out, static_cast<std::uint32_t>(text.size()));
  out.append(text);
}

bool PayloadReader::U8(std::uint8_t& v) {
  if (pos_ + 1 > data_.size()) return false;
  v = static_cast<std::uint8_t>(data_[pos_++]);
  return true;
}

bool PayloadReader::U32(std::uint32_t& v) {
  if (pos_ + 4 > data_.size()) return false;
  v = ReadU32At(data_, pos_);
  pos_ += 4;
  return true;
}

bool PayloadReader::U64(std::uint64_t& v) {
  std::uint32_t lo, hi;
  if (!U32(lo) || !U32(hi)) return false;
  v = lo | (static_cast<std::uint64_t>(hi) << 32);
  return true;
}

bool PayloadReader::Text(std::string& out) {
  std::uint32_t n;
  if (!U32(n) || n > data_.size() - pos_) return false;
  out.assign(data_.data() + pos_, n);
  pos_ += n;
  return true;
}

bool PayloadReader::SkipText(std::uint32_t& length) {
  if (!U32(length) || length > data_.size() - pos_) return false;
  pos_ += length;
  return true;
}

bool PayloadReader::Bytes(std::size_t n, std::string_view& out) {
  if (n > data_.size() - pos_) return false;
  out = data_.substr(pos_, n);
  pos_ += n;
  return true;
}

void AppendRecord(std::string& out, char type, std::string_view payload) {
  PutU32(out, static_cast<std::uint32_t>(payload.size()));
  PutU32(out, Checksum(type, payload));
  out.push_back(type);
  out.append(payload);
}

std::size_t BeginRecord(std::string& out, char type) {
  const std::size_t at = out.size();
  out.append(8, '\0');  // size and checksum, known at the end
  out.push_back(type);
  return at;
}

void EndRecord(std::string& out, std::size_t frameAt) {
  const std::string_view payload = std::string_view(out).substr(frameAt + 9);
  std::string frame;
  PutU32(frame, static_cast<std::uint32_t>(payload.size()));
  PutU32(frame, Checksum(out[frameAt + 8], payload));
  out.replace(frameAt, 8, frame);
}

void AppendHeadRecord(std::string& out, std::uint8_t kind, std::uint8_t frontEnd,
                      std::uint64_t time) {
  std::string payload;
  PutU8(payload, kind);
  PutU8(payload, frontEnd);
  PutU64(payload, time);
  AppendRecord(out, 'H', payload);
}

bool ReadHeadRecord(std::string_view payload, RunHead& head) {
  PayloadReader in(payload);
  return in.U8(head.kind) && in.U8(head.frontEnd) && in.U64(head.time);
}

std::vector<Record> ParseRecords(std::string_view data, bool& intact) {
  std::vector<Record> records;
  intact = data.substr(0, kMagic.size()) == kMagic ||
           data.substr(0, kFirstMagic.size()) == kFirstMagic;
  if (!intact) return records;
  std::size_t pos = kMagic.size();
  while (pos < data.size()) {
    if (data.size() - pos < kHeaderSize) {
      intact = false;
      break;
    }
    const std::uint32_t length = ReadU32At(data, pos);
    const std::uint32_t sum = ReadU32At(data, pos + 4);
    const char type = data[pos + 8];
    if (length > data.size() - pos - kHeaderSize) {
      intact = false;
      break;
    }
    const std::string_view payload = data.substr(pos + kHeaderSize, length);
    if (Checksum(type, payload) != sum) {
      intact = false;
      break;
    }
    records.push_back({type, payload});
    pos += kHeaderSize + length;
  }
  return records;
}

RunFileWriter::~RunFileWriter() {
  if (fd_ >= 0) ::close(fd_);
}

bool RunFileWriter::Create(const std::string& historyFolder, std::uint64_t id,
                           std::string_view records, std::string& error,
                           std::uint64_t reserve) {
  const std::string path = RunFilePath(historyFolder, id);
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC | O_NOFOLLOW,
               0600);
  if (fd_ >= 0 && !Reserve(kMagic.size() + records.size() + reserve, error)) {
    ::unlink(path.c_str());
    ok_ = false;
    return false;
  }
  // Two writes, not one copy: the records of a long run are megabytes.
  if (fd_ < 0 || !Write(kMagic) || !Write(records) || ::fdatasync(fd_) != 0) {
    const int code = fd_ < 0 ? errno : (errno_ != 0 ? errno_ : errno);
    error = Gb("无法写入撤消记录 ") + DecodeDiskName(path) + Gb("：") + SystemErrorText(code);
    if (fd_ >= 0) ::unlink(path.c_str());
    ok_ = false;
    return false;
  }
  SyncFolder(historyFolder);
  return true;
}

bool RunFileWriter::OpenToAppend(const std::string& historyFolder, std::uint64_t id,
                                 std::string& error) {
  const std::string path = RunFilePath(historyFolder, id);
  fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW);
  struct stat st;
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) {
    error = Gb("无法写入撤消记录 ") + DecodeDiskName(path) + Gb("：") + SystemErrorText(errno);
    ok_ = false;
    return false;
  }
  size_ = static_cast<std::uint64_t>(st.st_size);
  return true;
}

bool RunFileWriter::Reserve(std::uint64_t bytes, std::string& error) {
  if (fd_ < 0 || bytes == 0) return ok_;
  // FALLOC_FL_KEEP_SIZE (1): the blocks are the file's, its length stays, so that
  // the records appended later land in room already had.
  int code = 0;
  if (::fallocate(fd_, 1, static_cast<off_t>(size_), static_cast<off_t>(bytes)) != 0) {
    code = errno;
    if (code == EOPNOTSUPP || code == ENOSYS) {
      struct statvfs vfs;
      code = ::fstatvfs(fd_, &vfs) == 0 &&
                     static_cast<std::uint64_t>(vfs.f_bavail) * vfs.f_frsize < bytes
                 ? ENOSPC
                 : 0;
    }
  }
  if (code == 0) return true;
  error = Gb("撤消记录的目录没有足够的空间（需要 ") + std::to_string((bytes + 1023) / 1024) +
          Gb(" KB）：") + SystemErrorText(code);
  return false;
}

bool RunFileWriter::Write(std::string_view bytes) {
  const std::uint64_t before = size_;
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      errno_ = errno;
      // A record cut by a full disk would read as damage: it goes, whole records stay.
      if (size_ != before && ::ftruncate(fd_, static_cast<off_t>(before)) == 0) size_ = before;
      errno = errno_;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
    size_ += static_cast<std::uint64_t>(n);
  }
  return true;
}

bool RunFileWriter::AppendAndSync(std::string_view records) {
  if (ok_ && (!Write(records) || ::fdatasync(fd_) != 0)) {
    if (errno_ == 0) errno_ = errno;
    ok_ = false;
  }
  return ok_;
}

bool RunFileWriter::Append(std::string_view records) {
  if (ok_ && !Write(records)) ok_ = false;
  return ok_;
}

bool RunFileWriter::Sync() {
  if (ok_ && ::fdatasync(fd_) != 0) {
    errno_ = errno;
    ok_ = false;
  }
  return ok_;
}

bool RunFileWriter::HoldRunLock() { return fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0; }

bool RunFileInUse(const std::string& historyFolder, std::uint64_t id) {
  const int fd = ::open(RunFilePath(historyFolder, id).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  // flock belongs to the open file: a run of this very process is seen too.
  const bool inUse = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return inUse;
}

std::vector<std::uint64_t> ListRunIds(const std::string& historyFolder) {
  std::vector<std::uint64_t> ids;
  DIR* dir = ::opendir(historyFolder.c_str());
  if (dir == nullptr) return ids;
  while (const dirent* e = ::readdir(dir)) {
    const std::string_view name = e->d_name;
    if (name.size() != kRunPrefix.size() + 10 || name.substr(0, kRunPrefix.size()) != kRunPrefix)
      continue;
    std::uint64_t id = 0;
    bool digits = true;
    for (char c : name.substr(kRunPrefix.size())) {
      if (c < '0' || c > '9') digits = false;
      id = id * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (digits && id > 0) ids.push_back(id);
  }
  ::closedir(dir);
  std::sort(ids.begin(), ids.end());
  return ids;
}

std::string RunFilePath(const std::string& historyFolder, std::uint64_t id) {
  char name[32];
  std::snprintf(name, sizeof name, "run-%010llu", static_cast<unsigned long long>(id));
  return historyFolder + "/" + name;
}

bool ReadRunFile(const std::string& historyFolder, std::uint64_t id, std::string& bytes) {
  bytes.clear();
  const int fd = ::open(RunFilePath(historyFolder, id).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  // Read straight into the string, sized by the file and grown if it grows.
  std::size_t size =
      ::fstat(fd, &st) == 0 && st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0;
  bytes.resize(size + 4096);
  std::size_t have = 0;
  bool ok = true;
  for (;;) {
    if (have == bytes.size()) bytes.resize(bytes.size() * 2);
    const ssize_t n = ::read(fd, bytes.data() + have, bytes.size() - have);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    have += static_cast<std::size_t>(n);
  }
  bytes.resize(have);
  ::close(fd);
  return ok;
}

void RemoveRunFile(const std::string& historyFolder, std::uint64_t id) {
  ::unlink(RunFilePath(historyFolder, id).c_str());
}

void SetDamagedRunFileAside(const std::string& historyFolder, std::uint64_t id) {
  const std::string path = RunFilePath(historyFolder, id);
  // An older copy set aside for the same number gives way: this one is newer.
  ::rename(path.c_str(), (path + ".damaged").c_str());
}

std::uint64_t RunFileBytes(const std::string& historyFolder, std::uint64_t id) {
  struct stat st;
  if (::lstat(RunFilePath(historyFolder, id).c_str(), &st) != 0) return 0;
  const auto length = static_cast<std::uint64_t>(st.st_size);
  const auto blocks = static_cast<std::uint64_t>(st.st_blocks) * 512;
  return std::max(length, blocks);
}

DroppedRuns DropOldRuns(const std::string& historyFolder, std::size_t keep,
                        std::uint64_t maxBytes) {
  DroppedRuns dropped;
  const std::vector<std::uint64_t> ids = ListRunIds(historyFolder);
  if (ids.empty()) return dropped;
  // Newest first: keep runs while they fit both bounds; the newest always stays.
  // Once one is dropped every older one goes too: the history never has a gap,
  // as runs are undone newest first.
  std::uint64_t total = 0;
  std::size_t kept = 0;
  bool full = false;
  for (std::size_t k = ids.size(); k-- > 0;) {
    const std::uint64_t bytes = RunFileBytes(historyFolder, ids[k]);
    const bool newest = k + 1 == ids.size();
    if (newest && maxBytes != 0 && bytes > maxBytes) dropped.newestOverBound = true;
    const bool overCount = kept >= keep;
    const bool overSize = maxBytes != 0 && total + bytes > maxBytes;
    if (!newest && (full || overCount || overSize)) {
      full = true;
      RemoveRunFile(historyFolder, ids[k]);
      ++dropped.count;
      if (!overCount) ++dropped.forSize;
      continue;
    }
    total += bytes;
    ++kept;
  }
  return dropped;
}

}  // namespace tessarn
