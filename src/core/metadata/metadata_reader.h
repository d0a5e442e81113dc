// One file's metadata, read once: only the parts a template needs, each by the
// reader of the file's kind (audio tags, photo data), and the file's own stat.
#pragma once

#include <string>
#include <string_view>

#include "core/metadata/file_metadata.h"
#include "core/text/legacy_text.h"

namespace tessarn {

// Reads the parts asked for of the file at path (raw disk bytes); `name` is its
// name as the list shows it, whose extension says which reader applies. A part
// the file's kind does not have (audio tags of a photo) is simply not read. True
// unless the file cannot be stat'ed or a reader its kind calls for rejected it.
bool ReadFileMetadata(const std::string& path, std::string_view name, unsigned parts,
                      FileMetadata& meta, LegacyEncoding legacy = LegacyEncoding::kAuto);

}  // namespace tessarn
