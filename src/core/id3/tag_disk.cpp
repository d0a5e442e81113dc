#include "core/id3/tag_disk.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>

namespace tessarn {

int TagDisk::WriteAt(int fd, std::uint64_t offset, std::string_view data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t r =
        ::pwrite(fd, data.data() + done, data.size() - done, static_cast<off_t>(offset + done));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return errno;
    if (r == 0) return EIO;
    done += static_cast<std::size_t>(r);
  }
  return 0;
}

int TagDisk::Resize(int fd, std::uint64_t length) {
  int r;
  do {
    r = ::ftruncate(fd, static_cast<off_t>(length));
  } while (r != 0 && errno == EINTR);
  return r == 0 ? 0 : errno;
}

int TagDisk::Reserve(int fd, std::uint64_t offset, std::uint64_t length) {
  if (length == 0) return 0;
  if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, static_cast<off_t>(offset),
                  static_cast<off_t>(length)) == 0)
    return 0;
  if (errno != EOPNOTSUPP && errno != ENOSYS) return errno;
  // A file system that cannot set space aside: at least look at what is free.
  struct statvfs vfs;
  if (::fstatvfs(fd, &vfs) != 0) return 0;
  const std::uint64_t available = std::uint64_t{vfs.f_bavail} * vfs.f_frsize;
  return available > length ? 0 : ENOSPC;
}

int TagDisk::Sync(int fd) { return ::fsync(fd) == 0 ? 0 : errno; }

}  // namespace tessarn
