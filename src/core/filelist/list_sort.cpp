#include "core/filelist/list_sort.h"

#include <sys/stat.h>

#include <algorithm>
#include <numeric>
#include <string>

#include "core/filelist/natural_order.h"

namespace tessarn {
namespace {

struct SizeAndTime {
  std::int64_t size = 0;
  std::int64_t mtimeNs = 0;
};

// The one call to the file system here.
SizeAndTime StatSizeAndTime(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  return {static_cast<std::int64_t>(st.st_size),
          static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

std::vector<std::uint32_t> ByNumber(const std::vector<std::int64_t>& values) {
  std::vector<std::uint32_t> order(values.size());
  std::iota(order.begin(), order.end(), 0u);
  // Equal values keep their order: the index breaks the tie.
  std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
    return values[a] != values[b] ? values[a] < values[b] : a < b;
  });
  return order;
}

}  // namespace

std::vector<std::uint32_t> SortOrder(const FileList& list, SortKey key, bool descending) {
  const std::size_t n = list.count();
  std::vector<std::uint32_t> order;
  switch (key) {
    case SortKey::kAdded:
      order.resize(n);
      std::iota(order.begin(), order.end(), 0u);
      break;
    case SortKey::kName:
    case SortKey::kNewName:
    case SortKey::kPath: {
      // The path: the folder's text (ending with "/") and the name.
      std::vector<std::string> names;
      names.reserve(n);
      std::size_t bytes = 0;
      for (const FileEntry& e : list.entries) {
        names.push_back(key == SortKey::kPath      ? list.FolderText(e) + e.oldName
                        : key == SortKey::kNewName ? e.newName
                                                   : e.oldName);
        bytes += names.back().size();
      }
      NaturalSorter sorter;
      sorter.Reserve(n, bytes + bytes / 2);
      for (const std::string& name : names) sorter.Add(name);
      order = sorter.Order(names);
      break;
    }
    case SortKey::kSize:
    case SortKey::kMtime: {
      std::vector<std::int64_t> values(n);
      for (std::size_t i = 0; i < n; ++i) {
        const SizeAndTime st = StatSizeAndTime(list.DiskPath(i));
        values[i] = key == SortKey::kSize ? st.size : st.mtimeNs;
      }
      order = ByNumber(values);
      break;
    }
  }
  if (descending) std::reverse(order.begin(), order.end());
  return order;
}

void SortList(FileList& list, SortKey key, bool descending) {
  if (key == SortKey::kAdded) {
    list.RestoreAddedOrder();
    return;
  }
  list.Reorder(SortOrder(list, key, descending));
}

std::vector<std::size_t> MoveEntries(FileList& list, const std::vector<std::size_t>& selected,
                                     int by) {
  const std::size_t n = list.count();
  std::vector<bool> chosen(n, false);
  for (std::size_t i : selected)
    if (i < n) chosen[i] = true;
  std::vector<std::uint32_t> order(n);
  std::iota(order.begin(), order.end(), 0u);
  // Each chosen entry swaps with the unchosen neighbour on its side; walking from
  // that side moves a block as one, and what is already at the edge stays.
  if (by < 0) {
    for (std::size_t i = 1; i < n; ++i)
      if (chosen[order[i]] && !chosen[order[i - 1]]) std::swap(order[i], order[i - 1]);
  } else {
    for (std::size_t i = n - 1; i-- > 0;)
      if (chosen[order[i]] && !chosen[order[i + 1]]) std::swap(order[i], order[i + 1]);
  }
  std::vector<std::size_t> now;
  for (std::size_t i = 0; i < n; ++i)
    if (chosen[order[i]]) now.push_back(i);
  bool moved = false;
  for (std::size_t i = 0; i < n && !moved; ++i) moved = order[i] != i;
  if (moved) list.Reorder(order);
  return now;
}

}  // namespace tessarn
