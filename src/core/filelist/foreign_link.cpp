#include "core/filelist/foreign_link.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

namespace tessarn {
namespace {

// As many links in a row as the kernel follows before it gives up (ELOOP).
constexpr int kMaxHops = 40;

std::string FolderPartOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool IsForeignLink(const struct stat& link, const struct stat& folder) {
  if (!S_ISLNK(link.st_mode)) return false;
  const uid_t me = ::geteuid();
  return link.st_uid != me && folder.st_uid != me;
}

bool IsForeignLinkAt(int folderFd, const std::string& name) {
  const int at = folderFd >= 0 ? folderFd : AT_FDCWD;
  struct stat link;
  if (::fstatat(at, name.c_str(), &link, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISLNK(link.st_mode))
    return false;
  struct stat folder;
  const bool inFolder = folderFd >= 0 && name.find('/') == std::string::npos;
  if (inFolder ? ::fstat(folderFd, &folder) != 0 : ::stat(FolderPartOf(name).c_str(), &folder) != 0)
    return true;  // a folder that cannot be looked at is not known to be the user's
  return IsForeignLink(link, folder);
}

bool LeadsThroughForeignLink(const std::string& path) {
  std::string current = path;
  for (int hop = 0; hop < kMaxHops; ++hop) {
    struct stat link;
    if (::lstat(current.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return false;
    if (IsForeignLinkAt(-1, current)) return true;
    char target[PATH_MAX];
    const ssize_t n = ::readlink(current.c_str(), target, sizeof target);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof target) return false;
    const std::string to(target, static_cast<std::size_t>(n));
    current = to[0] == '/' ? to : FolderPartOf(current) + "/" + to;
  }
  return false;  // a loop: opening it fails on its own
}

}  // namespace tessarn
