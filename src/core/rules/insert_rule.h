// The rule set of page "插入": characters inserted into the main name and into the
// extension, each at a 1-based byte position or at its end.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/filelist/file_list.h"
#include "core/rules/name_source.h"

namespace tessarn {

struct RuleUnit;

enum class InsertMode { kAtPosition, kAtEnd };

// The options of page "插入".
struct InsertOptions {
  std::string nameInsertText;
  std::string extInsertText;
  bool keepSame = false;
  InsertMode nameInsertMode = InsertMode::kAtPosition;
  std::string nameInsertPos = "1";
  InsertMode extInsertMode = InsertMode::kAtPosition;
  std::string extInsertPos = "1";
};

// Sets newName of entries first..count-1 from their name by `source`. The extension
// position counts from the byte after the dot; a name without extension gets "." +
// the text. With keepSame on, the extension takes the file-name characters, as its
// box does.
void ApplyInsertRule(FileList& list, const InsertOptions& options, std::size_t count,
                     std::size_t first = 0, NameSource source = NameSource::kOldName);

const RuleUnit& InsertRuleUnit();

// The first position-1 bytes of text, then insertion, then the rest. A position
// inside a character moves to that character's start; position 1 or less inserts at
// the front, a position past the end appends.
std::string InsertAt(std::string_view text, long long position, std::string_view insertion);

}  // namespace tessarn
