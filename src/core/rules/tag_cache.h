// The tags the MP3 naming rule needs, read once per file and kept while the file
// stays the same. The naming page runs a pass on every keystroke over every listed
// file; with the cache such a pass costs one stat per file and no reads.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/id3/naming_tags.h"
#include "core/text/legacy_text.h"

namespace tessarn {

// Keyed by path; an entry is good while the file's size, modification time, inode
// and device stay the same. Pass it in to whoever runs the naming passes.
//
// Passes ask for the files in list order, again and again; the entries are kept in
// the order they were first asked for, so that a pass walks them in sequence and
// only looks a path up by hash when the order differs.
class TagCache {
 public:
  // The tags of the file, read afresh when it is new or changed on disk (one stat
  // when it is not). nullptr when the file cannot be stat'ed or opened. The pointer
  // is valid until the next call.
  const NamingTags* Get(const std::string& path);
  // The same for the file `name` inside the open folder folderFd (see ReadOnlyFile),
  // `path` its full path and key: the stat and any read go by name, without a walk
  // of the folder's path for every file.
  const NamingTags* Get(int folderFd, const std::string& name, const std::string& path);

  void Clear();
  std::size_t size() const { return index_.size(); }

  // How legacy tag text is read (see legacy_text.h); a change forgets every entry.
  void SetLegacyEncoding(LegacyEncoding legacy);

 private:
  struct Entry {
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
    std::uint64_t inode = 0;
    std::uint64_t device = 0;
    NamingTags tags;
  };
  // The slots in one array, read one after the other by a pass in its usual order;
  // slot k's path is paths_[k] (empty once the file is gone), kept apart: a pass
  // that finds each file where it expects it never reads them, and a deque never
  // moves its elements, so the index can point into them.
  std::vector<Entry> entries_;
  std::deque<std::string> paths_;
  std::unordered_map<std::string_view, std::size_t> index_;  // path -> slot
  std::size_t next_ = 0;  // the slot the next call most likely asks for
  LegacyEncoding legacy_ = LegacyEncoding::kAuto;

  void Forget(std::size_t slot);
};

}  // namespace tessarn
