// Where a benchmark makes its files: TESSARN_BENCH_DIR, else /dev/shm, else /tmp.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <string>

namespace tessarn {

// A new folder of its own there, ending with "/".
inline std::string BenchFolder() {
  const char* chosen = getenv("TESSARN_BENCH_DIR");
  std::string base = chosen ? chosen : (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
  std::string tmpl = base + "/tessarn-bench-XXXXXX";
  if (!mkdtemp(tmpl.data())) std::abort();
  return tmpl + "/";
}

}  // namespace tessarn
