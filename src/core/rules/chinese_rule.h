// The rule set of page "中文": simplified ⇄ traditional, Chinese numerals, pinyin and
// full/half width over the main name, the extension or both (the conversions
// themselves are in core/chinese/). A name whose text the conversions leave as it
// was keeps its bytes.
#pragma once

#include <cstddef>

#include "core/filelist/file_list.h"
#include "core/rules/naming_options.h"

namespace tessarn {

class ChineseConverters;

// Sets newName of entries first..end-1 from their oldName. `converters` holds what the
// conversions load; null makes one for this call (a program's single pass). A row
// whose conversion cannot be loaded keeps its name (the caller shows error()).
void ApplyChineseRule(FileList& list, const NamingOptions& options, std::size_t first,
                      std::size_t end, ChineseConverters* converters);

}  // namespace tessarn
