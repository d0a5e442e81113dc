#include "cli/path_arguments.h"

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <utility>

#include "cli/entry_printer.h"
#include "core/filelist/add_files.h"
#include "core/filelist/file_system.h"
#include "core/text/encoding.h"

namespace tessarn::cli {
namespace {

std::string RealFolder(const std::string& folder) {
  if (char* real = ::realpath(folder.c_str(), nullptr)) {
    std::string result(real);
    ::free(real);
    return result;
  }
  // Not resolvable (no search permission above it, say): the working folder in
  // front of a relative path still makes it usable from elsewhere.
  if (!folder.empty() && folder[0] == '/') return folder;
  char cwd[PATH_MAX];
  if (::getcwd(cwd, sizeof cwd) == nullptr) return folder;
  return std::string(cwd) + "/" + folder;
}

}  // namespace

std::string ShowPath(const std::string& rawPath) {
  return EscapeControls(GbToUtf8Lossy(DecodeDiskName(rawPath)));
}

bool CheckPathsExist(const std::vector<std::string>& paths, std::string& error) {
  for (const std::string& path : paths)
    if (!PathExists(path)) {
      error = "路径不存在：" + ShowPath(path);
      return false;
    }
  return true;
}

std::string AbsolutePath(const std::string& path) {
  if (IsDirectory(path)) return WithTrailingSlash(RealFolder(path));
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return WithTrailingSlash(RealFolder(".")) + path;
  const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
  return WithTrailingSlash(RealFolder(folder)) + path.substr(slash + 1);
}

std::vector<std::string> AddPathArguments(FileList& list, const std::vector<std::string>& paths,
                                          const FolderTreeOptions* tree,
                                          FolderListings* listings) {
  std::vector<std::string> warnings;
  FolderTreeResult unreadableInTrees;
  // Files go through the core's way of adding picked files, into a list of their
  // own so that the command line's list never carries rows it does not show.
  std::vector<std::string> files;
  auto flushFiles = [&] {
    if (files.empty()) return;
    FileList picked;
    AddFiles(picked, files);
    list.AppendBatch(picked.TakeEntries());
    files.clear();
  };
  for (const std::string& path : paths) {
    const std::string absolute = AbsolutePath(path);
    if (!IsDirectory(path)) {
      files.push_back(absolute);
      continue;
    }
    flushFiles();
    if (tree != nullptr) {
      const FolderTreeResult r = CollectFolderTree(list, absolute, *tree);
      if (unreadableInTrees.unreadable == 0) unreadableInTrees.firstUnreadable = r.firstUnreadable;
      unreadableInTrees.unreadable += r.unreadable;
    } else if (ScanFolder(list, absolute, nullptr, listings) == 0) {
      std::vector<std::string> names;
      if (!ListFolderFiles(absolute, names)) warnings.push_back("无法读取目录：" + ShowPath(path));
    }
  }
  flushFiles();
  if (unreadableInTrees.unreadable > 0)
    warnings.push_back(GbToUtf8Lossy(UnreadableFoldersMessage(unreadableInTrees).text));
  return warnings;
}

}  // namespace tessarn::cli
