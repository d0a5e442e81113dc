#include "core/filelist/natural_order.h"

#include <algorithm>
#include <array>
#include <utility>

#include "core/filelist/side_by_side.h"
#include "core/text/gb_text.h"

namespace tessarn {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int Sign(int c) { return c < 0 ? -1 : (c > 0 ? 1 : 0); }

// Bytes from..from+7 of `key` as a number whose order is the bytes' order; missing
// bytes count as 0 (a shorter key then still sorts first, and equal numbers fall back
// to the full comparison).
std::uint64_t BigEndianHead(std::string_view key, std::size_t from) {
  std::uint64_t value = 0;
  for (std::size_t k = from; k < from + 8; ++k)
    value = (value << 8) | (k < key.size() ? static_cast<unsigned char>(key[k]) : 0u);
  return value;
}

}  // namespace

std::string NaturalSortKey(std::string_view name) {
  std::string key;
  key.reserve(name.size() + 8);
  AppendNaturalSortKey(name, key);
  return key;
}

void AppendNaturalSortKey(std::string_view name, std::string& key) {
  // Written through a pointer into room for the longest key: a digit run grows by
  // two bytes at most ("1" gives "0", 1, "1"), so twice the name plus one is enough.
  const std::size_t base = key.size();
  key.resize(base + 2 * name.size() + 1);
  char* out = key.data() + base;
  const char* const in = name.data();
  const std::size_t size = name.size();
  for (std::size_t i = 0; i < size;) {
    const char c = in[i];
    if (IsDigit(c)) {
      // "0" keeps digits where they stand among other characters (only digits lie
      // between "0" and "9"); then the longer number is the larger, then the digits.
      std::size_t start = i;
      while (start < size && in[start] == '0') ++start;
      std::size_t end = start;
      while (end < size && IsDigit(in[end])) ++end;
      *out++ = '0';
      // A file name is at most 255 bytes: one byte holds the count (longer texts,
      // which are no file names, still sort, only less naturally).
      *out++ = static_cast<char>(end - start > 255 ? 255 : end - start);
      for (std::size_t k = start; k < end; ++k) *out++ = in[k];
      i = end;
    } else if (static_cast<unsigned char>(c) < 0x80) {
      *out++ = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
      ++i;
    } else {
      const std::size_t len = CharLenAt(name, i);
      for (std::size_t k = 0; k < len; ++k) *out++ = in[i + k];
      i += len;
    }
  }
  key.resize(static_cast<std::size_t>(out - key.data()));
}

int NaturalCompare(std::string_view a, std::string_view b) {
  const int byKey = NaturalSortKey(a).compare(NaturalSortKey(b));
  return byKey != 0 ? Sign(byKey) : Sign(a.compare(b));
}

void NaturalSorter::Reserve(std::size_t names, std::size_t nameBytes) {
  items_.reserve(names);
  keyEnds_.reserve(names);
  keys_.reserve(2 * nameBytes + names);
}

void NaturalSorter::Add(std::string_view name) {
  const std::size_t start = keys_.size();
  AppendNaturalSortKey(name, keys_);
  const std::string_view key = std::string_view(keys_).substr(start);
  items_.push_back(
      {{BigEndianHead(key, 0), BigEndianHead(key, 8)}, static_cast<std::uint32_t>(items_.size())});
  keyEnds_.push_back(static_cast<std::uint32_t>(keys_.size()));
}

