#include "core/filelist/file_identity.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/sysmacros.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessarn {
namespace {

// The generation is the file's own: it takes opening the file, which is done
// without following a link, without blocking on a FIFO and without reading a byte.
bool ReadGeneration(int folderFd, const std::string& name, std::uint32_t& generation) {
  const int fd = ::openat(folderFd, name.c_str(),
                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  int value = 0;
  const bool ok = ::ioctl(fd, FS_IOC_GETVERSION, &value) == 0;
  ::close(fd);
  if (ok) generation = static_cast<std::uint32_t>(value);
  return ok;
}

}  // namespace

bool ReadFullIdentityAt(int folderFd, const std::string& name, FullIdentity& identity) {
  identity = FullIdentity{};
  const int dirFd = folderFd >= 0 ? folderFd : AT_FDCWD;
  struct statx sx;
  if (::statx(dirFd, name.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
              STATX_INO | STATX_UID | STATX_TYPE | STATX_BTIME, &sx) != 0)
    return false;
  // The same numbering as stat's st_dev, which the rest of the program compares.
  identity.device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
  identity.inode = sx.stx_ino;
  if (sx.stx_mask & STATX_UID) {
    identity.marks.owner = sx.stx_uid;
    identity.marks.known |= FileMarks::kOwner;
  }
  if (sx.stx_mask & STATX_BTIME) {
    identity.marks.birthSeconds = sx.stx_btime.tv_sec;
    identity.marks.birthNanoseconds = sx.stx_btime.tv_nsec;
    identity.marks.known |= FileMarks::kBirth;
  } else if (S_ISREG(sx.stx_mode) &&
             ReadGeneration(dirFd, name, identity.marks.generation)) {
    identity.marks.known |= FileMarks::kGeneration;
  }
  return true;
}

bool ReadFullIdentity(const std::string& path, FullIdentity& identity) {
  return ReadFullIdentityAt(-1, path, identity);
}

bool SameFile(const FullIdentity& recorded, const FullIdentity& now) {
  if (recorded.device != now.device || recorded.inode != now.inode || now.inode == 0)
    return false;
  const std::uint8_t both = recorded.marks.known & now.marks.known;
  if ((both & FileMarks::kOwner) && recorded.marks.owner != now.marks.owner) return false;
  if ((both & FileMarks::kBirth) &&
      (recorded.marks.birthSeconds != now.marks.birthSeconds ||
       recorded.marks.birthNanoseconds != now.marks.birthNanoseconds))
    return false;
  if ((both & FileMarks::kGeneration) && recorded.marks.generation != now.marks.generation)
    return false;
  return true;
}

}  // namespace tessarn
