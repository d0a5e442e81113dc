// Field edits given by name, as the command line's `tags set` takes them: checked
// before any file is read, then merged with each file's tags into the request that
// the tag editor's "更新" step carries out.
#pragma once

#include <optional>
#include <string>

#include "core/tagedit/tag_update.h"

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

// The update that applies checked edits to the file's current tags: each chosen
// tag is written (created when the file has none) with the given fields changed
// and the others kept. A kept ID3v2 genre that names a known genre is written in
// the tag editor's "(17)Rock" form. Returns the reason (GB18030) when a value does
// not fit the file's ID3v1 block; the request is then unusable. The file is read,
// and the request will write, as `text` says.
std::optional<std::string> PlanTagEdits(const std::string& path, const TagEdits& edits, bool id3v1,
                                        bool id3v2, const Id3v2WriteOptions& text,
                                        TagUpdateRequest& request);
// The same from a file already open (as a write has it).
std::optional<std::string> PlanTagEdits(ByteSource& file, const TagEdits& edits, bool id3v1,
                                        bool id3v2, const Id3v2WriteOptions& text,
                                        TagUpdateRequest& request);

// The update that removes the chosen tags.
TagUpdateRequest DeletionRequest(bool id3v1, bool id3v2);

}  // namespace tessarn
