#include "core/filelist/natural_order.h"

#include <algorithm>
#include <array>
#include <utility>

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

// Hands the bytes of `name`'s key to `out` in order, one call per byte, until
// out.full(): ASCII letters lowered, each run of digits as "0", the count of its
// significant digits and those digits, a multi-byte character as it is.
template <typename Out>
void WriteNaturalSortKey(std::string_view name, Out& out) {
  const char* const in = name.data();
  const std::size_t size = name.size();
  for (std::size_t i = 0; i < size && !out.full();) {
    const char c = in[i];
    if (IsDigit(c)) {
      // "0" keeps digits where they stand among other characters (only digits lie
      // between "0" and "9"); then the longer number is the larger, then the digits.
      std::size_t start = i;
      while (start < size && in[start] == '0') ++start;
      std::size_t end = start;
      while (end < size && IsDigit(in[end])) ++end;
      out.put('0');
      // A file name is at most 255 bytes: one byte holds the count (longer texts,
      // which are no file names, still sort, only less naturally).
      out.put(static_cast<char>(end - start > 255 ? 255 : end - start));
      for (std::size_t k = start; k < end; ++k) out.put(in[k]);
      i = end;
    } else if (static_cast<unsigned char>(c) < 0x80) {
      out.put((c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c);
      ++i;
    } else {
      const std::size_t len = CharLenAt(name, i);
      for (std::size_t k = 0; k < len; ++k) out.put(in[i + k]);
      i += len;
    }
  }
}

// The whole key, written through a pointer into room for the longest one.
struct KeyWriter {
  char* out;
  bool full() const { return false; }
  void put(char c) { *out++ = c; }
};

// Only the first bytes of the key: what a sort item keeps.
struct HeadWriter {
  unsigned char bytes[NaturalSorter::kHeadBytes] = {};
  std::size_t count = 0;
  bool full() const { return count == sizeof bytes; }
  void put(char c) {
    if (count < sizeof bytes) bytes[count++] = static_cast<unsigned char>(c);
  }
  std::uint64_t Word(std::size_t from) const {
    std::uint64_t value = 0;
    for (std::size_t k = from; k < from + 8; ++k) value = value << 8 | bytes[k];
    return value;
  }
};

}  // namespace

std::string NaturalSortKey(std::string_view name) {
  std::string key;
  key.reserve(name.size() + 8);
  AppendNaturalSortKey(name, key);
  return key;
}

void AppendNaturalSortKey(std::string_view name, std::string& key) {
  // A digit run grows by two bytes at most ("1" gives "0", 1, "1"), so twice the
  // name plus one is room enough.
  const std::size_t base = key.size();
  key.resize(base + 2 * name.size() + 1);
  KeyWriter writer{key.data() + base};
  WriteNaturalSortKey(name, writer);
  key.resize(static_cast<std::size_t>(writer.out - key.data()));
}

int NaturalCompare(std::string_view a, std::string_view b) {
  const int byKey = NaturalSortKey(a).compare(NaturalSortKey(b));
  return byKey != 0 ? Sign(byKey) : Sign(a.compare(b));
}

void NaturalSorter::Reserve(std::size_t names) { items_.reserve(names); }

void NaturalSorter::Add(std::string_view name) {
  // Only the key's head is kept: names that share it get their whole keys in Order,
  // and few do.
  HeadWriter head;
  WriteNaturalSortKey(name, head);
  items_.push_back({{head.Word(0), head.Word(8)}, static_cast<std::uint32_t>(items_.size())});
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

// Sorts `items` by their heads, whose bytes before `position` are the same in all of
// them: one byte at a time from the most significant, each bucket on its own (a byte
// that is the same in every item costs one counting pass and no move). `spare` has
// room for as many items.
void SortByHead(Item* items, Item* spare, std::size_t n, int position) {
  for (; position < NaturalSorter::kHeadBytes; ++position) {
    if (n < kCompareBelow) break;
    std::array<std::uint32_t, 256> count{};
    for (std::size_t i = 0; i < n; ++i) ++count[HeadByte(items[i], position)];
    if (std::find(count.begin(), count.end(), n) != count.end()) continue;
    std::array<std::uint32_t, 256> next;
    std::uint32_t start = 0;
    for (std::size_t b = 0; b < 256; ++b) next[b] = std::exchange(start, start + count[b]);
    for (std::size_t i = 0; i < n; ++i) spare[next[HeadByte(items[i], position)]++] = items[i];
    std::copy(spare, spare + n, items);
    for (std::size_t b = 0, first = 0; b < 256; first += count[b], ++b)
      if (count[b] > 1) SortByHead(items + first, spare + first, count[b], position + 1);
    return;
  }
  std::sort(items, items + n, HeadLess);
}

}  // namespace

