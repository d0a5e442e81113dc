// A hint to the kernel about the list's large arrays: the one place for it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>

namespace tessarn {

// Asks for huge pages behind [begin, begin + bytes) when the range is large (a few
// megabytes: a list of some 10,000 files), so that filling it takes a few page
// faults instead of thousands. Memory that was already touched keeps its pages.
// Nothing happens where the system does not support it.
void PreferHugePages(void* begin, std::size_t bytes);

// For a process that is about to build a long list of small blocks (a name or
// two per file) and keeps them to its end, as the command line does: grows the
// heap by `bytes` at once, with the huge-page hint, and keeps it, so that the
// blocks are carved from memory that faults in 2 MiB at a time instead of 4 KiB.
// The process's other threads then take their blocks from the same heap.
// Nothing is touched: pages the process never uses are never allocated.
void PrepareHeapForManyBlocks(std::size_t bytes);

// Gives the heap's free pages back to the system, after a long-lived process made
// and dropped many passing blocks (the names of a folder just read and sorted, a
// long preview's texts): without it they stay counted as the process's memory.
void ReturnFreeMemory();

// The untouched tail of a vector's storage, after a reserve().
template <typename Vector>
void PreferHugePagesForSpare(Vector& vector) {
  using Value = typename Vector::value_type;
  PreferHugePages(vector.data() + vector.size(),
                  (vector.capacity() - vector.size()) * sizeof(Value));
}

// Grows a vector to hold at least `needed` elements, by half at least. The new
// storage gets its huge-page hint before the elements move in, so that the move
// itself does not fault in the copy page by page.
template <typename Vector>
void GrowWithHugePages(Vector& vector, std::size_t needed) {
  if (needed <= vector.capacity()) return;
  const std::size_t capacity = std::max(needed, vector.capacity() * 3 / 2);
  if (vector.empty()) {
    vector.reserve(capacity);
    PreferHugePagesForSpare(vector);
    return;
  }
  Vector bigger;
  bigger.reserve(capacity);
  PreferHugePagesForSpare(bigger);
  for (auto& element : vector) bigger.push_back(std::move(element));
  vector.swap(bigger);
}

}  // namespace tessarn
