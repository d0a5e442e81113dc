// A hash table of names for the rename plan: the names are views into strings kept
// elsewhere, the cells one flat array, so that 100,000 names cost one allocation
// instead of one heap node each.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <type_traits>
#include <utility>

namespace tessarn {

inline std::uint64_t HashName(std::string_view s) {
  std::uint64_t h = 0x9E3779B97F4A7C15ull ^ s.size();
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t w;
    std::memcpy(&w, s.data() + i, 8);
    h = (h ^ w) * 0xFF51AFD7ED558CCDull;
    h ^= h >> 32;
  }
  std::uint64_t w = 0;
  if (i < s.size()) std::memcpy(&w, s.data() + i, s.size() - i);
  h = (h ^ w) * 0xC4CEB9FE1A85EC53ull;
  return h ^ (h >> 29);
}

template <typename Value>
class NameTable {
 public:
  // Room for `count` names without growing. True when the cells moved (references
  // to values are then stale).
  bool Reserve(std::size_t count) {
    std::size_t cap = 16;
    while (cap * 4 < count * 5) cap *= 2;
    if (cap <= capacity_) return false;
    Rehash(cap);
    return true;
  }
  std::size_t size() const { return size_; }

  // Fetches the cell where `name` would be looked for first. A table of 100,000
  // names is far larger than the caches: asking for the cells of the names a few
  // steps ahead lets their misses overlap instead of following one another.
  void Prefetch(std::string_view name) const {
    if (capacity_ != 0)
      __builtin_prefetch(&cells_[static_cast<std::uint32_t>(HashName(name)) & mask_], 1);
  }

  const Value* Find(std::string_view name) const {
    if (capacity_ == 0) return nullptr;
    const auto h = static_cast<std::uint32_t>(HashName(name));
    for (std::size_t k = h & mask_;; k = (k + 1) & mask_) {
      const Cell& c = cells_[k];
      if (!c.used) return nullptr;
      if (c.hash == h && Key(c) == name) return &c.value;
    }
  }
  Value* Find(std::string_view name) {
    return const_cast<Value*>(static_cast<const NameTable*>(this)->Find(name));
  }

  // The value of `name`, inserted with a default value when missing. References
  // stay valid while the table holds no more names than it was reserved for.
  Value& operator[](std::string_view name) {
    bool added;
    return Insert(name, added);
  }
  Value& Insert(std::string_view name, bool& added) {
    added = false;
    if ((size_ + 1) * 5 > capacity_ * 4) Rehash(capacity_ == 0 ? 16 : capacity_ * 2);
    const auto h = static_cast<std::uint32_t>(HashName(name));
    for (std::size_t k = h & mask_;; k = (k + 1) & mask_) {
      Cell& c = cells_[k];
      if (!c.used) {
        c.used = true;
        c.hash = h;
        c.data = name.data();
        c.length = static_cast<std::uint32_t>(name.size());
        c.value = Value{};
        ++size_;
        added = true;
        return c.value;
      }
      if (c.hash == h && Key(c) == name) return c.value;
    }
  }

 private:
  // The low half of the hash picks the cell; all of it is kept to skip most
  // comparisons. A name is never longer than a path. A cell is empty while `used`
  // is 0, and its value is set when its name comes. The cells are cleared by a
  // write (new[] with value-initialisation), not taken zeroed from calloc (as
  // malloc and memset would be, once the compiler folds them): fresh pages that
  // are first read get the kernel's shared zero page, and the write that follows
  // replaces it with a flush of the TLB of every processor running one of our
  // threads, page by page.
  static_assert(std::is_trivially_copyable_v<Value>);
  struct Cell {
    const char* data;
    std::uint32_t hash;
    std::uint32_t length : 31;
    std::uint32_t used : 1;
    Value value;
  };
  static std::string_view Key(const Cell& c) { return std::string_view(c.data, c.length); }

  void Rehash(std::size_t cap) {
    auto old = std::make_unique<Cell[]>(cap);
    old.swap(cells_);
    const std::size_t oldCapacity = std::exchange(capacity_, cap);
    mask_ = cap - 1;
    for (std::size_t i = 0; i < oldCapacity; ++i) {
      const Cell& c = old[i];
      if (!c.used) continue;
      std::size_t k = c.hash & mask_;
      while (cells_[k].used) k = (k + 1) & mask_;
      cells_[k] = c;
    }
  }

  std::unique_ptr<Cell[]> cells_;
  std::size_t capacity_ = 0;
  std::size_t mask_ = 0;
  std::size_t size_ = 0;
};

}  // namespace tessarn