void NaturalSorter::SortSameHeads(Item* items, std::size_t n, std::size_t depth,
                                  const std::vector<std::string>& names) {
  // The keys of these names from byte `depth` on, made now: these names agree on
  // everything before it.
  // The buffers of the sorter are reused from one run to the next; a nested call
  // below comes after this one is done with them.
  std::string& keys = keys_;
  std::vector<Keyed>& keyed = keyed_;
  keys.clear();
  keyed.clear();
  std::size_t longest = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t start = keys.size();
    AppendNaturalSortKey(names[items[i].index], keys);
    keys.erase(start, std::min(depth, keys.size() - start));
    longest = std::max(longest, keys.size() - start);
    keyed.push_back({static_cast<std::uint32_t>(start),
                     static_cast<std::uint32_t>(keys.size() - start), items[i].index});
  }
  const std::string_view all = keys;
  auto key = [&](const Keyed& k) { return all.substr(k.start, k.length); };
  if (n >= kCompareBelow && longest > kHeadBytes) {
    // Many names with a long shared start (a numbered series): sort them by the
    // next head of their keys the same way, and so on.
    for (std::size_t i = 0; i < n; ++i) {
      const std::string_view next = key(keyed[i]).substr(std::min<std::size_t>(kHeadBytes, keyed[i].length));
      items[i] = {{BigEndianHead(next, 0), BigEndianHead(next, 8)}, keyed[i].index};
    }
    std::vector<Item> spare(n);
    SortByHead(items, spare.data(), n, 0);
    SortRunsOfSameHeads(items, n, depth + kHeadBytes, names);
    return;
  }
  std::sort(keyed.begin(), keyed.end(), [&](const Keyed& x, const Keyed& y) {
    const int c = key(x).compare(key(y));
    if (c != 0) return c < 0;
    const int byName = names[x.index].compare(names[y.index]);
    return byName != 0 ? byName < 0 : x.index < y.index;
  });
  for (std::size_t i = 0; i < n; ++i) items[i].index = keyed[i].index;
}

void NaturalSorter::SortRunsOfSameHeads(Item* items, std::size_t n, std::size_t depth,
                                        const std::vector<std::string>& names) {
  for (std::size_t i = 0; i < n;) {
    std::size_t j = i + 1;
    while (j < n && SameHead(items[j], items[i])) ++j;
    if (j - i > 1) SortSameHeads(items + i, j - i, depth, names);
    i = j;
  }
}

std::vector<std::uint32_t> NaturalSorter::Order(const std::vector<std::string>& names) {
  // First by the heads, then each run of equal heads by whole keys.
  const std::size_t n = items_.size();
  std::vector<Item> spare(n >= kCompareBelow ? n : 0);
  SortByHead(items_.data(), spare.data(), n, 0);
  spare = std::vector<Item>();
  SortRunsOfSameHeads(items_.data(), n, 0, names);
  std::vector<std::uint32_t> order;
  order.reserve(n);
  for (const Item& item : items_) order.push_back(item.index);
  return order;
}

std::vector<std::uint32_t> NaturalSortOrder(const std::vector<std::string>& names) {
  NaturalSorter sorter;
  sorter.Reserve(names.size());
  for (const std::string& name : names) sorter.Add(name);
  return sorter.Order(names);
}

}  // namespace tessarn
