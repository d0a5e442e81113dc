// Builders for hand-made tags and a temporary folder for the codec tests.
#pragma once

#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include "core/id3/tag_disk.h"
#include "core/text/encoding.h"

namespace tessarn::testing {

inline std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int c : b) s += static_cast<char>(c);
  return s;
}

inline std::string Be32(std::uint32_t v) {
  return Bytes({int(v >> 24 & 0xFF), int(v >> 16 & 0xFF), int(v >> 8 & 0xFF), int(v & 0xFF)});
}
inline std::string Syncsafe32(std::uint32_t v) {
  return Bytes({int(v >> 21 & 0x7F), int(v >> 14 & 0x7F), int(v >> 7 & 0x7F), int(v & 0x7F)});
}

inline std::string Frame22(const std::string& id, const std::string& content) {
  const auto n = static_cast<std::uint32_t>(content.size());
  return id + Bytes({int(n >> 16 & 0xFF), int(n >> 8 & 0xFF), int(n & 0xFF)}) + content;
}
inline std::string Frame23(const std::string& id, const std::string& content, int flags = 0) {
  return id + Be32(static_cast<std::uint32_t>(content.size())) +
         Bytes({flags >> 8 & 0xFF, flags & 0xFF}) + content;
}
// v2.4 frame; plainSize writes the size the way many v2.4 writers wrongly do.
inline std::string Frame24(const std::string& id, const std::string& content, int flags = 0,
                           bool plainSize = false) {
  const auto n = static_cast<std::uint32_t>(content.size());
  return id + (plainSize ? Be32(n) : Syncsafe32(n)) + Bytes({flags >> 8 & 0xFF, flags & 0xFF}) +
         content;
}

// Header + body + padding zero bytes.
inline std::string Tag(int major, const std::string& body, std::size_t padding = 0, int flags = 0) {
  const std::string all = body + std::string(padding, '\0');
  return "ID3" + Bytes({major, 0, flags}) + Syncsafe32(static_cast<std::uint32_t>(all.size())) +
         all;
}

// A text frame's content: encoding 0 and the bytes given.
inline std::string Latin(const std::string& text) { return std::string(1, '\0') + text; }

inline std::string Utf16Le(const std::string& utf8) { return *GbToUtf16Le(Gb(utf8)); }
inline std::string Utf16Be(const std::string& utf8) {
  std::string s = Utf16Le(utf8);
  for (std::size_t i = 0; i + 1 < s.size(); i += 2) std::swap(s[i], s[i + 1]);
  return s;
}

// A temporary folder, removed with its files.
class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/tessarn-id3-XXXXXX";
    path_ = mkdtemp(tmpl);
  }
  ~TempDir() {
    chmod(path_.c_str(), 0700);
    if (DIR* d = opendir(path_.c_str())) {
      while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") unlink((path_ + "/" + name).c_str());
      }
      closedir(d);
    }
    rmdir(path_.c_str());
  }
  const std::string& path() const { return path_; }
  std::string File(const std::string& name, const std::string& content) const {
    const std::string p = path_ + "/" + name;
    std::ofstream(p, std::ios::binary) << content;
    return p;
  }
  int Count() const {
    int n = 0;
    if (DIR* d = opendir(path_.c_str())) {
      while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") ++n;
      }
      closedir(d);
    }
    return n;
  }

 private:
  std::string path_;
};

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A raw 128-byte ID3v1 block holding only a title (ASCII, at most 30 bytes) and a
// genre byte, made without the codec under test.
inline std::string Id3v1Block(const std::string& title, unsigned char genre = 0xFF) {
  std::string block = "TAG" + title;
  block.resize(127, '\0');
  return block + static_cast<char>(genre);
}

// A disk on which the process dies in the middle of its nth write (counting from
// 0; -1 never).
class DyingDisk : public TagDisk {
 public:
  explicit DyingDisk(int dieAt) : dieAt_(dieAt) {}
  int WriteAt(int fd, std::uint64_t offset, std::string_view data) override {
    if (writes_++ == dieAt_) {
      TagDisk::WriteAt(fd, offset, data.substr(0, data.size() / 2));
      _exit(9);
    }
    return TagDisk::WriteAt(fd, offset, data);
  }
  int writes() const { return writes_; }

 private:
  int dieAt_;
  int writes_ = 0;
};

// Runs the write in a child process that dies in the middle of its nth write;
// true when it died there.
inline bool WriteKilledAt(int dieAt, const std::string& path, const TagBlockChange& id3v2,
                          const TagBlockChange& id3v1) {
  const pid_t pid = fork();
  if (pid == 0) {
    DyingDisk disk(dieAt);
    _exit(WriteTagBlocks(disk, path, id3v2, id3v1) ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 9;
}

}  // namespace tessarn::testing
