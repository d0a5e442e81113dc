#include "core/filelist/folder_tree.h"

#include <cstdint>
#include <vector>

#include "core/filelist/add_files.h"
#include "core/filelist/file_system.h"
#include "core/filelist/natural_order.h"
#include "core/text/encoding.h"
#include "core/text/gb_text.h"

namespace tessarn {
namespace {

// Below this depth each level keeps its folder open for its subfolders; deeper
// folders are opened by their full path, so that a very deep tree cannot use up
// the process's descriptors.
constexpr std::size_t kOpenLevels = 64;

struct Walk {
  FileList& list;
  const FolderTreeOptions& options;
  const std::function<void(std::size_t)>& afterFolder;
  FolderTreeResult result;
  std::vector<FolderId> ancestors;

  void Unreadable(const std::string& diskFolder) {
    if (result.unreadable++ == 0) result.firstUnreadable = diskFolder;
  }

  // Lists the folder open at fd (diskFolder ends with "/"); closes fd.
  void Folder(int fd, const std::string& diskFolder) {
    FolderId id;
    if (!GetFolderId(fd, id)) {
      CloseFolder(fd);
      Unreadable(diskFolder);
      return;
    }
    for (const FolderId& above : ancestors)
      if (above == id) {  // the same folder again below itself: no loop
        CloseFolder(fd);
        return;
      }
    std::vector<std::string> files, folders;
    if (!ReadFolderAt(fd, files, folders)) {
      CloseFolder(fd);
      Unreadable(diskFolder);
      return;
    }
    const std::size_t first = list.count();
    result.added += AppendFolderFiles(list, diskFolder, std::move(files));
    if (afterFolder) afterFolder(first);

    if (!options.hidden)
      std::erase_if(folders, [](const std::string& name) { return name[0] == '.'; });
    if (folders.empty()) {
      CloseFolder(fd);
      return;
    }
    std::vector<std::string> shown;
    shown.reserve(folders.size());
    for (const std::string& name : folders) shown.push_back(DecodeDiskName(name));
    const std::vector<std::uint32_t> order = NaturalSortOrder(shown);
    const bool keepOpen = ancestors.size() < kOpenLevels;
    if (!keepOpen) CloseFolder(fd);
    ancestors.push_back(id);
    for (const std::uint32_t k : order) {
      const std::string child = diskFolder + folders[k] + "/";
      const int childFd = OpenSubfolder(keepOpen ? fd : -1, keepOpen ? folders[k] : child);
      if (childFd < 0)
        Unreadable(child);
      else
        Folder(childFd, child);
    }
    ancestors.pop_back();
    if (keepOpen) CloseFolder(fd);
  }
};

}  // namespace

FolderTreeResult ScanFolderTree(FileList& list, const std::string& diskFolder,
                                const FolderTreeOptions& options,
                                const std::function<void(std::size_t first)>& afterFolder) {
  Walk walk{list, options, afterFolder, {}, {}};
  if (diskFolder.empty()) return walk.result;
  const std::string folder = WithTrailingSlash(diskFolder);
  const int fd = OpenFolder(folder);
  if (fd < 0)
    walk.Unreadable(folder);
  else
    walk.Folder(fd, folder);
  return walk.result;
}

FolderTreeResult AddFolderTree(FileList& list, const std::string& diskFolder,
                               const FolderTreeOptions& options) {
  if (diskFolder.empty()) return {};
  const std::size_t first = list.count();
  const FolderTreeResult result = ScanFolderTree(list, diskFolder, options);
  ShowNewRows(list, first);
  // As for one folder: runs even when nothing was added, clearing the last run's statuses.
  if (result.added == 0)
    RefreshRows(list, kRefreshAppend | kRefreshFolder, static_cast<long long>(first),
                static_cast<long long>(first) - 1, std::string());
  return result;
}

UserMessage UnreadableFoldersMessage(const FolderTreeResult& result) {
  if (result.unreadable == 0) return {};
  std::string text = Gb("有 ") + ToDecimal(static_cast<long long>(result.unreadable)) +
                     Gb(" 个目录无法读取，已跳过（第一个：") + DecodeDiskName(result.firstUnreadable) +
                     Gb("）");
  return {std::move(text), MessageKind::kWarning};
}

}  // namespace tessarn
