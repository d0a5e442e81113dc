#include "core/metadata/metadata_cache.h"

#include <sys/stat.h>

#include "core/metadata/metadata_reader.h"

namespace tessarn {

const FileMetadata* MetadataCache::Get(const std::string& path, std::string_view name,
                                       unsigned parts, LegacyEncoding legacy) {
  if (legacy != legacy_) {
    entries_.clear();
    legacy_ = legacy;
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    entries_.erase(path);
    return nullptr;
  }
  Entry& e = entries_[path];
  const auto size = static_cast<std::uint64_t>(st.st_size);
  const std::int64_t mtimeNs =
      static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  const bool same = e.size == size && e.mtimeNs == mtimeNs &&
                    e.inode == static_cast<std::uint64_t>(st.st_ino) &&
                    e.device == static_cast<std::uint64_t>(st.st_dev) && e.inode != 0;
  if (!same || (e.parts & parts) != parts) {
    e.size = size;
    e.mtimeNs = mtimeNs;
    e.inode = static_cast<std::uint64_t>(st.st_ino);
    e.device = static_cast<std::uint64_t>(st.st_dev);
    // Whatever was asked before is read again with the new parts: a template that
    // gains a placeholder does not make a file read twice over next time.
    e.parts = (same ? e.parts : 0) | parts;
    e.ok = ReadFileMetadata(path, name, e.parts, e.meta, legacy);
  }
  return e.ok ? &e.meta : nullptr;
}

}  // namespace tessarn
