#include "core/filelist/folder_listing.h"

#include <utility>

namespace tessarn {

const FolderListing* FolderListings::Get(const std::string& diskFolder) {
  FolderStamp stamp;
  if (!ReadFolderStamp(diskFolder, stamp)) return nullptr;
  std::unique_ptr<FolderListing>& kept = folders_[diskFolder];
  if (kept && kept->stamp == stamp) return kept.get();
  auto listing = std::make_unique<FolderListing>();
  listing->stamp = stamp;
  listing->maxName = MaxNameLength(diskFolder);
  if (!ListFolderNames(diskFolder, [&](std::string_view name, unsigned long long inode) {
        listing->Add(name, inode);
      }))
    return nullptr;
  Adopt(diskFolder, std::move(listing));
  return kept.get();
}

void IndexFolderListing(FolderListing& listing) {
  if (listing.names.size() == listing.inodes.size()) return;  // done already
  // Only now that the bytes no longer move can the index point into them.
  listing.names.Build(listing.bytes, listing.inodes.size());
}

void FolderListings::Adopt(const std::string& diskFolder, std::unique_ptr<FolderListing> listing) {
  if (keep_) IndexFolderListing(*listing);
  folders_[diskFolder] = std::move(listing);
}

bool ListFolderFilesWithListing(const std::string& diskFolder,
                                const std::function<void(std::string_view name)>& onFile,
                                std::unique_ptr<FolderListing>& listing) {
  // The stamp is read before and after: a folder that changed meanwhile leaves no
  // listing behind, and the plan reads it anew. A change after the second stamp
  // shows as a new stamp when the plan looks.
  listing.reset();
  FolderStamp before, after;
  const bool stamped = ReadFolderStamp(diskFolder, before);
  auto read = std::make_unique<FolderListing>();
  if (!ListFolderEntries(diskFolder,
                         [&](std::string_view name, unsigned long long inode, bool isFile) {
                           read->Add(name, inode);
                           if (isFile) onFile(name);
                         }))
    return false;
  if (stamped && ReadFolderStamp(diskFolder, after) && after == before) {
    read->stamp = before;
    read->maxName = MaxNameLength(diskFolder);
    listing = std::move(read);
  }
  return true;
}

bool ListFolderFilesForPlan(const std::string& diskFolder,
                            const std::function<void(std::string_view name)>& onFile,
                            FolderListings& listings) {
  std::unique_ptr<FolderListing> listing;
  if (!ListFolderFilesWithListing(diskFolder, onFile, listing)) return false;
  if (listing) listings.Adopt(diskFolder, std::move(listing));
  return true;
}

}  // namespace tessarn
