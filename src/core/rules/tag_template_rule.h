// The rule set of page "MP3标签": names built from a file's ID3 tags through a
// template with the placeholders "#1" to "#6", followed by ".mp3".
#pragma once

#include <string>

#include "core/filelist/file_list.h"
#include "core/rules/naming_options.h"

namespace tessarn {

class TagCache;

// Sets newName and tagStatus of every entry. `tags` may be null (reads uncached).
void ApplyTagTemplateRule(FileList& list, const NamingOptions& options, TagCache* tags);

}  // namespace tessarn
