#include "core/filelist/memory_hints.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

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

void PrepareHeapForManyBlocks(std::size_t bytes) {
#if defined(M_MMAP_THRESHOLD) && defined(M_TRIM_THRESHOLD)
  // Blocks this large come from the heap, not from mappings of their own, and
  // freeing them does not give the heap's top back: the grown heap stays.
  const int limit = static_cast<int>(std::min<std::size_t>(2 * bytes, 1u << 30));
  if (mallopt(M_MMAP_THRESHOLD, limit) == 0 || mallopt(M_TRIM_THRESHOLD, limit) == 0) return;
  // The second threads' blocks (a long folder's names decoded and sorted while the
  // listing goes on, the plan's tables) come from this heap too: an arena of a
  // thread's own is mapped apart, without the hint, and faulted in 4 KiB at a time
  // (a few thousand faults for 100,000 names).
  mallopt(M_ARENA_MAX, 1);
  char* const before = static_cast<char*>(sbrk(0));
  void* const block = malloc(bytes);
  char* const after = static_cast<char*>(sbrk(0));
  // When the heap could not grow in place, malloc mapped the block elsewhere and
  // the heap is as it was: nothing to advise then.
  if (block != nullptr && before != reinterpret_cast<char*>(-1) && after > before)
    PreferHugePages(before, static_cast<std::size_t>(after - before));
  free(block);
#else
  (void)bytes;
#endif
}

void ReturnFreeMemory() {
#ifdef __GLIBC__
  malloc_trim(0);
#endif
}

}  // namespace tessarn
