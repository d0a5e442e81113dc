#include "core/rules/tag_cache.h"

#include <sys/stat.h>

#include "core/id3/tag_file_io.h"

namespace tessarn {

void TagCache::SetLegacyEncoding(LegacyEncoding legacy) {
  if (legacy == legacy_) return;
  legacy_ = legacy;
  Clear();
}

void TagCache::Clear() {
  entries_.clear();
  paths_.clear();
  index_.clear();
  next_ = 0;
}

void TagCache::Forget(std::size_t slot) {
  index_.erase(paths_[slot]);
  entries_[slot] = Entry{};  // the slot stays, empty, so that no index moves
  paths_[slot].clear();
}

const NamingTags* TagCache::Get(const std::string& path) { return Get(-1, path, path); }

const NamingTags* TagCache::Get(int folderFd, const std::string& name, const std::string& path) {
  struct stat st {};
  const bool found = StatFileIn(folderFd, name, path, st);
  const auto size = static_cast<std::uint64_t>(st.st_size);
  const std::int64_t mtimeNs =
      static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  const auto inode = static_cast<std::uint64_t>(st.st_ino);
  const auto device = static_cast<std::uint64_t>(st.st_dev);
  auto unchanged = [&](const Entry& e) {
    return e.size == size && e.mtimeNs == mtimeNs && e.inode == inode && e.device == device;
  };

  // The usual case: the slot after the last call's was read from this very file (the
  // same inode of the same device) and it has not changed since. Its tags are then
  // this file's, whichever of its paths they were read by, so the path itself (a
  // heap block per file, which a pass over thousands of files would bring into the
  // caches again and again) is not compared.
  if (found && next_ < entries_.size() && inode != 0 && unchanged(entries_[next_]))
    return &entries_[next_++].tags;

  // Else find the slot by the path.
  std::size_t slot = entries_.size();
  if (next_ < entries_.size() && paths_[next_] == path) {
    slot = next_;
  } else if (auto it = index_.find(path); it != index_.end()) {
    slot = it->second;
  }
  if (!found) {
    if (slot < entries_.size()) Forget(slot);
    return nullptr;
  }

  if (slot < entries_.size()) {
    Entry& e = entries_[slot];
    next_ = slot + 1;
    if (unchanged(e)) return &e.tags;
    e.size = size;
    e.mtimeNs = mtimeNs;
    e.inode = inode;
    e.device = device;
    if (ReadNamingTags(folderFd, name, path, e.tags, legacy_)) return &e.tags;
    Forget(slot);
    return nullptr;
  }

  Entry fresh{size, mtimeNs, inode, device, {}};
  if (!ReadNamingTags(folderFd, name, path, fresh.tags, legacy_)) return nullptr;
  entries_.push_back(std::move(fresh));
  paths_.push_back(path);
  index_.emplace(paths_.back(), entries_.size() - 1);
  next_ = entries_.size();
  return &entries_.back().tags;
}

}  // namespace tessarn
