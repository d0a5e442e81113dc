// The tags the MP3 naming rule needs, read once per file and kept while the file
// stays the same. The naming page runs a pass on every keystroke over every listed
// file; with the cache such a pass costs one stat per file and no reads.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/id3/tag_fields.h"
#include "core/text/legacy_text.h"

namespace tessarn {

// The six fields a naming template can use, of both tag versions of one file,
// packed into one run of bytes to keep thousands of them small. The usual few dozen
// bytes stay inside the object: a pass over the cache's slots reads them in order,
// with no heap block per file to fetch.
class NamingTags {
 public:
  bool hasV1 = false;
  bool hasV2 = false;

  // Placeholder digit 1..6: artist, title, album, track, year, genre.
  std::string_view Field(bool v2, int digit) const;

  // Takes the six fields of each record given (nullptr: that version is absent).
  void Set(const TagFields* v1, const TagFields* v2);

 private:
  static constexpr std::size_t kInline = 48;
  const char* Bytes() const { return large_ ? large_.get() : small_; }
  std::array<std::uint32_t, 12> ends_{};
  char small_[kInline] = {};
  std::unique_ptr<char[]> large_;  // when the fields do not fit in small_
};

// Reads both tags of the file at path (raw disk bytes), opening it once and
// skipping everything but the tags. False when the file cannot be opened.
bool ReadNamingTags(const std::string& path, NamingTags& tags,
                    LegacyEncoding legacy = LegacyEncoding::kAuto);
// The same for the file `name` inside the open folder folderFd (see ReadOnlyFile).
bool ReadNamingTags(int folderFd, const std::string& name, const std::string& path,
                    NamingTags& tags, LegacyEncoding legacy = LegacyEncoding::kAuto);

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
