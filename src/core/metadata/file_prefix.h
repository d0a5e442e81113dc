// The first bytes of a file, read with one system call, and the file kept open for
// whatever a reader needs beyond them. Photos keep their EXIF and audio files most
// of their tags near the start: a reader that takes them from here costs about
// what opening the file and reading its first block costs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessarn {

// How much of a file is read at once: the EXIF segment of a JPEG is at most 64 KB.
inline constexpr std::size_t kFilePrefixBytes = 64 * 1024;

class FilePrefix {
 public:
  // Opens a regular file for reading, without waiting (a FIFO or a device is not
  // opened), and reads its first `bytes` bytes.
  explicit FilePrefix(const std::string& path, std::size_t bytes = kFilePrefixBytes);
  ~FilePrefix();
  FilePrefix(const FilePrefix&) = delete;
  FilePrefix& operator=(const FilePrefix&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  std::uint64_t size() const { return size_; }
  std::string_view bytes() const { return bytes_; }
  // Whether bytes() is the whole file.
  bool Whole() const { return bytes_.size() >= size_; }
  // Up to n bytes at offset: from the prefix where it holds them, else from the file.
  std::size_t ReadAt(std::uint64_t offset, std::size_t n, char* out) const;

 private:
  int fd_ = -1;
  std::uint64_t size_ = 0;
  std::string bytes_;
};

}  // namespace tessarn
