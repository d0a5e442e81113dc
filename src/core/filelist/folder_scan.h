// A folder's files read, decoded and put in natural order apart from any list, so
// that the reading can run on a thread of its own while the list stays with the
// thread that shows it. Appending the result (AppendSortedFiles, then the rows)
// gives the very entries and rows ScanFolder and AddFolder give.
#pragma once

#include <string>

#include "core/filelist/add_files.h"

namespace tessarn {

struct FolderScan {
  SortedFolderFiles files;  // empty when the folder cannot be read
  bool unreadable = false;  // it exists but cannot be listed (no permission, not a folder)
};

// `diskFolder` ends with "/". Touches nothing but the folder and its own result.
FolderScan ReadSortedFolder(const std::string& diskFolder);

}  // namespace tessarn
