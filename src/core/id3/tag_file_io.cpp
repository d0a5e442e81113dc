// The only file in the codec that talks to the operating system.
#include "core/id3/tag_file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace tessarn {
namespace {

int OpenRetry(const char* path, int flags) {
  int fd;
  do {
    fd = ::open(path, flags | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd;
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

bool PwriteAll(int fd, const char* buf, std::size_t n, std::uint64_t offset) {
  std::size_t done = 0;
  while (done < n) {
    const ssize_t r = ::pwrite(fd, buf + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    done += static_cast<std::size_t>(r);
  }
  return true;
}

// Appends to the temporary file, honouring the test seam's byte budget.
class FaultyWriter {
 public:
  FaultyWriter(int fd, const IoFault& fault) : fd_(fd), budget_(fault.failAfterBytes) {}
  bool Write(const char* data, std::size_t n) {
    if (budget_ >= 0) {
      const auto allowed = std::min<std::size_t>(n, static_cast<std::size_t>(budget_));
      if (!PwriteAll(fd_, data, allowed, offset_)) return false;
      offset_ += allowed;
      budget_ -= static_cast<long long>(allowed);
      if (allowed < n) return false;
      return true;
    }
    if (!PwriteAll(fd_, data, n, offset_)) return false;
    offset_ += n;
    return true;
  }

 private:
  int fd_;
  long long budget_;
  std::uint64_t offset_ = 0;
};

// The path the rewrite must replace: a symbolic link is followed, so that the
// link stays a link and the file it points to gets the new content.
std::string ResolvedPath(const std::string& path) {
  char* real = ::realpath(path.c_str(), nullptr);
  if (!real) return path;
  std::string out(real);
  std::free(real);
  return out;
}

}  // namespace

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
  fd_ = OpenRetry(path.c_str(), O_RDONLY);
  if (fd_ < 0) return;
  struct stat st;
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    return;
  }
  size_ = static_cast<std::uint64_t>(st.st_size);
}

ReadOnlyFile::~ReadOnlyFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::size_t ReadOnlyFile::ReadAt(std::uint64_t offset, std::size_t n, std::string& out) {
  constexpr std::size_t kWindow = 512;
  out.clear();
  if (fd_ < 0 || offset >= size_) return 0;
  n = std::min<std::uint64_t>(n, size_ - offset);
  if (offset >= windowStart_ && offset + n <= windowStart_ + window_.size()) {
    out.assign(window_, offset - windowStart_, n);
    return n;
  }
  const std::uint64_t aheadEnd = std::min(readAheadEnd_, size_);
  if (n < kWindow / 2 && offset + n < aheadEnd) {
    const std::size_t want = std::min<std::uint64_t>(kWindow, aheadEnd - offset);
    window_.resize(want);
    window_.resize(PreadAll(fd_, window_.data(), want, offset));
    windowStart_ = offset;
    n = std::min(n, window_.size());
    out.assign(window_, 0, n);
    return n;
  }
  out.resize(n);
  const std::size_t got = PreadAll(fd_, out.data(), n, offset);
  out.resize(got);
  return got;
}

bool WriteFileAt(const std::string& path, std::uint64_t offset, std::string_view data) {
  const int fd = OpenRetry(path.c_str(), O_WRONLY);
  if (fd < 0) return false;
  bool ok = PwriteAll(fd, data.data(), data.size(), offset);
  if (::close(fd) != 0) ok = false;
  return ok;
}

bool TruncateFile(const std::string& path, std::uint64_t length) {
  const int fd = OpenRetry(path.c_str(), O_WRONLY);
  if (fd < 0) return false;
  bool ok = ::ftruncate(fd, static_cast<off_t>(length)) == 0;
  if (::close(fd) != 0) ok = false;
  return ok;
}

bool ReplaceFileHead(const std::string& path, std::uint64_t oldHeadLength, std::string_view newHead,
                     const IoFault& fault) {
  const std::string target = ResolvedPath(path);
  const int in = OpenRetry(target.c_str(), O_RDONLY);
  if (in < 0) return false;
  struct stat st;
  if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(in);
    return false;
  }
  const auto size = static_cast<std::uint64_t>(st.st_size);
  oldHeadLength = std::min(oldHeadLength, size);

  // The temporary file lives in the same folder, so that the final rename is atomic.
  const std::size_t slash = target.rfind('/');
  const std::string folder =
      slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  std::string tempPath = folder + ".tessarn-rewrite-XXXXXX";
  const int out = ::mkostemp(tempPath.data(), O_CLOEXEC);
  if (out < 0) {
    ::close(in);
    return false;
  }

  bool ok = true;
  FaultyWriter writer(out, fault);
  if (!writer.Write(newHead.data(), newHead.size())) ok = false;
  std::vector<char> buffer(1 << 20);
  for (std::uint64_t pos = oldHeadLength; ok && pos < size;) {
    const std::size_t want = std::min<std::uint64_t>(buffer.size(), size - pos);
    const std::size_t got = PreadAll(in, buffer.data(), want, pos);
    if (got != want || !writer.Write(buffer.data(), got)) ok = false;
    pos += got;
  }
  ::close(in);

  // Keep the owner (when allowed) and the permissions of the original.
  if (ok) {
    if (::fchown(out, st.st_uid, st.st_gid) != 0) {
      // Not the owner: the file becomes ours, as with any editor that saves.
    }
    if (::fchmod(out, st.st_mode & 07777) != 0) ok = false;
  }
  if (ok && ::fsync(out) != 0) ok = false;
  if (::close(out) != 0) ok = false;
  // Replacing the original is the point here; this is the codec's only rename.
  if (ok && (fault.failRename || ::rename(tempPath.c_str(), target.c_str()) != 0)) ok = false;
  if (!ok) {
    ::unlink(tempPath.c_str());
    return false;
  }
  // Make the rename itself durable; the file is already whole either way.
  const int dir = OpenRetry(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

}  // namespace tessarn