namespace {

using Item = NaturalSorter::Item;

bool HeadLess(const Item& x, const Item& y) {
  if (x.head[0] != y.head[0]) return x.head[0] < y.head[0];
  return x.head[1] < y.head[1];
}

bool SameHead(const Item& x, const Item& y) {
  return x.head[0] == y.head[0] && x.head[1] == y.head[1];
}

unsigned HeadByte(const Item& item, int position) {  // position 0 is the most significant
  return static_cast<unsigned>(item.head[position / 8] >> (8 * (7 - position % 8))) & 0xFFu;
}

// Fewer items than this are sorted by comparing: a radix pass costs the same
// setting up for ten items as for ten thousand.
constexpr std::size_t kCompareBelow = 64;

// A bucket sort of items by their heads, one byte at a time from the most
// significant, each bucket on its own. Every pass moves the items from one buffer to
// the other (never back), so the two functions below take turns: SortInPlace leaves
// the result where the items were, SortInto in the other buffer. The bytes before
// `position` are the same in all items given; a byte that is the same in all costs
// one counting pass and no move.
void SortInto(Item* from, Item* to, std::size_t n, int position);

// The first byte from `position` on in which the items differ (kHeadBytes when
// none), and how many items have each value of that byte. One pass finds the byte
// (every bit in which an item differs from the first one), one more counts it: a
// long shared start (a numbered series) costs no pass per shared byte.
int FirstDifferingByte(const Item* items, std::size_t n, int position,
                       std::array<std::uint32_t, 256>& count) {
  std::uint64_t differ[2] = {0, 0};
  for (std::size_t i = 1; i < n; ++i) {
    differ[0] |= items[i].head[0] ^ items[0].head[0];
    differ[1] |= items[i].head[1] ^ items[0].head[1];
  }
  int first = NaturalSorter::kHeadBytes;
  if (differ[0] != 0)
    first = __builtin_clzll(differ[0]) / 8;
  else if (differ[1] != 0)
    first = 8 + __builtin_clzll(differ[1]) / 8;
  if (first < position) first = position;  // the bytes before are the same anyway
  if (first == NaturalSorter::kHeadBytes) return first;
  count.fill(0);
  for (std::size_t i = 0; i < n; ++i) ++count[HeadByte(items[i], first)];
  return first;
}

// Moves the items into `to`, bucket after bucket by the byte at `position`.
void Scatter(const Item* from, Item* to, std::size_t n, int position,
             const std::array<std::uint32_t, 256>& count) {
  std::array<std::uint32_t, 256> next;
  std::uint32_t start = 0;
  for (std::size_t b = 0; b < 256; ++b) next[b] = std::exchange(start, start + count[b]);
  for (std::size_t i = 0; i < n; ++i) to[next[HeadByte(from[i], position)]++] = from[i];
}

void SortInPlace(Item* items, Item* spare, std::size_t n, int position) {
  std::array<std::uint32_t, 256> count;
  if (n < kCompareBelow ||
      (position = FirstDifferingByte(items, n, position, count)) == NaturalSorter::kHeadBytes) {
    std::sort(items, items + n, HeadLess);
    return;
  }
  Scatter(items, spare, n, position, count);
  for (std::size_t b = 0, first = 0; b < 256; first += count[b], ++b) {
    if (count[b] == 1)
      items[first] = spare[first];
    else if (count[b] > 1)
      SortInto(spare + first, items + first, count[b], position + 1);
  }
}

void SortInto(Item* from, Item* to, std::size_t n, int position) {
  std::array<std::uint32_t, 256> count;
  if (n < kCompareBelow ||
      (position = FirstDifferingByte(from, n, position, count)) == NaturalSorter::kHeadBytes) {
    std::sort(from, from + n, HeadLess);
    std::copy(from, from + n, to);
    return;
  }
  Scatter(from, to, n, position, count);
  for (std::size_t b = 0, first = 0; b < 256; first += count[b], ++b)
    if (count[b] > 1) SortInPlace(to + first, from + first, count[b], position + 1);
}

}  // namespace

