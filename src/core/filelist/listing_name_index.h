// The table of a kept folder listing's names. A window keeps the listing of every
// folder it shows for as long as it shows them, so the table is kept lean: a cell
// holds a name's hash and its index, and the name is found through the index's
// start in the listing's bytes. 100,000 names cost 1.4 MB instead of the 3.6 MB of
// a NameTable, which keeps a view of each name as well.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "core/filelist/name_table.h"

namespace tessarn {

class ListingNameIndex {
 public:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

  // Indexes the `count` names in `bytes`, each followed by a NUL, in their order.
  // The bytes must stay where they are for as long as the index is asked.
  void Build(std::string_view bytes, std::size_t count) {
    starts_.clear();
    starts_.reserve(count);
    for (std::size_t pos = 0; pos < bytes.size();) {
      starts_.push_back(static_cast<std::uint32_t>(pos));
      const void* end = std::memchr(bytes.data() + pos, '\0', bytes.size() - pos);
      pos = end ? static_cast<const char*>(end) - bytes.data() + 1 : bytes.size();
    }
    std::size_t cap = 16;
    while (cap * 4 < starts_.size() * 5) cap *= 2;
    cells_ = std::make_unique<Cell[]>(cap);  // written, not calloc'ed: see NameTable
    mask_ = cap - 1;
    // The table is far larger than the caches: the cells of the names a few steps
    // ahead are fetched early, so that their misses overlap.
    constexpr std::size_t kAhead = 8;
    count = starts_.size();
    auto nameAt = [&](std::size_t k) {
      const std::size_t end = k + 1 < count ? starts_[k + 1] - 1 : bytes.size() - 1;
      return bytes.substr(starts_[k], end - starts_[k]);
    };
    for (std::size_t k = 0; k < count; ++k) {
      if (k + kAhead < count) Prefetch(nameAt(k + kAhead));
      const std::string_view name = nameAt(k);
      const auto h = static_cast<std::uint32_t>(HashName(name));
      for (std::size_t c = h & mask_;; c = (c + 1) & mask_) {
        Cell& cell = cells_[c];
        if (cell.slot == 0 || (cell.hash == h && Matches(bytes, cell.slot - 1, name))) {
          // A name listed twice (no folder does that) keeps its last index.
          cell.hash = h;
          cell.slot = static_cast<std::uint32_t>(k) + 1;
          break;
        }
      }
    }
  }

  // The number of names indexed.
  std::size_t size() const { return starts_.size(); }

  // Fetches the cell where `name` would be looked for first (see NameTable).
  void Prefetch(std::string_view name) const {
    if (cells_) __builtin_prefetch(&cells_[static_cast<std::uint32_t>(HashName(name)) & mask_]);
  }

  // The index of `name` among the names in `bytes` (those the index was built of),
  // or kNone.
  std::uint32_t Find(std::string_view bytes, std::string_view name) const {
    if (!cells_) return kNone;
    const auto h = static_cast<std::uint32_t>(HashName(name));
    for (std::size_t c = h & mask_;; c = (c + 1) & mask_) {
      const Cell& cell = cells_[c];
      if (cell.slot == 0) return kNone;
      if (cell.hash == h && Matches(bytes, cell.slot - 1, name)) return cell.slot - 1;
    }
  }

 private:
  // `slot` is the name's index plus one: a cell is empty while it is 0.
  struct Cell {
    std::uint32_t hash;
    std::uint32_t slot;
  };

  // The k-th name is `name`: its bytes, then the NUL that ends it.
  bool Matches(std::string_view bytes, std::uint32_t k, std::string_view name) const {
    const std::size_t start = starts_[k];
    return start + name.size() < bytes.size() && bytes[start + name.size()] == '\0' &&
           std::memcmp(bytes.data() + start, name.data(), name.size()) == 0;
  }

  // Where each name begins in the bytes. 32 bits hold the names of any folder a
  // file system makes (4 GiB of names is 16 million of the longest); past that a
  // name is found at a wrong start, whose bytes then do not match: it is taken
  // for absent, never for another name.
  std::vector<std::uint32_t> starts_;
  std::unique_ptr<Cell[]> cells_;
  std::size_t mask_ = 0;
};

}  // namespace tessarn
