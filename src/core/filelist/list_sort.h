// Sorting the list: by name or folder and name in natural order, by size or by
// modification time, either way. Numbering follows the order the list then has.
#pragma once

#include <cstdint>
#include <vector>

#include "core/filelist/file_list.h"

namespace tessarn {

enum class SortKey {
  kAdded,  // the order the files were added in: no sorting
  kName,   // the old name, natural order
  kNewName,  // the new name as last computed, natural order
  kPath,   // the folder, then the old name, natural order
  kSize,
  kMtime
};

// The order the entries take when sorted by key: position i of the result names
// the entry that goes there. Equal keys keep their order; descending reverses the
// whole ascending order. A file that cannot be stat'ed sorts as size 0 and time 0.
std::vector<std::uint32_t> SortOrder(const FileList& list, SortKey key, bool descending);

// Sorts the entries and their rows; kAdded puts back the order of adding.
void SortList(FileList& list, SortKey key, bool descending);

// Moves the entries at `selected` (ascending, unique) one place up (by -1) or
// down (by 1), each past its unselected neighbour, so a block moves as one and
// what is at the edge already stays. Returns where the selected entries are afterwards.
std::vector<std::size_t> MoveEntries(FileList& list, const std::vector<std::size_t>& selected,
                                     int by);

}  // namespace tessarn
