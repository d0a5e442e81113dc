#include "core/id3/tag_cache.h"

#include <sys/stat.h>

#include "core/id3/id3v1.h"
#include "core/id3/id3v2.h"
#include "core/id3/tag_file_io.h"

namespace tessarn {
namespace {

// The field of each placeholder digit 1..6.
const std::string& TemplateField(const TagFields& f, int digit) {
  switch (digit) {
    case 1:
      return f.artist;
    case 2:
      return f.title;
    case 3:
      return f.album;
    case 4:
      return f.track;
    case 5:
      return f.year;
    default:
      return f.genre;
  }
}

}  // namespace

std::string_view NamingTags::Field(bool v2, int digit) const {
  if (digit < 1 || digit > 6) return {};
  const int k = (v2 ? 6 : 0) + digit - 1;
  const std::uint32_t begin = k == 0 ? 0 : ends_[k - 1];
  return std::string_view(blob_).substr(begin, ends_[k] - begin);
}

void NamingTags::Set(const TagFields* v1, const TagFields* v2) {
  hasV1 = v1 != nullptr;
  hasV2 = v2 != nullptr;
  blob_.clear();
  for (int k = 0; k < 12; ++k) {
    const TagFields* f = k < 6 ? v1 : v2;
    if (f) blob_ += TemplateField(*f, k % 6 + 1);
    ends_[k] = static_cast<std::uint32_t>(blob_.size());
  }
  blob_.shrink_to_fit();
}

bool ReadNamingTags(const std::string& path, NamingTags& tags) {
  ReadOnlyFile file(path);
  if (!file.IsOpen()) return false;
  TagFields v1, v2;
  const bool hasV2 = ReadId3v2(file, v2);
  const bool hasV1 = ReadId3v1(file, v1);
  tags.Set(hasV1 ? &v1 : nullptr, hasV2 ? &v2 : nullptr);
  return true;
}

const NamingTags* TagCache::Get(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    entries_.erase(path);
    return nullptr;
  }
  const auto size = static_cast<std::uint64_t>(st.st_size);
  const std::int64_t mtimeNs =
      static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  const auto inode = static_cast<std::uint64_t>(st.st_ino);
  const auto device = static_cast<std::uint64_t>(st.st_dev);

  auto it = entries_.find(path);
  if (it != entries_.end()) {
    const Entry& e = it->second;
    if (e.size == size && e.mtimeNs == mtimeNs && e.inode == inode && e.device == device)
      return &e.tags;
  }
  Entry fresh{size, mtimeNs, inode, device, {}};
  if (!ReadNamingTags(path, fresh.tags)) {
    if (it != entries_.end()) entries_.erase(it);
    return nullptr;
  }
  if (it != entries_.end()) {
    it->second = std::move(fresh);
    return &it->second.tags;
  }
  return &entries_.emplace(path, std::move(fresh)).first->second.tags;
}

}  // namespace tessarn
