#include "core/filelist/folder_scan.h"

#include <utility>
#include <vector>

#include "core/filelist/file_system.h"
#include "core/text/encoding.h"

namespace tessarn {

FolderScan ReadSortedFolder(const std::string& diskFolder) {
  FolderScan scan;
  std::vector<std::string> diskNames;
  if (!ListFolderFiles(diskFolder, diskNames)) {
    // As ScanFolder tells it: a path that is gone adds nothing without a word.
    scan.unreadable =
        PathExists(diskFolder == "/" ? diskFolder : diskFolder.substr(0, diskFolder.size() - 1));
    scan.files.diskFolder = diskFolder;
    scan.files.folder = DecodeDiskName(diskFolder);
    return scan;
  }
  scan.files = SortFolderFiles(diskFolder, std::move(diskNames));
  return scan;
}

}  // namespace tessarn