void NaturalSorter::SortSameHeads(Item* items, std::size_t n, std::size_t depth,
                                  const std::vector<std::string>& names) const {
  // These names' keys agree on their first `depth` bytes and the 16 after them.
  auto rest = [&](const Item& item) {
    const std::string_view key = Key(item.index);
    return key.substr(std::min(depth, key.size()));
  };
  std::size_t longest = 0;
  for (std::size_t i = 0; i < n; ++i) longest = std::max(longest, rest(items[i]).size());
  if (n >= kCompareBelow && longest > kHeadBytes) {
    // Many names with a long shared start (a numbered series): sort them by the
    // next head of their keys the same way, and so on.
    for (std::size_t i = 0; i < n; ++i) {
      const std::string_view next =
          rest(items[i]).substr(std::min<std::size_t>(kHeadBytes, rest(items[i]).size()));
      items[i].head[0] = BigEndianHead(next, 0);
      items[i].head[1] = BigEndianHead(next, 8);
    }
    std::vector<Item> spare(n);
    SortInPlace(items, spare.data(), n, 0);
    SortRunsOfSameHeads(items, n, depth + kHeadBytes, names);
    return;
  }
  std::sort(items, items + n, [&](const Item& x, const Item& y) {
    const int c = rest(x).compare(rest(y));
    if (c != 0) return c < 0;
    const int byName = names[x.index].compare(names[y.index]);
    return byName != 0 ? byName < 0 : x.index < y.index;
  });
}

void NaturalSorter::SortRunsOfSameHeads(Item* items, std::size_t n, std::size_t depth,
                                        const std::vector<std::string>& names) const {
  for (std::size_t i = 0; i < n;) {
    std::size_t j = i + 1;
    while (j < n && SameHead(items[j], items[i])) ++j;
    if (j - i > 1) SortSameHeads(items + i, j - i, depth, names);
    i = j;
  }
}

void NaturalSorter::SortBuckets(Item* items, Item* scattered, int position,
                                const std::array<std::uint32_t, 256>& count,
                                const std::array<std::uint32_t, 257>& starts, std::size_t from,
                                std::size_t to, const std::vector<std::string>& names) const {
  // Each bucket's part of the scattered buffer is its sort's spare: the two threads
  // work on parts of both buffers that do not meet.
  for (std::size_t b = from; b < to; ++b) {
    const std::uint32_t first = starts[b];
    if (count[b] == 1)
      items[first] = scattered[first];
    else if (count[b] > 1)
      SortInto(scattered + first, items + first, count[b], position + 1);
  }
  SortRunsOfSameHeads(items + starts[from], starts[to] - starts[from], 0, names);
}

std::vector<std::uint32_t> NaturalSorter::Order(const std::vector<std::string>& names) {
  // First by the heads, then each run of equal heads by whole keys.
  const std::size_t n = items_.size();
  std::vector<Item> spare(n >= kCompareBelow ? n : 0);
  std::array<std::uint32_t, 256> count;
  int position = kHeadBytes;
  if (n >= kSideBySideFrom) position = FirstDifferingByte(items_.data(), n, 0, count);
  if (position == kHeadBytes) {
    SortInPlace(items_.data(), spare.data(), n, 0);
    spare = std::vector<Item>();
    SortRunsOfSameHeads(items_.data(), n, 0, names);
  } else {
    // A long folder: the buckets of the first byte that differs are sorted on two
    // threads, about half of the items on each (a bucket is never split).
    Scatter(items_.data(), spare.data(), n, position, count);
    std::array<std::uint32_t, 257> starts;
    starts[0] = 0;
    for (std::size_t b = 0; b < 256; ++b) starts[b + 1] = starts[b] + count[b];
    std::size_t split = 0;
    while (split < 256 && starts[split + 1] <= n / 2) ++split;
    // The bucket across the middle goes to the side it fits best.
    if (split < 256 && starts[split + 1] - n / 2 < n / 2 - starts[split]) ++split;
    Item* items = items_.data();
    Item* scattered = spare.data();
    RunSideBySide(
        true, [&] { SortBuckets(items, scattered, position, count, starts, split, 256, names); },
        [&] { SortBuckets(items, scattered, position, count, starts, 0, split, names); });
  }
  std::vector<std::uint32_t> order;
  order.reserve(n);
  for (const Item& item : items_) order.push_back(item.index);
  return order;
}

std::vector<std::uint32_t> NaturalSortOrder(const std::vector<std::string>& names) {
  NaturalSorter sorter;
  std::size_t bytes = 0;
  for (const std::string& name : names) bytes += name.size();
  sorter.Reserve(names.size(), bytes);
  for (const std::string& name : names) sorter.Add(name);
  return sorter.Order(names);
}

}  // namespace tessarn
