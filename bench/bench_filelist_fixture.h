// A folder of many files on tmpfs, made once per benchmark binary and removed at exit.
#pragma once

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace tessarn::bench {

inline constexpr std::size_t kFileCount = 100000;

// A measured step that failed or gave the wrong result ends the whole run with a
// message and a non-zero exit: a figure for work not done must never be printed.
inline void Require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "benchmark failed: %s\n", what);
  std::fflush(stdout);
  std::_Exit(1);
}

// Names as a camera, a music collection and a download folder give them; a quarter
// in Chinese (UTF-8), so decoding is part of the cost.
inline std::string FileName(std::size_t i) {
  switch (i % 4) {
    case 0:
      return "IMG_" + std::to_string(i) + ".jpg";
    case 1:
      return "Track " + std::to_string(i) + " - Artist.mp3";
    case 2:
      return "\xE6\xAD\x8C\xE6\x9B\xB2 " + std::to_string(i) + ".mp3";  // "歌曲 N"
    default:
      return "report-v" + std::to_string(i % 97) + "-" + std::to_string(i) + ".PDF";
  }
}

// glibc defers part of freeing many small blocks until the next large request: run
// it now, while the timer is paused, so that it is charged to the free that caused
// it and not to the next operation measured.
inline void SettleFreedMemory() {
  void* block = malloc(256 * 1024);
  benchmark::DoNotOptimize(block);
  free(block);
}

class ManyFilesFolder {
 public:
  explicit ManyFilesFolder(std::size_t count) {
    const char* base = getenv("TESSARN_BENCH_DIR");
    std::string pattern = std::string(base ? base : "/dev/shm") + "/tessarn-bench-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) abort();
    path_ = pattern + "/";
    for (std::size_t i = 0; i < count; ++i) names_.push_back(FileName(i));
    // Created in shuffled order, so the listing comes back unordered.
    std::vector<std::string> shuffled = names_;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(42));
    for (const std::string& name : shuffled) {
      const int fd = open((path_ + name).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
      if (fd < 0) abort();
      close(fd);
    }
  }
  ~ManyFilesFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ManyFilesFolder(const ManyFilesFolder&) = delete;
  ManyFilesFolder& operator=(const ManyFilesFolder&) = delete;

  const std::string& path() const { return path_; }  // ends with "/"
  const std::vector<std::string>& names() const { return names_; }

 private:
  std::string path_;
  std::vector<std::string> names_;
};

}  // namespace tessarn::bench
