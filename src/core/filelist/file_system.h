// The file system calls of the file list, each behind one small function. Paths and
// names are raw bytes as the kernel knows them (never decoded here).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tessarn {

// Appends to `names` the name of every entry directly inside `folder` that is not a
// folder (hidden files included, subfolders not entered, "." and ".." skipped). A
// symbolic link counts by what it points to: a link to a folder is left out, a link
// to a file (or a dangling one) is listed. The program's own working names
// (own_names.h) are never listed. Names come in the kernel's order.
// Returns false when the folder cannot be opened.
bool ListFolderFiles(const std::string& folder, std::vector<std::string>& names);
// The same walk, handing each name over as it is read (valid during the call).
bool ListFolderFiles(const std::string& folder,
                     const std::function<void(std::string_view name)>& onFile);

// One read of `folder` serving both: every name directly inside it ("." and ".."
// skipped) with its inode and whether ListFolderFiles lists it as a file.
bool ListFolderEntries(
    const std::string& folder,
    const std::function<void(std::string_view name, unsigned long long inode, bool isFile)>&
        onName);

// Every name directly inside `folder`, folders and links included ("." and ".."
// skipped), handed over as it is read with its inode number. False when the folder
// cannot be opened.
bool ListFolderNames(
    const std::string& folder,
    const std::function<void(std::string_view name, unsigned long long inode)>& onName);

// The inode number of `path` itself (a link is not followed); 0 when it does not exist.
unsigned long long InodeOf(const std::string& path);

// Which file a path names: its device and inode (a link is not followed). Both 0
// when it does not exist. Two paths with the same identity name the same file.
struct FileIdentity {
  unsigned long long device = 0, inode = 0;
  bool operator==(const FileIdentity&) const = default;
};
FileIdentity IdentityOf(const std::string& path);

// What tells whether a folder's names may have changed since it was last read: its
// identity and the time of its last change (nanoseconds where the file system has them).
struct FolderStamp {
  unsigned long long device = 0, inode = 0;
  long long seconds = 0, nanoseconds = 0;
  bool operator==(const FolderStamp&) const = default;
};
bool ReadFolderStamp(const std::string& folder, FolderStamp& stamp);

// The longest name, in bytes, that the file system of `folder` takes (255 when it
// does not say).
std::size_t MaxNameLength(const std::string& folder);

// This process's id (part of the temporary names of a run).
unsigned long CurrentProcessId();

// A walk through a folder tree works on open folders: a subfolder is opened from
// its parent's descriptor, so a path renamed or replaced by a link meanwhile cannot
// lead the walk elsewhere. -1 when the folder cannot be opened.
int OpenFolder(const std::string& path);  // a link to a folder is followed
// A link is not followed. With parentFd -1, `name` is a path.
int OpenSubfolder(int parentFd, const std::string& name);
void CloseFolder(int fd);
// Reads the folder open at fd: `files` as ListFolderFiles lists them, `folders` the
// real subfolders (a link to a folder is in neither). Names in the kernel's order.
// False when the folder cannot be read.
bool ReadFolderAt(int fd, std::vector<std::string>& files, std::vector<std::string>& folders);
// Device and inode of the folder open at fd, as one value that tells folders apart.
struct FolderId {
  unsigned long long device = 0, inode = 0;
  bool operator==(const FolderId&) const = default;
};
bool GetFolderId(int fd, FolderId& id);

// Symbolic links are followed.
bool IsDirectory(const std::string& path);
// True when `path` exists and is not a folder (what the list takes as a file).
bool IsFileNotFolder(const std::string& path);
// True when anything, even a dangling symbolic link, has this path.
bool PathExists(const std::string& path);

// Renames `from` to `to` without ever replacing an existing file. Where the file
// system does not support an atomic no-replace rename, a regular file is linked to
// its new name and then unlinked; failing that, the rename happens after checking
// that `to` does not exist. A change of letter case only, between two names of one
// and the same file (a case-insensitive file system), is allowed. Renaming a path
// onto itself succeeds when it exists. On failure returns false and sets *error to
// the errno value when error is not null.
bool RenameNoReplace(const std::string& from, const std::string& to, int* error = nullptr);

// The last folder a walk renamed in, held open: renames by name inside it walk no
// path. Not copyable; closes the folder when destroyed.
class HeldFolder {
 public:
  HeldFolder() = default;
  ~HeldFolder();
  HeldFolder(const HeldFolder&) = delete;
  HeldFolder& operator=(const HeldFolder&) = delete;
  // The descriptor of `folder` (raw bytes, ending with "/"), or -1 when it cannot be
  // opened.
  int Get(const std::string& folder);

 private:
  std::string path_;
  int fd_ = -1;
};

// RenameNoReplace of the names `from` and `to` inside `folder` (ending with "/"),
// through the folder's descriptor when it has one (`folderFd` >= 0).
bool RenameNoReplaceIn(int folderFd, const std::string& folder, const std::string& from,
                       const std::string& to, int* error = nullptr);

// The fallback of RenameNoReplace where the file system refuses the no-replace
// flag: link and unlink for a regular file, else check and rename.
bool RenameWithoutNoReplaceFlag(const std::string& from, const std::string& to,
                                int* error = nullptr);

}  // namespace tessarn
