#include "core/filelist/natural_order.h"

#include <algorithm>
#include <array>
#include <utility>

#include "core/text/gb_text.h"

namespace tessarn {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int Sign(int c) { return c < 0 ? -1 : (c > 0 ? 1 : 0); }

// Bytes from..from+7 of the key at `start` as a number whose order is the bytes'
// order; missing bytes count as 0 (a shorter key then still sorts first, and equal
// numbers fall back to the full comparison).
std::uint64_t BigEndianHead(const std::string& keys, std::size_t start, std::size_t length,
                            std::size_t from) {
  std::uint64_t value = 0;
  for (std::size_t k = from; k < from + 8; ++k)
    value = (value << 8) | (k < length ? static_cast<unsigned char>(keys[start + k]) : 0u);
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
  keys_.reserve(2 * nameBytes + names);
}

void NaturalSorter::Add(std::string_view name) {
  const std::size_t start = keys_.size();
  AppendNaturalSortKey(name, keys_);
  const std::size_t length = keys_.size() - start;
  items_.push_back(
      {{BigEndianHead(keys_, start, length, 0), BigEndianHead(keys_, start, length, 8)},
       static_cast<std::uint32_t>(start),
       static_cast<std::uint32_t>(length),
       static_cast<std::uint32_t>(items_.size())});
}

std::vector<std::uint32_t> NaturalSorter::Order(const std::vector<std::string>& names) {
  // First by the 16 head bytes, with a radix sort (least significant byte first,
  // stable; a byte that is the same in every key needs no pass): for a large folder
  // it is much faster than comparing. Then each run of equal heads by whole keys.
  const std::size_t n = items_.size();
  const std::string_view allKeys = keys_;
  auto byWholeKey = [&](const Item& x, const Item& y) {
    const int c =
        allKeys.substr(x.keyStart, x.keyLength).compare(allKeys.substr(y.keyStart, y.keyLength));
    return c != 0 ? c < 0 : names[x.index] < names[y.index];
  };
  // A small folder (one of many in a tree) is sorted by comparing: the radix
  // passes below cost the same setting up for ten names as for ten thousand.
  constexpr std::size_t kCompareBelow = 256;
  if (n < kCompareBelow) {
    std::sort(items_.begin(), items_.end(), [&](const Item& x, const Item& y) {
      if (x.head[0] != y.head[0]) return x.head[0] < y.head[0];
      if (x.head[1] != y.head[1]) return x.head[1] < y.head[1];
      return byWholeKey(x, y);
    });
    std::vector<std::uint32_t> order;
    order.reserve(n);
    for (const Item& item : items_) order.push_back(item.index);
    return order;
  }
  constexpr int kHeadBytes = 16;
  auto byteAt = [](const Item& item, int position) {  // position 0 is the most significant
    return static_cast<unsigned>(item.head[position / 8] >> (8 * (7 - position % 8))) & 0xFFu;
  };
  std::vector<std::array<std::uint32_t, 256>> counts(kHeadBytes);
  for (auto& count : counts) count.fill(0);
  for (const Item& item : items_)
    for (int position = 0; position < kHeadBytes; ++position)
      ++counts[position][byteAt(item, position)];
  std::vector<Item> spare(n);
  Item* from = items_.data();
  Item* to = spare.data();
  for (int position = kHeadBytes - 1; position >= 0; --position) {
    std::array<std::uint32_t, 256>& count = counts[position];
    if (std::find(count.begin(), count.end(), n) != count.end()) continue;
    std::uint32_t start = 0;
    for (std::uint32_t& bucket : count) start += std::exchange(bucket, start);
    for (std::size_t i = 0; i < n; ++i) to[count[byteAt(from[i], position)]++] = from[i];
    std::swap(from, to);
  }
  for (std::size_t i = 0; i < n;) {
    std::size_t j = i + 1;
    while (j < n && from[j].head[0] == from[i].head[0] && from[j].head[1] == from[i].head[1]) ++j;
    if (j - i > 1) std::sort(from + i, from + j, byWholeKey);
    i = j;
  }
  std::vector<std::uint32_t> order;
  order.reserve(n);
  for (std::size_t i = 0; i < n; ++i) order.push_back(from[i].index);
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
