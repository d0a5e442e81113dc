// `tessarn [PATH...]`: the paths given at start, as raw bytes, made absolute.
#pragma once

#include <string>
#include <vector>

namespace tessarn {

// argv[1..argc-1]; a relative path is taken from `cwd`; empty arguments are skipped.
std::vector<std::string> CommandLinePaths(int argc, const char* const* argv,
                                          const std::string& cwd);

}  // namespace tessarn
