#include "core/filelist/file_system.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>

#include "core/filelist/own_names.h"
#include "core/text/gb_text.h"

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace tessarn {
namespace {

// glibc gained the renameat2 wrapper late; the system call has been there since 3.15.
int RenameAt2NoReplace(const char* from, const char* to) {
#ifdef SYS_renameat2
  return static_cast<int>(syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE));
#else
  errno = ENOSYS;
  return -1;
#endif
}

std::string_view LastComponent(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view FolderPart(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

// Both names designate one file and differ only in letter case: the file system
// folds case, and the user wants the new spelling.
bool IsCaseOnlyChangeOfSameFile(const std::string& from, const std::string& to) {
  if (FolderPart(from) != FolderPart(to)) return false;
  if (!EqualsIgnoreAsciiCase(LastComponent(from), LastComponent(to))) return false;
  struct stat a, b;
  if (lstat(from.c_str(), &a) != 0 || lstat(to.c_str(), &b) != 0) return false;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool Fail(int* error, int code) {
  if (error != nullptr) *error = code;
  return false;
}

}  // namespace

bool ListFolderEntries(
    const std::string& folder,
    const std::function<void(std::string_view name, unsigned long long inode, bool isFile)>&
        onName) {
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return false;
  const int fd = dirfd(dir);
  while (const dirent* entry = readdir(dir)) {
    const char* name = entry->d_name;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
    bool isFolder = entry->d_type == DT_DIR;
    if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
      // Follow a link: a link to a folder is a folder, a dangling one is not.
      struct stat st;
      isFolder = fstatat(fd, name, &st, 0) == 0 && S_ISDIR(st.st_mode);
    }
    onName(name, entry->d_ino, !isFolder && !IsOwnWorkingName(name));
  }
  closedir(dir);
  return true;
}

bool ListFolderFiles(const std::string& folder,
                     const std::function<void(std::string_view name)>& onFile) {
  return ListFolderEntries(folder, [&](std::string_view name, unsigned long long, bool isFile) {
    if (isFile) onFile(name);
  });
}

bool ListFolderNames(
    const std::string& folder,
    const std::function<void(std::string_view name, unsigned long long inode)>& onName) {
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return false;
  while (const dirent* entry = readdir(dir)) {
    const char* name = entry->d_name;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
    onName(name, entry->d_ino);
  }
  closedir(dir);
  return true;
}

bool ReadFolderStamp(const std::string& folder, FolderStamp& stamp) {
  struct stat st;
  if (stat(folder.empty() ? "." : folder.c_str(), &st) != 0) return false;
  stamp.device = st.st_dev;
  stamp.inode = st.st_ino;
  stamp.seconds = st.st_mtim.tv_sec;
  stamp.nanoseconds = st.st_mtim.tv_nsec;
  return true;
}

std::size_t MaxNameLength(const std::string& folder) {
  const long max = pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
  return max > 0 ? static_cast<std::size_t>(max) : 255;
}

unsigned long long InodeOf(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

FileIdentity IdentityOf(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return {};
  return {static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino)};
}

unsigned long CurrentProcessId() { return static_cast<unsigned long>(getpid()); }

bool ListFolderFiles(const std::string& folder, std::vector<std::string>& names) {
  return ListFolderEntries(folder, [&names](std::string_view name, unsigned long long, bool isFile) {
    if (isFile) names.emplace_back(name);
  });
}

int OpenFolder(const std::string& path) {
  return open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

int OpenSubfolder(int parentFd, const std::string& name) {
  return openat(parentFd < 0 ? AT_FDCWD : parentFd, name.c_str(),
                O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

void CloseFolder(int fd) {
  if (fd >= 0) close(fd);
}

bool ReadFolderAt(int fd, std::vector<std::string>& files, std::vector<std::string>& folders) {
  // The directory stream takes its own descriptor: fd stays open for the subfolders.
  const int own = fcntl(fd, F_DUPFD_CLOEXEC, 0);
  if (own < 0) return false;
  DIR* dir = fdopendir(own);
  if (dir == nullptr) {
    close(own);
    return false;
  }
  errno = 0;
  while (const dirent* entry = readdir(dir)) {
    const char* name = entry->d_name;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
    unsigned char type = entry->d_type;
    struct stat st;
    if (type == DT_UNKNOWN && fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0)
      type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
    if (type == DT_DIR) {
      folders.emplace_back(name);
    } else if (IsOwnWorkingName(name)) {
      // The program's own, not the user's: never a row.
    } else if (type == DT_LNK) {
      // A link counts by what it points to; one to a folder is not entered.
      if (!(fstatat(fd, name, &st, 0) == 0 && S_ISDIR(st.st_mode))) files.emplace_back(name);
    } else {
      files.emplace_back(name);
    }
    errno = 0;
  }
  const bool ok = errno == 0;
  closedir(dir);
  return ok;
}

bool GetFolderId(int fd, FolderId& id) {
  struct stat st;
  if (fstat(fd, &st) != 0) return false;
  id.device = static_cast<unsigned long long>(st.st_dev);
  id.inode = static_cast<unsigned long long>(st.st_ino);
  return true;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFileNotFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool PathExists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

bool RenameNoReplace(const std::string& from, const std::string& to, int* error) {
  if (from == to) {
    // Renaming a file to the name it has: nothing to do, fine when it exists.
    return PathExists(from) ? true : Fail(error, ENOENT);
  }
  if (RenameAt2NoReplace(from.c_str(), to.c_str()) == 0) return true;
  int code = errno;
  if (code == EEXIST) {
    if (IsCaseOnlyChangeOfSameFile(from, to)) {
      if (rename(from.c_str(), to.c_str()) == 0) return true;
      return Fail(error, errno);
    }
    return Fail(error, EEXIST);
  }
  if (code != EINVAL && code != ENOSYS) return Fail(error, code);
  // The file system refuses the flag (some network and FUSE file systems).
  return RenameWithoutNoReplaceFlag(from, to, error);
}

HeldFolder::~HeldFolder() {
  if (fd_ >= 0) close(fd_);
}

int HeldFolder::Get(const std::string& folder) {
  if (fd_ >= 0 && folder == path_) return fd_;
  if (fd_ >= 0) close(fd_);
  path_ = folder;
  fd_ = open(folder.empty() ? "." : folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  return fd_;
}

bool RenameNoReplaceIn(int folderFd, const std::string& folder, const std::string& from,
                       const std::string& to, int* error) {
  if (folderFd >= 0 && from != to) {
#ifdef SYS_renameat2
    if (syscall(SYS_renameat2, folderFd, from.c_str(), folderFd, to.c_str(), RENAME_NOREPLACE) == 0)
      return true;
    const int code = errno;
    // A taken name may be the same file in another case, and some file systems
    // refuse the flag: the path-based rename sorts both out.
    if (code != EEXIST && code != EINVAL && code != ENOSYS) return Fail(error, code);
#endif
  }
  return RenameNoReplace(folder + from, folder + to, error);
}

bool RenameWithoutNoReplaceFlag(const std::string& from, const std::string& to, int* error) {
  int code = 0;
  struct stat st;
  if (lstat(from.c_str(), &st) != 0) return Fail(error, errno);
  if (S_ISREG(st.st_mode)) {
    // link() never replaces: it is the atomic no-replace rename in two steps.
    if (link(from.c_str(), to.c_str()) == 0) {
      if (unlink(from.c_str()) == 0) return true;
      code = errno;
      unlink(to.c_str());  // back to one name, the old one
      return Fail(error, code);
    }
    code = errno;
    if (code == EEXIST) {
      if (IsCaseOnlyChangeOfSameFile(from, to) && rename(from.c_str(), to.c_str()) == 0)
        return true;
      return Fail(error, EEXIST);
    }
    if (code != EPERM && code != EOPNOTSUPP && code != EMLINK && code != ENOSYS)
      return Fail(error, code);
  }
  // Neither is possible (e.g. FAT): check, then rename. Only a file appearing between
  // the two calls could be replaced.
  struct stat target;
  if (lstat(to.c_str(), &target) == 0) {
    if (IsCaseOnlyChangeOfSameFile(from, to) && rename(from.c_str(), to.c_str()) == 0) return true;
    return Fail(error, EEXIST);
  }
  if (errno != ENOENT) return Fail(error, errno);
  if (rename(from.c_str(), to.c_str()) == 0) return true;
  return Fail(error, errno);
}

}  // namespace tessarn
