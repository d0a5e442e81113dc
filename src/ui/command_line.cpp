#include "ui/command_line.h"

namespace tessarn {

std::vector<std::string> CommandLinePaths(int argc, const char* const* argv,
                                          const std::string& cwd) {
  std::vector<std::string> paths;
  for (int i = 1; i < argc; ++i) {
    std::string path = argv[i] ? argv[i] : "";
    if (path.empty()) continue;
    if (path.front() != '/') path = (cwd.empty() || cwd.back() != '/' ? cwd + "/" : cwd) + path;
    paths.push_back(std::move(path));
  }
  return paths;
}

}  // namespace tessarn
