#include "core/filelist/memory_hints.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace tessarn {

void PreferHugePages(void* begin, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
  constexpr std::size_t kWorthIt = 4u << 20;
  if (bytes < kWorthIt) return;
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto start = reinterpret_cast<std::uintptr_t>(begin);
  const std::uintptr_t first = (start + page - 1) / page * page;  // whole pages only
  const std::uintptr_t end = (start + bytes) / page * page;
  if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
  (void)begin;
  (void)bytes;
#endif
}

}  // namespace tessarn
