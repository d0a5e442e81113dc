// The parts of a tag update shared by the tag editor and the command line: the
// texts "ID3v2 复制到 ID3v1" puts into the ID3v1 boxes, the genre text an ID3v2 tag
// gets from the editor's genre box, the blocks an update writes once it is planned
// (tag_edit.h plans it), and the messages it reports, so the window and the command
// line say the same things.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/id3/id3v1.h"
#include "core/id3/id3v2.h"
#include "core/id3/tag_fields.h"

namespace tessarn {

// The ID3v1 box texts made from ID3v2 texts: title, artist, album and comment cut to
// the first 30 bytes they take in the block, year to its first 4, never inside a
// character (a character that would be split is left out); the track is taken
// whole. A text the block holds as Latin-1 counts one byte a character; `legacy`
// is how the block will be read (see Id3v1TextBytes).
struct Id3v1Texts {
  std::string title, artist, album, year, comment, track;
};
Id3v1Texts Id3v1TextsFromId3v2(const TagFields& id3v2,
                               LegacyEncoding legacy = LegacyEncoding::kAuto);

// The ID3v2 genre of the editor's genre box. With a genre item selected
// (genreNumber >= 0) it is "(n)Name"; with none (the genre was typed, or came from
// the file as a text) it is the text the box shows, so that updating another field
// keeps the genre.
std::string EditorGenreText(int genreNumber, const std::string& genreBoxText);

// What "更新" does to each tag: nothing (not marked changed), a write (check box
// ticked) or a removal (check box cleared).
enum class TagUpdateResult { kNotDue, kWritten, kWriteFailed, kDeleted, kDeleteFailed };

struct TagUpdateRequest {
  // How changed text is written and how the file's text is read (the settings
  // "ID3v2写入编码" and "旧标签编码"); the ID3v1 block takes the reading too.
  Id3v2WriteOptions text;
  bool id3v1Changed = false;
  bool id3v1Present = false;  // "ID3v1 标签" ticked
  Id3v1Input id3v1;
  bool id3v2Changed = false;
  bool id3v2Present = false;  // "ID3v2 标签" ticked
  TagFields id3v2;
  // Fields (bit 1 << kTagFieldTable index) that get a new frame even when their
  // text is the one the file holds (see BuildUpdatedId3v2Tag).
  std::uint32_t id3v2Rewrite = 0;
};

struct TagUpdateResults {
  TagUpdateResult id3v1 = TagUpdateResult::kNotDue;
  TagUpdateResult id3v2 = TagUpdateResult::kNotDue;
  TagWriteError reason = TagWriteError::kNone;  // why the steps failed
  std::string detail;  // GB18030: why, when the file could not take the values
};

// The request's changes to a file whose present tags `file` reads; false when the
// new ID3v2 tag would be too large to hold.
bool TagChangesOf(ByteSource& file, const TagUpdateRequest& request, TagBlockChange& id3v2,
                  TagBlockChange& id3v1);
// What each step of the request came to, given how its write ended.
TagUpdateResults TagUpdateResultsOf(const TagUpdateRequest& request, TagWriteError error);

// The message boxes of an update, ID3v1 first: "ID3v1标签更新成功！" (no icon),
// "ID3v1标签更新失败！", "删除ID3v1标签失败！" (error icon), then the ID3v2 ones. A
// removal that worked says nothing in the editor (the boxes show it); the command
// line, which has nothing else to show, says "ID3v1标签已删除". The reason for a
// failure follows the last failure message on a line of its own. Texts are GB18030.
// The editor shows them in one box (TagUpdateMessageBox).
struct TagUpdateMessage {
  std::string text;
  bool isError = false;
};
enum class RemovalNotice { kSilent, kSay };
std::vector<TagUpdateMessage> TagUpdateMessages(const TagUpdateResults& results,
                                                RemovalNotice removal = RemovalNotice::kSilent);
// True when any step failed.
bool AnyFailed(const TagUpdateResults& results);

// All the messages of one update as one box: their lines in order, an error when
// any of them is; nullopt when there is nothing to say.
std::optional<TagUpdateMessage> TagUpdateMessageBox(const TagUpdateResults& results);

}  // namespace tessarn
