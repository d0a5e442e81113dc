#include "core/metadata/file_prefix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "core/id3/tag_file_io.h"

namespace tessarn {

FilePrefix::FilePrefix(const std::string& path, std::size_t bytes) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd_ < 0) return;
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    return;
  }
  size_ = static_cast<std::uint64_t>(st.st_size);
  bytes_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(bytes, size_)));
  bytes_.resize(PreadAll(fd_, bytes_.data(), bytes_.size(), 0));
}

FilePrefix::~FilePrefix() {
  if (fd_ >= 0) ::close(fd_);
}

std::size_t FilePrefix::ReadAt(std::uint64_t offset, std::size_t n, char* out) const {
  if (offset >= size_) return 0;
  n = static_cast<std::size_t>(std::min<std::uint64_t>(n, size_ - offset));
  if (offset + n <= bytes_.size()) {
    std::memcpy(out, bytes_.data() + offset, n);
    return n;
  }
  return fd_ >= 0 ? PreadAll(fd_, out, n, offset) : 0;
}

}  // namespace tessarn
