// ID3v2 tags at the start of an MP3 file: reading versions 2.2, 2.3 and 2.4,
// writing version 2.3.0, deleting.
//
// The reader walks the frame list (it never looks for an ID inside another
// frame's content), undoes unsynchronisation, skips compressed and encrypted
// frames and seeks past frames it does not want, such as a cover picture. Text is
// decoded by its encoding byte into GB18030; encoding 0 is kept as its bytes,
// which in the files this program is made for are GBK.
//
// A write keeps every frame of the old tag beyond the twelve it writes, and it
// goes through WriteTagBlocks (tag_file_writer.h), so a failure leaves the file
// as it was. The ID3v1 block at the end is never touched.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/id3/tag_fields.h"
#include "core/id3/tag_file_io.h"
#include "core/id3/tag_file_writer.h"

namespace tessarn {

// ---- Header ------------------------------------------------------------------

// "ID3", version and revision bytes below 0xFF, flags below 0xFF, four size bytes
// below 0x80.
bool IsId3v2Header(std::string_view first10Bytes);
bool HasId3v2(const std::string& path);

// The whole tag's length, header included: the syncsafe size plus 10. (A v2.4 tag
// with a footer is 10 bytes longer still; the codec accounts for that itself.)
std::uint32_t DecodeTagSize(const unsigned char sizeBytes[4]);
// The four syncsafe bytes of n, 0 <= n < 2^28; DecodeTagSize of them is n + 10.
std::array<unsigned char, 4> EncodeTagSize(std::uint32_t n);

// ---- Reading -------------------------------------------------------------------

// Fill all twelve fields (absent frames give empty fields) and return true when the
// data starts with a tag; false, fields untouched, otherwise. Malformed tags give
// what can be read. The in-memory form takes the start of a file (or all of it).
bool ParseId3v2(std::string_view data, TagFields& fields);
bool ReadId3v2(ByteSource& source, TagFields& fields);
bool ReadId3v2(const std::string& path, TagFields& fields);

// A genre text that begins with "(" holding a genre number, as in "(17)" or
// "(17)Rock", becomes the genre's name ("Rock"); the last parenthesis counts, so
// "(17)(18)" is "Techno". "(RX)" and "(CR)" are "Remix" and "Cover"; other
// parenthesised words give the text after ")" ("(Remix)Dance" is "Dance"); an
// unclosed "(Pop" is "Pop"; "((" escapes a leading "(". Any other text stays as it is.
void NormalizeGenre(std::string& genre);

// ---- Writing -----------------------------------------------------------------

// The texts of the tag editor's ID3v2 boxes, and the genre number carried by the
// selected item of its ID3v2 genre box (-1: no item selected).
struct Id3v2EditorTexts {
  std::string title, artist, album, track, year, comment;
  std::string composer, originalArtist, copyright, url, encoder;
  int genreNumber = -1;
};
// The record WriteId3v2 takes: texts unchanged (no trimming, no limits); genre
// "(" + number + ")" + name, e.g. "(17)Rock", or empty with no genre.
TagFields CollectId3v2Fields(const Id3v2EditorTexts& texts);

// The empty v2.3.0 tag: header with size bytes 00 00 07 76, the twelve frames
// TRCK TENC WXXX TCOP TOPE TCOM COMM TCON TYER TALB TPE1 TIT2 with empty texts
// (encoding byte 00; TENC flags 40 00; WXXX with an empty description; COMM with
// language "CHS" and an empty description), then 877 zero bytes: 1024 bytes.
std::string BuildTagSkeleton();

// Puts text into frame id of tag (a tag built from BuildTagSkeleton): the frame is
// found by walking the frame headers, so a text that holds another frame's ID
// never lands in the wrong frame. Updates the frame's size, not the header's.
void SetFrameText(std::string& tag, std::string_view id, std::string_view text);

// The complete new tag: the skeleton with the twelve texts, `keptFrames` (whole
// v2.3 frames) after the twelve, then the 877 padding bytes; header size set.
std::string BuildId3v2Tag(const TagFields& fields, std::string_view keptFrames = {});

// The complete tag WriteId3v2 gives the file: the tag of `fields` with the old
// tag's other frames (not those of a v2.2 tag). False when the file cannot be
// read or the tag would be too large.
bool BuildId3v2TagFor(const std::string& path, const TagFields& fields, std::string& tag);

// Replaces the file's tag (or gives it one) with BuildId3v2TagFor's, through
// WriteTagBlocks: the file is unchanged on failure, and the result says why.
TagWriteResult WriteId3v2(const std::string& path, const TagFields& fields);

// Removes the tag: header, the frames that can be walked and their padding. Also
// succeeds when there was none.
TagWriteResult DeleteId3v2(const std::string& path);

}  // namespace tessarn
