// The rule set of page "插入": characters inserted into the main name and into the
// extension, each at a 1-based byte position or at its end.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/filelist/file_list.h"
#include "core/rules/naming_options.h"

namespace tessarn {

// Sets newName of entries first..count-1 from their oldName. The extension position
// counts from the byte after the dot; a name without extension gets "." + the text.
// With keepSame on, the extension takes the file-name characters, as its box does.
void ApplyInsertRule(FileList& list, const NamingOptions& options, std::size_t count,
                     std::size_t first = 0);

// The first position-1 bytes of text, then insertion, then the rest. A position
// inside a character moves to that character's start; position 1 or less inserts at
// the front, a position past the end appends.
std::string InsertAt(std::string_view text, long long position, std::string_view insertion);

}  // namespace tessarn
