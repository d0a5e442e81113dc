// The PATH arguments of preview and rename, turned into list entries: a file makes
// one entry, a folder adds the files directly inside it, as "选择目录" does, or
// with --recursive those of its subfolders too, as "添加目录及子目录" does.
#pragma once

#include <string>
#include <vector>

#include "core/filelist/file_list.h"
#include "core/filelist/folder_listing.h"
#include "core/filelist/folder_tree.h"

namespace tessarn::cli {

// False with a UTF-8 message naming the first path that does not exist.
bool CheckPathsExist(const std::vector<std::string>& paths, std::string& error);

// The path made absolute, its folder part resolved (symbolic links, "." and "..")
// but its last part kept as given, so that a link is itself the entry. Undo runs
// from another process and perhaps another working folder: it needs full paths.
std::string AbsolutePath(const std::string& path);

// Appends the entries of every path, in order; `tree` set: folders with their
// subfolders. Folders that cannot be read add nothing; the warnings about them
// are returned (UTF-8 texts; with `tree`, one for all of them). `listings`, when
// given, keeps what the scan of a folder read for the rename plan that follows.
std::vector<std::string> AddPathArguments(FileList& list, const std::vector<std::string>& paths,
                                          const FolderTreeOptions* tree = nullptr,
                                          FolderListings* listings = nullptr);

// The text of a raw path for messages, UTF-8, its control characters escaped.
std::string ShowPath(const std::string& rawPath);

}  // namespace tessarn::cli
