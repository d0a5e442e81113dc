// A list built from old names, as the rule tests need it.
#pragma once

#include <string>
#include <vector>

#include "core/filelist/file_list.h"

namespace tessarn::testing {

// GBK characters whose trail byte is an ASCII letter or backslash: a byte-wise
// rule would find, change or split inside them.
inline const std::string kYa = "\x81\x61";     // 乤, trail "a"
inline const std::string kShang = "\x81\x41";  // 丄, trail "A"
inline const std::string kCheng = "\x81\x5C";  // 乗, trail "\"

inline FileList MakeList(const std::vector<std::string>& oldNames) {
  FileList list;
  for (const auto& name : oldNames) {
    FileEntry e;
    e.oldName = name;
    e.folder = list.InternDiskFolder("/music/");
    list.entries.push_back(e);
  }
  if (!oldNames.empty()) list.AppendRows(0, oldNames.size() - 1);
  return list;
}

inline std::vector<std::string> NewNames(const FileList& list) {
  std::vector<std::string> names;
  for (const auto& e : list.entries) names.push_back(e.newName);
  return names;
}

inline std::vector<std::string> ShownNewNames(const FileList& list) {
  std::vector<std::string> names;
  for (std::size_t r = 0; r < list.RowCount(); ++r)
    names.push_back(list.CellText(r, kNewNameColumn));
  return names;
}

}  // namespace tessarn::testing
