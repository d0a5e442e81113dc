// A hash table of names for the rename plan: the names are views into strings kept
// elsewhere, the cells one flat array, so that 100,000 names cost one allocation
// instead of one heap node each.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>
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
  // Room for `count` names without growing. True when the cells moved (references
  // to values are then stale).
  bool Reserve(std::size_t count) {
    std::size_t cap = 16;
    while (cap * 4 < count * 5) cap *= 2;
    if (cap <= cells_.size()) return false;
    Rehash(cap);
    return true;
  }
  std::size_t size() const { return size_; }

  const Value* Find(std::string_view name) const {
    if (cells_.empty()) return nullptr;
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
    if ((size_ + 1) * 5 > cells_.size() * 4) Rehash(cells_.empty() ? 16 : cells_.size() * 2);
    const auto h = static_cast<std::uint32_t>(HashName(name));
    for (std::size_t k = h & mask_;; k = (k + 1) & mask_) {
      Cell& c = cells_[k];
      if (!c.used) {
        c.used = true;
        c.hash = h;
        c.data = name.data();
        c.length = static_cast<std::uint32_t>(name.size());
        ++size_;
        added = true;
        return c.value;
      }
      if (c.hash == h && Key(c) == name) return c.value;
    }
  }

 private:
  // The low half of the hash picks the cell; all of it is kept to skip most
  // comparisons. A name is never longer than a path.
  struct Cell {
    const char* data = nullptr;
    std::uint32_t hash = 0;
    std::uint32_t length : 31 = 0;
    std::uint32_t used : 1 = 0;
    Value value{};
  };
  static std::string_view Key(const Cell& c) { return std::string_view(c.data, c.length); }

  void Rehash(std::size_t cap) {
    std::vector<Cell> old = std::move(cells_);
    cells_.assign(cap, Cell{});
    mask_ = cap - 1;
    for (const Cell& c : old) {
      if (!c.used) continue;
      std::size_t k = c.hash & mask_;
      while (cells_[k].used) k = (k + 1) & mask_;
      cells_[k] = c;
    }
  }

  std::vector<Cell> cells_;
  std::size_t mask_ = 0;
  std::size_t size_ = 0;
};

}  // namespace tessarn
