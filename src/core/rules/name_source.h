// Where a rule reads the name it changes: the file's old name, or, for a later
// step of a chain of rules, the new name the step before it left.
#pragma once

#include <string>
#include <string_view>

#include "core/filelist/file_list.h"

namespace tessarn {

enum class NameSource { kOldName, kNewName };

// Hands a rule each entry's name to start from while the rule writes the entry's
// newName. For a chained step the previous name is swapped out into a buffer of
// the reader's, so the rule may rebuild newName in place; the buffers swap back
// and forth, and a pass over many entries allocates nothing once they have room.
class NameReader {
 public:
  explicit NameReader(NameSource source) : chained_(source == NameSource::kNewName) {}
  // The name to start from; valid until the next call.
  std::string_view Take(FileEntry& entry) {
    if (!chained_) return entry.oldName;
    previous_.swap(entry.newName);
    return previous_;
  }

 private:
  bool chained_;
  std::string previous_;
};

}  // namespace tessarn
