// Field edits given by name, as the command line's `tags set` takes them: checked
// before any file is read, then made into the one kind of tag edit (tag_edit.h).
#pragma once

#include <optional>
#include <string>

#include "core/tagedit/tag_edit.h"

namespace tessarn {

// Fields to change, GB18030; a field left unset keeps its value in the file.
struct TagEdits {
  std::optional<std::string> title, artist, album, track, year, genre, comment, composer,
      originalArtist, copyright, url, encoder;
};

// A genre given by name (the exact name first, then ignoring ASCII case) or by
// number 0..125; -1 for "no genre" (an empty text); nullopt when unknown.
std::optional<int> GenreNumberOf(const std::string& text);

// The reason (GB18030) the edits cannot be applied to the chosen tags, or nullopt:
// an unknown genre, an ID3v1 track that is not 0..255, an ID3v2-only field for
// ID3v1 alone, or no field at all.
std::optional<std::string> CheckTagEdits(const TagEdits& edits, bool id3v1, bool id3v2);

// The edit that applies checked edits to the chosen tags of a file: each chosen tag
// is written (made when the file has none) with the given fields changed and the
// others as the file holds them when it is written. A genre goes to ID3v1 as its
// number and to ID3v2 in the tag editor's "(17)Rock" form.
TagEdit TagEditOf(const TagEdits& edits, bool id3v1, bool id3v2);

// The edit that removes the chosen tags.
TagEdit DeletionEdit(bool id3v1, bool id3v2);

// Whether a file could refuse the edits' ID3v1 values: a text longer than its
// field, a comment of 29 or 30 bytes that meets a file's track, a track that meets
// a file's long comment. Such edits are checked against every file before any is
// written, so that the command stops before it has changed anything.
bool Id3v1MayRefuse(const TagEdits& edits);

}  // namespace tessarn
