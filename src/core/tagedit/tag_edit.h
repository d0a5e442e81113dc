// The one way the program changes a file's tags. Every tag change - the tag
// editor's "更新" for one file or many, its "转为Unicode", tags from names, and the
// command line's tags set, delete and convert - is a TagEdit: what to change,
// relative to whatever the file holds when it is written. Each file is opened
// once: under its lock (flock) its tags are read, the new blocks are planned from
// those bytes, and both tags are written in the same open, all or nothing. So two
// runs that change different fields of one file keep both changes, whichever
// comes second.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/id3/id3v2.h"
#include "core/id3/tag_fields.h"
#include "core/id3/tag_file_writer.h"
#include "core/tagedit/tag_update.h"

namespace tessarn {

// What to do to the tags of a file. A field left nullopt keeps the file's value.
struct TagEdit {
  // New texts by kTagFieldTable index (GB18030). ID3v1 takes the first
  // kId3v1FieldCount; its genre is the genre number in decimal ("" for none), its
  // track the number (an ID3v2 track "3/12" gives 3). The ID3v2 genre is the text
  // as written (the editor's "(17)Rock" for a chosen genre). A given ID3v2 field
  // always gets a new frame, also when its text is the one the file shows: legacy
  // bytes become Unicode.
  std::array<std::optional<std::string>, kTagFieldCount> id3v1, id3v2;
  // The tag is written even when no field of it changes (and made when the file
  // has none), as the tag editor writes every tag it marked changed.
  bool writeId3v1 = false;
  bool writeId3v2 = false;
  // Each file's own ID3v2 texts (with the ID3v2 changes above) go to its ID3v1
  // before the ID3v1 changes; and the other way.
  bool copyId3v2ToId3v1 = false;
  bool copyId3v1ToId3v2 = false;
  bool removeId3v1 = false;
  bool removeId3v2 = false;
  // Values ID3v1 cannot hold (a text past its bytes, a track past 255): false
  // fails the file, untouched; true leaves its ID3v1 block as it is.
  bool id3v1WhereFits = false;
  // Every kept text frame under encoding 0 whose bytes are not plain ASCII is
  // rewritten as UTF-16 (v2.3) or UTF-8 (v2.4); a file without an ID3v2 tag gets none.
  bool convertToUnicode = false;
};

// True when the edit changes nothing.
bool IsEmpty(const TagEdit& edit);

// The file as a run left it, and the exact tag bytes it had before: enough to
// give the old tags back while nothing else has changed the file since.
struct TagFileUndo {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;  // after the write
  std::int64_t mtimeSeconds = 0;
  std::int64_t mtimeNanoseconds = 0;
  // The modification time before the write, given back with the old bytes so that
  // an earlier run's undo still finds the file as that run left it.
  std::int64_t oldMtimeSeconds = 0;
  std::int64_t oldMtimeNanoseconds = 0;
  std::string oldId3v2;  // the old tag's region at the start of the file; empty without one
  std::string oldId3v1;  // the old 128-byte block; empty without one
};

// One file's outcome. The reason is GB18030, empty when it worked.
struct TagRunFile {
  bool ok = false;
  std::string reason;
  std::optional<TagFileUndo> undo;  // set when the file was written
  TagUpdateResults results;         // what each tag came to, for messages per tag
};

// Sees each file of a run right after it was tried, so that the run's record in
// the undo history holds every file written even when the run is cut short. A
// reason (GB18030) stops the run there: the files not yet tried fail with it and
// stay untouched.
using TagFileTried =
    std::function<std::optional<std::string>(const std::string& path, const TagRunFile& outcome)>;

// Applies the edit to one file. `run` is shared by the files of one run (a
// folder is looked at once for the earlier writer's leftovers).
TagRunFile EditFileTags(const std::string& path, const TagEdit& edit,
                        const Id3v2WriteOptions& text, TagWriteRun& run);

// The same edit to every file, one after another, each all or nothing; `tried`
// sees each file as soon as it was tried.
std::vector<TagRunFile> EditTags(const std::vector<std::string>& paths, const TagEdit& edit,
                                 const Id3v2WriteOptions& text, const TagFileTried& tried = {});

// A run over `count` files: `one(i, run)` tries file i; once `tried` (when given)
// answers with a reason, the files after it fail with that reason untried.
std::vector<TagRunFile> EachTagFile(
    const std::vector<std::string>& paths, const TagFileTried& tried,
    const std::function<TagRunFile(std::size_t i, TagWriteRun& run)>& one);

// The edit's ID3v1 values for the file `file` reads, or the reason (GB18030)
// ID3v1 cannot hold them. For a check before a run that must not start when one
// file cannot take its values.
std::optional<std::string> Id3v1ProblemOf(ByteSource& file, const TagEdit& edit,
                                          LegacyEncoding legacy);

}  // namespace tessarn
