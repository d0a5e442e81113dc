// A hash table of names for the rename plan: the names are views into strings kept
// elsewhere, the cells and the entries two flat arrays, so that 100,000 names cost
// two allocations instead of one heap node each.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

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
  // Room for `count` names without growing. True when the values moved (references
  // to them are then stale).
  bool Reserve(std::size_t count) {
    const bool moved = count > entries_.capacity() && !entries_.empty();
    if (count > entries_.capacity()) entries_.reserve(count);
    std::size_t cap = 16;
    while (cap < count * 2) cap *= 2;
    if (cap > capacity_) Rehash(cap);
    return moved;
  }
  std::size_t size() const { return entries_.size(); }

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
      if (c.entry == 0) return nullptr;
      if (c.hash == h && Key(entries_[c.entry - 1]) == name) return &entries_[c.entry - 1].value;
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
    if ((entries_.size() + 1) * 2 > capacity_) Rehash(capacity_ == 0 ? 16 : capacity_ * 2);
    const auto h = static_cast<std::uint32_t>(HashName(name));
    for (std::size_t k = h & mask_;; k = (k + 1) & mask_) {
      Cell& c = cells_[k];
      if (c.entry == 0) {
        entries_.push_back(Entry{name.data(), static_cast<std::uint32_t>(name.size()), Value{}});
        c.hash = h;
        c.entry = static_cast<std::uint32_t>(entries_.size());
        added = true;
        return entries_.back().value;
      }
      if (c.hash == h && Key(entries_[c.entry - 1]) == name) return entries_[c.entry - 1].value;
    }
  }

 private:
  // The cells are only what a probe needs, the low half of the hash picking the
  // cell and all of it kept to skip most comparisons, and the entry's number (0:
  // empty), so that at most half of them in use keeps probes short and the array
  // small. The names and values are kept in the order they came. A name is never
  // longer than a path. The cells are cleared by a write (new[] with
  // value-initialisation), not taken zeroed from calloc (as malloc and memset
  // would be, once the compiler folds them): fresh pages that are first read get
  // the kernel's shared zero page, and the write that follows replaces it with a
  // flush of the TLB of every processor running one of our threads, page by page.
  static_assert(std::is_trivially_copyable_v<Value>);
  struct Cell {
    std::uint32_t hash;
    std::uint32_t entry;
  };
  struct Entry {
    const char* data;
    std::uint32_t length;
    Value value;
  };
  static std::string_view Key(const Entry& e) { return std::string_view(e.data, e.length); }

  void Rehash(std::size_t cap) {
    auto old = std::make_unique<Cell[]>(cap);
    old.swap(cells_);
    const std::size_t oldCapacity = std::exchange(capacity_, cap);
    mask_ = cap - 1;
    for (std::size_t i = 0; i < oldCapacity; ++i) {
      const Cell& c = old[i];
      if (c.entry == 0) continue;
      std::size_t k = c.hash & mask_;
      while (cells_[k].entry != 0) k = (k + 1) & mask_;
      cells_[k] = c;
    }
  }

  std::unique_ptr<Cell[]> cells_;
  std::vector<Entry> entries_;
  std::size_t capacity_ = 0;
  std::size_t mask_ = 0;
};

}  // namespace tessarn
