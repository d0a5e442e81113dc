// A hint to the kernel about the list's large arrays: the one place for it.
#pragma once

#include <cstddef>

namespace tessarn {

// Asks for huge pages behind [begin, begin + bytes) when the range is large (a few
// megabytes: a list of some 10,000 files), so that filling it takes a few page
// faults instead of thousands. Memory that was already touched keeps its pages.
// Nothing happens where the system does not support it.
void PreferHugePages(void* begin, std::size_t bytes);

// The untouched tail of a vector's storage, after a reserve().
template <typename Vector>
void PreferHugePagesForSpare(Vector& vector) {
  using Value = typename Vector::value_type;
  PreferHugePages(vector.data() + vector.size(),
                  (vector.capacity() - vector.size()) * sizeof(Value));
}

}  // namespace tessarn
