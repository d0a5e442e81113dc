// Column 4 ("MP3标签状态") shows each entry's tagStatus. The MP3 naming rule writes
// the entries only; this copies what changed into the rows, one refresh per pass.
#pragma once

#include "core/filelist/file_list.h"

namespace tessarn {

void ShowTagStatuses(FileList& list);

}  // namespace tessarn
