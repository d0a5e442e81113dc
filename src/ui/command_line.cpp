#include "ui/command_line.h"

#include <string_view>

namespace tessarn {

StartArguments ParseStartArguments(int argc, const char* const* argv, const std::string& cwd) {
  StartArguments start;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    std::string path = argv[i] ? argv[i] : "";
    if (!optionsEnded && (path == "-r" || path == "--recursive")) {
      start.recursive = true;
      continue;
    }
    if (!optionsEnded && path == "--") {
      optionsEnded = true;
      continue;
    }
    if (path.empty()) continue;
    if (path.front() != '/') path = (cwd.empty() || cwd.back() != '/' ? cwd + "/" : cwd) + path;
    start.paths.push_back(std::move(path));
  }
  return start;
}

std::vector<std::string> CommandLinePaths(int argc, const char* const* argv,
                                          const std::string& cwd) {
  return ParseStartArguments(argc, argv, cwd).paths;
}

}  // namespace tessarn
