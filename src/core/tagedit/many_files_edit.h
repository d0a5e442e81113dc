// The tag editor's form for several files at once: what each box shows (the value
// all the files share, or nothing with the hint "<多个值>"), and the update that
// writes only the boxes the user changed, to every file, each keeping its own
// values elsewhere. The copy buttons and the tags' check boxes act on each file
// by itself: "ID3v2 复制到 ID3v1" gives every file its own ID3v2 texts in ID3v1.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "core/tagedit/tag_run.h"

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

// The user's changes in the form. A field is set when its box was changed; the
// ID3v1 genre is the genre number in decimal ("" for none), the ID3v2 genre the
// text the genre box gives (EditorGenreText).
struct ManyFilesEdit {
  std::array<std::optional<std::string>, kTagFieldCount> id3v1, id3v2;
  // Each file's own ID3v2 texts (with the changed ID3v2 boxes) go to its ID3v1
  // before the changed ID3v1 boxes; and the other way.
  bool copyId3v2ToId3v1 = false;
  bool copyId3v1ToId3v2 = false;
  bool removeId3v1 = false;  // "ID3v1 标签" cleared: every file loses it
  bool removeId3v2 = false;
};
// True when the edit changes nothing.
bool IsEmpty(const ManyFilesEdit& edit);

// Applies the edit to every file, one after another, each all or nothing. A value
// a file's ID3v1 block cannot take fails that file (reason GB18030), untouched.
// `tried` sees each file as soon as it was tried.
std::vector<TagRunFile> ApplyManyFilesEdit(const std::vector<std::string>& paths,
                                           const ManyFilesEdit& edit, const Id3v2WriteOptions& text,
                                           const TagFileTried& tried = {});

}  // namespace tessarn
