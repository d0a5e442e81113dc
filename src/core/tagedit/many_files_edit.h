// The tag editor's form for several files at once: what each box shows (the value
// all the files share, or nothing with the hint "<多个值>"). Its update is a tag
// edit (tag_edit.h) of the boxes the user changed, made to every file, each
// keeping its own values elsewhere; the copy buttons and the tags' check boxes act
// on each file by itself: "ID3v2 复制到 ID3v1" gives every file its own ID3v2
// texts in ID3v1.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "core/id3/tag_fields.h"
#include "core/text/legacy_text.h"

namespace tessarn {

// The hint of a box whose files differ: "<多个值>".
const std::string& ManyValuesHint();

// What the boxes of one tag show: per field (kTagFieldTable order) the text every
// file has, or nullopt when they differ. A file without the tag counts as empty
// fields. `present` counts the files that have the tag.
struct CommonTag {
  std::array<std::optional<std::string>, kTagFieldCount> fields;
  std::size_t present = 0;
};
struct CommonTags {
  CommonTag id3v1, id3v2;
};
CommonTags CommonTagsOf(const std::vector<std::string>& paths, LegacyEncoding legacy);

}  // namespace tessarn
