#include "core/filelist/folder_tree.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "core/filelist/add_files.h"
#include "core/filelist/file_system.h"
#include "core/filelist/memory_hints.h"
#include "core/filelist/natural_order.h"
#include "core/text/encoding.h"
#include "core/text/gb_text.h"

namespace tessarn {
namespace {

// Below this depth each level keeps its folder open for its subfolders; deeper
// folders are opened by their full path, so that a very deep tree cannot use up
// the process's descriptors.
constexpr std::size_t kOpenLevels = 64;

// Hands each folder's files (raw names, readdir order) to `onFolder`, in list order.
struct Walk {
  const FolderTreeOptions& options;
  const std::function<void(const std::string& diskFolder, std::vector<std::string>&& files)>&
      onFolder;
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
    result.added += files.size();
    if (!files.empty()) onFolder(diskFolder, std::move(files));

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

FolderTreeResult WalkFolderTree(
    const std::string& diskFolder, const FolderTreeOptions& options,
    const std::function<void(const std::string& diskFolder, std::vector<std::string>&& files)>&
        onFolder) {
  Walk walk{options, onFolder, {}, {}};
  if (diskFolder.empty()) return walk.result;
  const std::string folder = WithTrailingSlash(diskFolder);
  const int fd = OpenFolder(folder);
  if (fd < 0)
    walk.Unreadable(folder);
  else
    walk.Folder(fd, folder);
  return walk.result;
}

}  // namespace

FolderTreeResult ScanFolderTree(FileList& list, const std::string& diskFolder,
                                const FolderTreeOptions& options,
                                const std::function<void(std::size_t first)>& afterFolder) {
  return WalkFolderTree(diskFolder, options,
                        [&](const std::string& folder, std::vector<std::string>&& files) {
                          const std::size_t first = list.count();
                          AppendFolderFiles(list, folder, std::move(files));
                          if (afterFolder) afterFolder(first);
                        });
}

FolderTreeResult CollectFolderTree(FileList& list, const std::string& diskFolder,
                                   const FolderTreeOptions& options) {
  if (diskFolder.empty()) return {};
  // Two threads: one walks the tree, decoding and sorting each folder as soon as it
  // is read; this one turns the sorted folders into entries meanwhile. Only this
  // thread touches the list.
  struct Queue {
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<SortedFolderFiles> folders;
    bool done = false;
  } queue;
  FolderTreeResult result;
  std::thread walker([&] {
    result = WalkFolderTree(diskFolder, options,
                            [&](const std::string& folder, std::vector<std::string>&& files) {
                              SortedFolderFiles sorted = SortFolderFiles(folder, std::move(files));
                              {
                                std::lock_guard lock(queue.mutex);
                                queue.folders.push_back(std::move(sorted));
                              }
                              queue.ready.notify_one();
                            });
    {
      std::lock_guard lock(queue.mutex);
      queue.done = true;
    }
    queue.ready.notify_one();
  });
  for (;;) {
    std::deque<SortedFolderFiles> taken;
    {
      std::unique_lock lock(queue.mutex);
      queue.ready.wait(lock, [&] { return !queue.folders.empty() || queue.done; });
      if (queue.folders.empty()) break;  // and done
      taken.swap(queue.folders);
    }
    std::size_t n = 0;
    for (const SortedFolderFiles& folder : taken) n += folder.names.size();
    ReserveEntries(list, n);
    for (SortedFolderFiles& folder : taken) AppendSortedFiles(list, std::move(folder));
  }
  walker.join();
  return result;
}

FolderTreeResult AddFolderTree(FileList& list, const std::string& diskFolder,
                               const FolderTreeOptions& options) {
  if (diskFolder.empty()) return {};
  const std::size_t first = list.count();
  const FolderTreeResult result = CollectFolderTree(list, diskFolder, options);
  ShowTreeRows(list, first);
  return result;
}

void ShowTreeRows(FileList& list, std::size_t first) {
  RefreshRows(list, kRefreshAppend, static_cast<long long>(first),
              static_cast<long long>(list.count()) - 1, std::string());
  std::size_t runStart = first;
  for (std::size_t i = first; i < list.count(); ++i) {
    const bool runEnds =
        i + 1 == list.count() || list.entries[i + 1].folder != list.entries[i].folder;
    if (runEnds) {
      RefreshRows(list, kRefreshFolder, static_cast<long long>(runStart), static_cast<long long>(i),
                  list.FolderText(list.entries[i]));
      runStart = i + 1;
    }
  }
}

UserMessage UnreadableFoldersMessage(const FolderTreeResult& result) {
  if (result.unreadable == 0) return {};
  std::string text = Gb("有 ") + ToDecimal(static_cast<long long>(result.unreadable)) +
                     Gb(" 个目录无法读取，已跳过（第一个：") +
                     DecodeDiskName(result.firstUnreadable) + Gb("）");
  return {std::move(text), MessageKind::kWarning};
}

}  // namespace tessarn
