// Temporary files left by killed runs of the program's earlier tag writer, which
// wrote a whole new copy of the file as ".tessarn-rewrite-" and six letters or
// digits beside it and renamed the copy over the file at the end. Such a name
// says nothing of the file it was made for; its bytes do: the new ID3v2 tag (none
// for a removal), then the file's audio from its start. Internal to the codec:
// the writer clears them away when it next opens the file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/filelist/own_names.h"  // IsRewriteLeftoverName
#include "core/id3/tag_file_io.h"

namespace tessarn {

// True when `leftover` holds a copy of `file` that was cut off while being made:
// an optional ID3v2 tag, then a start of the file's audio (what follows its own
// tag) that is long enough to tell it from another file's (4 KiB, or all of the
// audio when there is less). A copy with no audio yet cannot be told apart.
bool IsLeftoverOf(ByteSource& leftover, ByteSource& file);

// Removes, from the folder of `resolvedPath` (the file's real location), every
// leftover of `file` (open and locked by the caller): a regular file with that
// name and one link, that no one else holds a lock on, whose bytes show it was
// made from this file. Nothing else in the folder is touched; failures are
// ignored, as a leftover only costs space.
void RemoveRewriteLeftovers(const std::string& resolvedPath, ByteSource& file);

// The same in two halves, so that a run over many files of a folder lists the
// folder once: the leftover names in `folder` (ending in '/'), then the removal of
// those of them made from `file`, each removed name taken out of `names`.
std::vector<std::string> ListRewriteLeftovers(const std::string& folder);
void RemoveRewriteLeftovers(const std::string& folder, std::vector<std::string>& names,
                            ByteSource& file);

}  // namespace tessarn
