// The metadata of the listed files, read once and kept while a file stays the
// same: the window runs a pass on every keystroke in the template box, and a pass
// then costs one stat per file and no reads.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/metadata/file_metadata.h"
#include "core/text/legacy_text.h"

namespace tessarn {

class MetadataCache {
 public:
  // The metadata of the file at path, holding at least the parts asked for, read
  // afresh when the file is new or changed (its size, time, inode or device) or
  // lacks a part. nullptr when it cannot be read (see ReadFileMetadata). Valid
  // until the next call.
  const FileMetadata* Get(const std::string& path, std::string_view name, unsigned parts,
                          LegacyEncoding legacy);
  void Clear() { entries_.clear(); }
  std::size_t size() const { return entries_.size(); }

 private:
  struct Entry {
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
    std::uint64_t inode = 0;
    std::uint64_t device = 0;
    unsigned parts = 0;  // the parts asked for when it was read
    bool ok = false;     // false: the file was rejected, and stays so until it changes
    FileMetadata meta;
  };
  std::unordered_map<std::string, Entry> entries_;
  LegacyEncoding legacy_ = LegacyEncoding::kAuto;
};

}  // namespace tessarn
