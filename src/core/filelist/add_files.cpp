#include "core/filelist/add_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

#include "core/filelist/file_system.h"
#include "core/filelist/listed_names.h"
#include "core/filelist/memory_hints.h"
#include "core/filelist/own_names.h"
#include "core/text/encoding.h"

namespace tessarn {
namespace {

// An empty diskName: the same bytes as oldName (see DecodeNames).
void AppendEntry(FileList& list, std::uint32_t folder, std::string diskName,
                 std::string oldName) {
  FileEntry& entry = list.entries.emplace_back();
  entry.folder = folder;
  entry.oldName = std::move(oldName);
  if (!diskName.empty()) entry.SetDiskName(std::move(diskName));
}

// Appends the listed files' entries in natural order.
std::size_t AppendListedFiles(FileList& list, const std::string& diskFolder, ListedFiles&& files) {
  const std::vector<std::uint32_t>& order = files.order;
  if (order.empty()) return 0;
  const std::uint32_t folder = list.InternDiskFolder(diskFolder);
  ReserveEntries(list, order.size());
  // The names are taken in sorted, i.e. scattered, order: fetch ahead of use.
  constexpr std::size_t kAhead = 16;
  for (std::size_t k = 0; k < order.size(); ++k) {
    if (k + kAhead < order.size()) __builtin_prefetch(&files.names[order[k + kAhead]]);
    const std::uint32_t index = order[k];
    AppendEntry(list, folder, files.TakeDiskName(index), std::move(files.names[index]));
  }
  return order.size();
}

struct SplitPath {
  std::string folder;  // up to and including the last "/", or empty
  std::string name;
};

SplitPath SplitAtLastSlash(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {std::string(), path};
  return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

// Appends one entry per path (in order) and shows the new rows, one RefreshRows
// call per run of consecutive entries sharing a folder.
std::size_t AppendPaths(FileList& list, const std::vector<SplitPath>& paths) {
  ReserveEntries(list, paths.size());
  const std::size_t start = list.count();
  for (const SplitPath& path : paths)
    // The program's own working files stay out even when named one by one.
    if (!IsOwnWorkingName(path.name))
      AppendEntry(list, list.InternDiskFolder(path.folder), path.name, DecodeDiskName(path.name));
  ShowNewRows(list, start);
  return list.count() - start;
}

std::string DirTxtPath(const std::string& configDir) {
  return WithTrailingSlash(configDir.empty() ? std::string(".") : configDir) + "dir.txt";
}

}  // namespace

void ReserveEntries(FileList& list, std::size_t more) {
  // By at least half at a time, so that adding many folders one after the other
  // does not copy the whole list at every folder.
  GrowWithHugePages(list.entries, list.entries.size() + more);
}

std::string WithTrailingSlash(const std::string& folder) {
  if (!folder.empty() && folder.back() == '/') return folder;
  return folder + "/";
}

std::size_t ScanFolder(FileList& list, const std::string& diskFolder, bool* unreadable,
                       FolderListings* listings) {
  if (unreadable) *unreadable = false;
  if (diskFolder.empty()) return 0;
  if (diskFolder.back() != '/')
    return ScanFolder(list, WithTrailingSlash(diskFolder), unreadable, listings);
  ListedNames listed;
  const auto onFile = [&listed](std::string_view name) { listed.Add(name); };
  const bool read = listings != nullptr ? ListFolderFilesForPlan(diskFolder, onFile, *listings)
                                        : ListFolderFiles(diskFolder, onFile);
  if (!read) {
    // A path that is gone (a stale drop) adds nothing without a word; one that is
    // there yet cannot be listed is worth telling.
    if (unreadable)
      *unreadable =
          PathExists(diskFolder == "/" ? diskFolder : diskFolder.substr(0, diskFolder.size() - 1));
    return 0;
  }
  return AppendListedFiles(list, diskFolder, listed.Finish());
}

SortedFolderFiles SortFolderFiles(const std::string& diskFolder,
                                  std::vector<std::string>&& diskNames) {
  return SortListedFiles(diskFolder, ListNames(diskNames));
}

SortedFolderFiles SortListedFiles(const std::string& diskFolder, ListedFiles&& files) {
  SortedFolderFiles sorted;
  sorted.diskFolder = diskFolder;
  sorted.folder = DecodeDiskName(diskFolder);
  sorted.diskNames.reserve(files.order.size());
  sorted.names.reserve(files.order.size());
  for (const std::uint32_t index : files.order) {
    sorted.diskNames.push_back(files.TakeDiskName(index));
    sorted.names.push_back(std::move(files.names[index]));
  }
  return sorted;
}

std::size_t AppendSortedFiles(FileList& list, SortedFolderFiles&& files) {
  return AppendSortedFiles(list, files, 0, files.names.size());
}

std::size_t AppendSortedFiles(FileList& list, SortedFolderFiles& files, std::size_t first,
                              std::size_t last) {
  last = std::min(last, files.names.size());
  if (first >= last) return 0;
  ReserveEntries(list, last - first);
  const std::uint32_t folder = list.InternDiskFolder(files.diskFolder, files.folder);
  for (std::size_t k = first; k < last; ++k)
    AppendEntry(list, folder, std::move(files.diskNames[k]), std::move(files.names[k]));
  return last - first;
}

std::size_t AppendFolderFiles(FileList& list, const std::string& diskFolder,
                              std::vector<std::string>&& diskNames) {
  if (diskNames.empty()) return 0;
  return AppendListedFiles(list, diskFolder, ListNames(diskNames));
}

void ShowNewRows(FileList& list, std::size_t first) {
  std::size_t runStart = first;
  for (std::size_t i = first; i < list.count(); ++i) {
    const bool runEnds =
        i + 1 == list.count() || list.entries[i + 1].folder != list.entries[i].folder;
    if (runEnds) {
      RefreshRows(list, kRefreshAppend | kRefreshFolder, static_cast<long long>(runStart),
                  static_cast<long long>(i), list.FolderText(list.entries[i]));
      runStart = i + 1;
    }
  }
}

std::size_t AddFolder(FileList& list, const std::string& diskFolder,
                      std::vector<std::string>* unreadable) {
  if (diskFolder.empty()) return 0;
  const std::string folder = WithTrailingSlash(diskFolder);
  const std::size_t first = list.count();
  bool cannotRead = false;
  const std::size_t added = ScanFolder(list, folder, &cannotRead);
  if (cannotRead && unreadable) unreadable->push_back(diskFolder);
  // Runs even when nothing was added: it clears the statuses of the last run.
  RefreshRows(list, kRefreshAppend | kRefreshFolder, static_cast<long long>(first),
              static_cast<long long>(list.count()) - 1, DecodeDiskName(folder));
  return added;
}

std::size_t AddFiles(FileList& list, const std::vector<std::string>& diskPaths) {
  std::vector<SplitPath> paths;
  paths.reserve(diskPaths.size());
  for (const std::string& path : diskPaths) {
    SplitPath split = SplitAtLastSlash(path);
    if (!split.name.empty()) paths.push_back(std::move(split));
  }
  if (paths.empty()) {
    RefreshRows(list, kRefreshAppend | kRefreshFolder, static_cast<long long>(list.count()),
                static_cast<long long>(list.count()) - 1, std::string());
    return 0;
  }
  return AppendPaths(list, paths);
}

std::string SelectionFolder(const std::vector<std::string>& diskPaths) {
  if (diskPaths.empty()) return std::string();
  return SplitAtLastSlash(diskPaths.front()).folder;
}

std::vector<std::string> AddDroppedFiles(FileList& list,
                                         const std::vector<std::string>& diskPaths) {
  std::vector<SplitPath> files;
  std::vector<std::string> others;
  for (const std::string& path : diskPaths) {
    SplitPath split = SplitAtLastSlash(path);
    if (!split.name.empty() && IsFileNotFolder(path))
      files.push_back(std::move(split));
    else if (!path.empty())
      others.push_back(path);
  }
  AppendPaths(list, files);
  return others;
}

std::size_t AddDropped(FileList& list, const std::vector<std::string>& diskPaths,
                       const std::function<void()>& afterStep,
                       std::vector<std::string>* unreadable) {
  const std::size_t start = list.count();
  const std::vector<std::string> folders = AddDroppedFiles(list, diskPaths);
  if (afterStep) afterStep();
  for (const std::string& folder : folders) {
    AddFolder(list, folder, unreadable);
    if (afterStep) afterStep();
  }
  return list.count() - start;
}

std::vector<std::string> MissingPaths(const std::vector<std::string>& diskPaths) {
  std::vector<std::string> missing;
  for (const std::string& path : diskPaths)
    if (!PathExists(path)) missing.push_back(path);
  return missing;
}

std::string ReadRememberedFolder(const std::string& configDir) {
  const int fd = open(DirTxtPath(configDir).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return std::string();
  std::string content;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    content.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  // The program writes no line break, but a hand-edited file may end with one.
  while (!content.empty() && (content.back() == '\n' || content.back() == '\r')) content.pop_back();
  return content;
}

bool WriteRememberedFolder(const std::string& configDir, const std::string& folder) {
  const int fd =
      open(DirTxtPath(configDir).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  std::size_t done = 0;
  bool ok = true;
  while (done < folder.size()) {
    const ssize_t n = write(fd, folder.data() + done, folder.size() - done);
    if (n <= 0) {
      ok = false;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  return close(fd) == 0 && ok;
}

}  // namespace tessarn
