// Adding a folder with all its subfolders: "添加目录及子目录", `tessarn -r` and the
// command line's --recursive. Files come folder by folder: each folder's files in
// natural order, then its subfolders in natural order, depth first.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "core/filelist/file_list.h"
#include "core/filelist/user_message.h"

namespace tessarn {

struct FolderTreeOptions {
  // Subfolders whose names start with "." are skipped unless this is set. Hidden
  // files are listed either way, as in a folder added on its own.
  bool hidden = false;
};

struct FolderTreeResult {
  std::size_t added = 0;
  // Folders that could not be opened or read (the one asked for included): they
  // add nothing and the walk goes on without them.
  std::size_t unreadable = 0;
  std::string firstUnreadable;  // raw path bytes of the first one
};

// Appends entries for every file in diskFolder and its subfolders; rows are not
// touched. Symbolic links to folders are not followed, and a folder met again
// below itself (a bind mount) is not entered twice. `afterFolder`, when given, is
// called after each folder's files were appended (with the index of its first
// entry): a caller may take the new entries out of the list there, to show them
// while the walk goes on.
FolderTreeResult ScanFolderTree(FileList& list, const std::string& diskFolder,
                                const FolderTreeOptions& options,
                                const std::function<void(std::size_t first)>& afterFolder = {});

// The same entries in the same order, rows not touched, read on a second thread
// while this one makes the entries.
FolderTreeResult CollectFolderTree(FileList& list, const std::string& diskFolder,
                                   const FolderTreeOptions& options);

// CollectFolderTree, then the new rows shown (see ShowTreeRows). An empty folder
// text adds nothing.
FolderTreeResult AddFolderTree(FileList& list, const std::string& diskFolder,
                               const FolderTreeOptions& options);

// Shows the rows of entries first..count-1 that came from a tree: one append for
// all of them (also when there are none: it clears the last run's statuses), then
// the folder column of each run of entries sharing a folder.
void ShowTreeRows(FileList& list, std::size_t first);

// The message about folders that could not be read; empty text when there were none.
UserMessage UnreadableFoldersMessage(const FolderTreeResult& result);

}  // namespace tessarn
