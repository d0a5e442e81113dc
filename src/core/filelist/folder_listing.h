// What the rename plan knows of a folder's names: one read of the folder, kept as
// long as the folder's stamp says its names have not changed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/filelist/file_system.h"
#include "core/filelist/listing_name_index.h"

namespace tessarn {

// The names of a folder as last read.
struct FolderListing {
  FolderStamp stamp;
  std::size_t maxName = 255;
  std::string bytes;  // the names, each followed by a NUL; `names` points into it
  std::vector<unsigned long long> inodes;  // one per name, in the order of `bytes`
  ListingNameIndex names;                  // name -> its index in `inodes` (kept listings only)
  // The index of `name` in `inodes`, or ListingNameIndex::kNone (kept listings only).
  std::uint32_t IndexOf(std::string_view name) const { return names.Find(bytes, name); }
  bool Has(std::string_view name) const { return IndexOf(name) != ListingNameIndex::kNone; }
  void Add(std::string_view name, unsigned long long inode) {
    bytes.append(name);
    bytes.push_back('\0');
    inodes.push_back(inode);
  }
};

// Calls onName(name, k) for the k-th name of a listing.
template <typename Fn>
void ForEachName(const FolderListing& listing, Fn onName) {
  const std::string_view all = listing.bytes;
  std::uint32_t k = 0;
  for (std::size_t pos = 0; pos < all.size(); ++k) {
    const std::size_t end = all.find('\0', pos);
    onName(all.substr(pos, end - pos), k);
    pos = end + 1;
  }
}

// ForEachName, calling ahead(name) a few names before onName(name, k): a caller
// putting the names in a large table fetches their cells early with it. The bytes
// are read once: the names between the two calls wait in a small ring.
template <typename AheadFn, typename Fn>
void ForEachNameAhead(const FolderListing& listing, AheadFn ahead, Fn onName) {
  constexpr std::uint32_t kAhead = 8;  // a power of two: the ring's index is masked
  std::string_view ring[kAhead];
  std::uint32_t k = 0, count = 0;
  ForEachName(listing, [&](std::string_view name, std::uint32_t index) {
    ahead(name);
    if (index >= kAhead) {
      onName(ring[k & (kAhead - 1)], k);
      ++k;
    }
    ring[index & (kAhead - 1)] = name;
    count = index + 1;
  });
  for (; k < count; ++k) onName(ring[k & (kAhead - 1)], k);
}

// Listings kept between plans: a folder is read again only when its stamp changed,
// so a keystroke costs one stat per folder, not one per file.
class FolderListings {
 public:
  // `keep`: listings serve more than one plan (a window's previews); otherwise
  // each plan puts the names of a listing in its own tables.
  explicit FolderListings(bool keep = true) : keep_(keep) {}
  bool keeps() const { return keep_; }
  // Null when the folder cannot be read.
  const FolderListing* Get(const std::string& diskFolder);
  // Keeps a listing read elsewhere (the scan that added the folder's files): the
  // next Get of the folder takes it instead of reading the folder again, as long
  // as the folder's stamp is still the listing's.
  void Adopt(const std::string& diskFolder, std::unique_ptr<FolderListing> listing);

 private:
  bool keep_;
  std::unordered_map<std::string, std::unique_ptr<FolderListing>> folders_;
};

// ListFolderFiles (each file's name handed to `onFile` as it is read), and from the
// same read of the folder a listing of all its names for the next plan: set in `listing` when the
// folder did not change while it was read (else left empty). Touches nothing else, so it may run on
// any thread.
bool ListFolderFilesWithListing(const std::string& diskFolder,
                                const std::function<void(std::string_view name)>& onFile,
                                std::unique_ptr<FolderListing>& listing);

// Makes a listing ready to be kept (its table of names), where the caller likes:
// FolderListings::Adopt then finds the work done.
void IndexFolderListing(FolderListing& listing);

// ListFolderFilesWithListing, the listing adopted by `listings`.
bool ListFolderFilesForPlan(const std::string& diskFolder,
                            const std::function<void(std::string_view name)>& onFile,
                            FolderListings& listings);

}  // namespace tessarn
