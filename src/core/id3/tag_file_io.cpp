#include "core/id3/tag_file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "core/id3/tag_file_writer.h"

namespace tessarn {
namespace {

int OpenRetry(int folderFd, const char* path, int flags) {
  int fd;
  do {
    fd = ::openat(folderFd, path, flags | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// The recovery record a tag write leaves beside a file while it moves the audio;
// `path` is relative to folderFd (or AT_FDCWD).
bool HasRecoveryRecord(int folderFd, const std::string& path) {
  struct stat st;  // whatever it is, a link included: the check says what it is worth
  return ::fstatat(folderFd, JournalPath(path).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

// Whether the file `name` is reached inside folderFd by that name.
bool ByNameIn(int folderFd, const std::string& name) {
  return folderFd >= 0 && !name.empty() && name.find('/') == std::string::npos;
}

}  // namespace

bool FolderHoldsNoRecoveryRecord(int folderFd, std::size_t maxNames) {
  if (folderFd < 0) return false;
  const int fd = OpenRetry(folderFd, ".", O_RDONLY | O_DIRECTORY);
  if (fd < 0) return false;
  DIR* dir = ::fdopendir(fd);
  if (dir == nullptr) {
    ::close(fd);
    return false;
  }
  bool none = true;
  std::size_t names = 0;
  errno = 0;
  while (const dirent* e = ::readdir(dir)) {
    if (++names > maxNames || IsJournalName(e->d_name)) {
      none = false;
      break;
    }
  }
  if (errno != 0) none = false;  // the listing broke off: nothing is known
  ::closedir(dir);
  return none;
}

bool StatFileIn(int folderFd, const std::string& name, const std::string& path, struct stat& st) {
  if (ByNameIn(folderFd, name)) return ::fstatat(folderFd, name.c_str(), &st, 0) == 0;
  return ::stat(path.c_str(), &st) == 0;
}

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

std::size_t ByteSource::ReadInto(std::uint64_t offset, std::size_t n, char* out) {
  std::string read;
  ReadAt(offset, n, read);
  std::memcpy(out, read.data(), read.size());
  return read.size();
}

std::string_view MemorySource::Peek(std::uint64_t offset, std::size_t n) {
  if (offset > data_.size() || n > data_.size() - offset) return {};
  return data_.substr(offset, n);
}

std::size_t MemorySource::ReadAt(std::uint64_t offset, std::size_t n, std::string& out) {
  if (offset >= data_.size()) {
    out.clear();
    return 0;
  }
  const std::size_t count = std::min<std::uint64_t>(n, data_.size() - offset);
  out.assign(data_.data() + offset, count);
  return count;
}

ReadOnlyFile::ReadOnlyFile(const std::string& path) {
  Open(AT_FDCWD, path, RecoveryLookup::kLookUp);
}

ReadOnlyFile::ReadOnlyFile(int folderFd, const std::string& name, const std::string& path,
                           RecoveryLookup lookup) {
  if (ByNameIn(folderFd, name))
    Open(folderFd, name, lookup);
  else
    Open(AT_FDCWD, path, RecoveryLookup::kLookUp);
}

void ReadOnlyFile::Open(int folderFd, const std::string& name, RecoveryLookup lookup) {
  fd_ = OpenRetry(folderFd, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY);
  if (fd_ < 0) return;
  struct stat st;
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    return;
  }
  // Only looked at: a record is finished by the next write, which checks it again
  // under the file's lock. A reader that finished it would let anyone who can put
  // a file beside this one make its owner's mere look change the file.
  if (lookup == RecoveryLookup::kLookUp && HasRecoveryRecord(folderFd, name))
    record_ = CheckRecoveryRecord(folderFd, JournalPath(name), fd_);
  size_ = static_cast<std::uint64_t>(st.st_size);
}

ReadOnlyFile::~ReadOnlyFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::string_view ReadOnlyFile::Peek(std::uint64_t offset, std::size_t n) {
  if (fd_ < 0 || offset < windowStart_ || offset > windowStart_ + windowSize_ ||
      n > windowStart_ + windowSize_ - offset)
    return {};
  return std::string_view(window_ + (offset - windowStart_), n);
}

std::string_view ReadOnlyFile::Front() {
  if (fd_ < 0) return {};
  if (windowStart_ != 0 || windowSize_ == 0) {
    // What the first read of a tag's header fetches (see ReadAt).
    windowSize_ = PreadAll(fd_, window_, std::min<std::uint64_t>(kWindow, size_), 0);
    windowStart_ = 0;
  }
  return std::string_view(window_, windowSize_);
}

std::size_t ReadOnlyFile::ReadInto(std::uint64_t offset, std::size_t n, char* out) {
  if (fd_ < 0 || offset >= size_) return 0;
  n = std::min<std::uint64_t>(n, size_ - offset);
  if (offset >= windowStart_ && offset + n <= windowStart_ + windowSize_) {
    std::memcpy(out, window_ + (offset - windowStart_), n);
    return n;
  }
  return PreadAll(fd_, out, n, offset);
}

std::size_t ReadOnlyFile::ReadAt(std::uint64_t offset, std::size_t n, std::string& out) {
  out.clear();
  if (fd_ < 0 || offset >= size_) return 0;
  n = std::min<std::uint64_t>(n, size_ - offset);
  if (offset >= windowStart_ && offset + n <= windowStart_ + windowSize_) {
    out.assign(window_ + (offset - windowStart_), n);
    return n;
  }
  // Nothing allowed yet: the first read of a tag's header may fetch a window,
  // which holds the whole of a small tag.
  const std::uint64_t aheadEnd =
      std::min(readAheadEnd_ == 0 && offset == 0 ? std::uint64_t{kWindow} : readAheadEnd_, size_);
  if (n < kWindow / 2 && offset + n < aheadEnd) {
    const std::size_t want = std::min<std::uint64_t>(kWindow, aheadEnd - offset);
    windowSize_ = PreadAll(fd_, window_, want, offset);
    windowStart_ = offset;
    n = std::min(n, windowSize_);
    out.assign(window_, n);
    return n;
  }
  out.resize(n);
  const std::size_t got = PreadAll(fd_, out.data(), n, offset);
  out.resize(got);
  return got;
}

}  // namespace tessarn
