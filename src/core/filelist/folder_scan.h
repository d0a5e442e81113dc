// A folder's files read, decoded and put in natural order apart from any list, so
// that the reading can run on a thread of its own while the list stays with the
// thread that shows it. Appending the result (AppendSortedFiles, then the rows)
// gives the very entries and rows ScanFolder and AddFolder give.
#pragma once

#include <memory>
#include <string>

#include "core/filelist/add_files.h"
#include "core/filelist/folder_listing.h"

namespace tessarn {

struct FolderScan {
  SortedFolderFiles files;  // empty when the folder cannot be read
  bool unreadable = false;  // it exists but cannot be listed (no permission, not a folder)
  // Every name of the folder from the same read, ready to be kept for the preview's
  // conflict check (FolderListings::Adopt); empty when the folder changed while read.
  std::unique_ptr<FolderListing> listing;
};

// `diskFolder` ends with "/". Touches nothing but the folder and its own result.
FolderScan ReadSortedFolder(const std::string& diskFolder);

}  // namespace tessarn
