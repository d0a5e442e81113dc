#include "core/id3/rewrite_leftovers.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "core/filelist/own_names.h"
#include "core/id3/id3v2_frames.h"
#include "core/id3/tag_region.h"

namespace tessarn {
namespace {

// Audio bytes a leftover must share with the file before it counts as the file's:
// enough that two songs never share them, as every MP3 frame header looks alike.
constexpr std::uint64_t kEvidence = 4096;
constexpr std::size_t kPiece = 1 << 16;

// Where a source's audio starts: after its ID3v2 tag as the header declares it
// (what the earlier writer skipped), or as far as its frames reach when the
// declared size is damaged; 0 without a tag.
std::vector<std::uint64_t> AudioStarts(ByteSource& source) {
  Id3v2TagInfo info;
  if (!ReadId3v2TagInfo(source, info)) return {0};
  std::vector<std::uint64_t> starts{std::min(info.wholeLength, source.Size())};
  const Id3v2Region region = LocateId3v2(source);
  if (region.present && region.length != starts[0]) starts.push_back(region.length);
  return starts;
}

bool SameBytes(ByteSource& a, std::uint64_t atA, ByteSource& b, std::uint64_t atB,
               std::uint64_t length) {
  std::string x, y;
  for (std::uint64_t done = 0; done < length;) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, length - done));
    if (a.ReadAt(atA + done, n, x) != n || b.ReadAt(atB + done, n, y) != n || x != y) return false;
    done += n;
  }
  return true;
}

class FdReader : public ByteSource {
 public:
  FdReader(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
  std::uint64_t Size() const override { return size_; }
  std::size_t ReadAt(std::uint64_t offset, std::size_t n, std::string& out) override {
    out.clear();
    if (offset >= size_) return 0;
    out.resize(std::min<std::uint64_t>(n, size_ - offset));
    std::size_t done = 0;
    while (done < out.size()) {
      const ssize_t r =
          ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) break;
      done += static_cast<std::size_t>(r);
    }
    out.resize(done);
    return done;
  }

 private:
  int fd_;
  std::uint64_t size_;
};

// Opens the entry `name` of the folder for reading when it is a regular file
// with one link; -1 otherwise. Never follows a link, never waits.
int OpenLeftover(int folder, const char* name, struct stat& st) {
  int fd;
  do {
    fd = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// True unless another process holds a lock on the open file: a writer at work.
bool NobodyHoldsIt(int fd) {
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
  return errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOSYS;
}

}  // namespace

bool IsLeftoverOf(ByteSource& leftover, ByteSource& file) {
  // The copy's own tag is the new one: only its declared length matters.
  Id3v2TagInfo info;
  const std::uint64_t copyStart =
      ReadId3v2TagInfo(leftover, info) ? std::min(info.wholeLength, leftover.Size()) : 0;
  const std::uint64_t copied = leftover.Size() - copyStart;
  for (const std::uint64_t start : AudioStarts(file)) {
    const std::uint64_t audio = file.Size() - start;
    if (audio == 0 || copied > audio || copied < std::min(kEvidence, audio)) continue;
    if (SameBytes(leftover, copyStart, file, start, copied)) return true;
  }
  return false;
}

std::vector<std::string> ListRewriteLeftovers(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(folder.empty() ? "." : folder.c_str())) {
    while (const dirent* e = ::readdir(d))
      if (IsRewriteLeftoverName(e->d_name)) names.emplace_back(e->d_name);
    ::closedir(d);
  }
  return names;
}

void RemoveRewriteLeftovers(const std::string& folderPath, std::vector<std::string>& names,
                            ByteSource& file) {
  if (names.empty()) return;
  const int folder =
      ::open(folderPath.empty() ? "." : folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return;
  std::erase_if(names, [&](const std::string& name) {
    struct stat st;
    const int fd = OpenLeftover(folder, name.c_str(), st);
    if (fd < 0) return false;
    FdReader leftover(fd, static_cast<std::uint64_t>(st.st_size));
    struct stat now;
    // Removed by name: only while the name still stands for the file looked at.
    const bool removed = NobodyHoldsIt(fd) && IsLeftoverOf(leftover, file) &&
                         ::fstatat(folder, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
                         now.st_ino == st.st_ino && now.st_dev == st.st_dev &&
                         ::unlinkat(folder, name.c_str(), 0) == 0;
    ::close(fd);
    return removed;
  });
  ::close(folder);
}

void RemoveRewriteLeftovers(const std::string& resolvedPath, ByteSource& file) {
  const std::size_t slash = resolvedPath.rfind('/');
  const std::string folder =
      slash == std::string::npos ? std::string() : resolvedPath.substr(0, slash + 1);
  std::vector<std::string> names = ListRewriteLeftovers(folder);
  RemoveRewriteLeftovers(folder, names, file);
}

}  // namespace tessarn
