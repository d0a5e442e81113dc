#include "core/filelist/folder_scan.h"

#include <utility>
#include <vector>

#include "core/filelist/file_system.h"
#include "core/filelist/folder_listing.h"
#include "core/filelist/listed_names.h"
#include "core/text/encoding.h"

namespace tessarn {

FolderScan ReadSortedFolder(const std::string& diskFolder) {
  FolderScan scan;
  ListedNames listed;
  if (!ListFolderFilesWithListing(
          diskFolder, [&listed](std::string_view name) { listed.Add(name); }, scan.listing)) {
    // As ScanFolder tells it: a path that is gone adds nothing without a word.
    scan.unreadable =
        PathExists(diskFolder == "/" ? diskFolder : diskFolder.substr(0, diskFolder.size() - 1));
    scan.files.diskFolder = diskFolder;
    scan.files.folder = DecodeDiskName(diskFolder);
    return scan;
  }
  scan.files = SortListedFiles(diskFolder, listed.Finish());
  // The table of names is built here too, off the thread that shows the list.
  if (scan.listing) IndexFolderListing(*scan.listing);
  return scan;
}

}  // namespace tessarn
