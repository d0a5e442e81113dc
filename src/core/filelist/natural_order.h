// The order a file manager shows names in: letters compared without regard to ASCII
// case, runs of digits compared by their value ("IMG_2" before "IMG_10").
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessarn {

// A key whose plain byte order is the natural order of `name` (GB18030 text): ASCII
// letters lowered, each run of digits replaced by "0", the count of its significant
// digits and those digits. A multi-byte character is kept as it is: its trail bytes
// are never taken for letters or digits. Sorting many names compares their keys.
std::string NaturalSortKey(std::string_view name);
// The same key appended to `key`.
void AppendNaturalSortKey(std::string_view name, std::string& key);

// <0, 0 or >0: by the keys, and names with equal keys (e.g. "a" and "A", "01" and
// "1") by their bytes, so that the result is a total order.
int NaturalCompare(std::string_view a, std::string_view b);

inline bool NaturalLess(std::string_view a, std::string_view b) { return NaturalCompare(a, b) < 0; }

// Puts many names in natural order (the order NaturalLess gives), fast enough for a
// folder of 100,000 files: each item holds the first 16 bytes of its name's key, and
// the items are sorted by those one byte at a time; only names that share them get
// their whole keys, when they are compared.
class NaturalSorter {
 public:
  static constexpr int kHeadBytes = 16;
  struct Item {
    std::uint64_t head[2];  // key bytes in the order of their values; missing bytes are 0
    std::uint32_t index;
  };

  void Reserve(std::size_t names, std::size_t nameBytes);
  // Adds the next name; its index is the number of names added before it.
  void Add(std::string_view name);
  // The indices of the added names in natural order. `names` are the same names in
  // the same order; they break ties between equal heads. Sorts in place: call it last.
  std::vector<std::uint32_t> Order(const std::vector<std::string>& names);

 private:
  // Items whose keys agree on their first `depth` bytes and whose heads (the next
  // 16 bytes) are equal.
  void SortSameHeads(Item* items, std::size_t n, std::size_t depth,
                     const std::vector<std::string>& names) const;
  void SortRunsOfSameHeads(Item* items, std::size_t n, std::size_t depth,
                           const std::vector<std::string>& names) const;
  // Sorts buckets [from, to) of the items scattered by the byte at `position` into
  // their places in `items`.
  void SortBuckets(Item* items, Item* scattered, int position,
                   const std::array<std::uint32_t, 256>& count,
                   const std::array<std::uint32_t, 257>& starts, std::size_t from, std::size_t to,
                   const std::vector<std::string>& names) const;

  // The whole key of the name added as `index`-th.
  std::string_view Key(std::uint32_t index) const {
    const std::uint32_t start = index == 0 ? 0 : keyEnds_[index - 1];
    return std::string_view(keys_).substr(start, keyEnds_[index] - start);
  }

  std::vector<Item> items_;
  std::string keys_;                    // every name's whole key, one after the other
  std::vector<std::uint32_t> keyEnds_;  // where each one ends
};

// The natural order of `names` in one call.
std::vector<std::uint32_t> NaturalSortOrder(const std::vector<std::string>& names);

}  // namespace tessarn
