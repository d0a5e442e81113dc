// A scratch folder for tests that touch files, removed with everything in it.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace tessarn::testing {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tessarn-XXXXXX").string();
    path_ = mkdtemp(pattern.data()) ? pattern + "/" : std::string();
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // Ends with "/".
  const std::string& path() const { return path_; }

  void Write(const std::string& name, const std::string& content = std::string()) const {
    std::ofstream(path_ + name, std::ios::binary) << content;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(path_ + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool Exists(const std::string& name) const {
    struct stat st;
    return lstat((path_ + name).c_str(), &st) == 0;
  }
  void MakeFolder(const std::string& name) const {
    std::filesystem::create_directory(path_ + name);
  }

 private:
  std::string path_;
};

}  // namespace tessarn::testing
