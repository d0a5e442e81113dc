// The rule set of page "元数据": a file's new main name from a template over what
// is inside it (see core/metadata/name_template.h), its extension kept or
// lower-cased. A file whose metadata cannot be read, or that lacks a value the
// template needs without a fallback, gets an empty new name and the tag status
// "缺少元数据（...）", which the rename plan reports as RenameReason::kNoMetadata.
#pragma once

#include <cstddef>
#include <string>

#include "core/filelist/file_list.h"
#include "core/rules/naming_options.h"

namespace tessarn {

class MetadataCache;

// Sets newName and tagStatus of the entries [first, end) and shows their statuses.
// An empty or broken template empties their new names. `cache` may be null: every
// file is then read.
void ApplyMetadataRule(FileList& list, const NamingOptions& options, MetadataCache* cache,
                       std::size_t first, std::size_t end);

// What is wrong with the template of the options (GB18030), empty when nothing is.
std::string MetadataTemplateError(const NamingOptions& options);

}  // namespace tessarn
