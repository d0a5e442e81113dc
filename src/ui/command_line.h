// `tessarn [-r] [PATH...]`: the paths given at start, as raw bytes, made absolute.
#pragma once

#include <string>
#include <vector>

namespace tessarn {

struct StartArguments {
  std::vector<std::string> paths;
  bool recursive = false;  // -r or --recursive: folders with their subfolders
};

// argv[1..argc-1]; a relative path is taken from `cwd`; empty arguments are
// skipped; "-r" and "--recursive" are the option, anywhere before a "--".
StartArguments ParseStartArguments(int argc, const char* const* argv, const std::string& cwd);

// The paths of ParseStartArguments.
std::vector<std::string> CommandLinePaths(int argc, const char* const* argv,
                                          const std::string& cwd);

}  // namespace tessarn
